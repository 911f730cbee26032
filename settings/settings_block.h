// What was asked (Negotiated) as one self-describing block of bytes, which a
// TWAIN 2 application keeps (DAT_CUSTOMDSDATA) and hands back later. The block
// opens with a signature, a version and its own length, so that a block from
// elsewhere, of another version or cut short is recognised and refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "settings/negotiated.h"

std::vector<uint8_t> EncodeSettingsBlock(const Negotiated& values);

// False when `bytes` is not exactly one block of this version: wrong signature,
// version or length, a byte-sized value or a flag out of its range, a palette name
// that does not fit. `values` is written only on success.
bool DecodeSettingsBlock(const uint8_t* bytes, size_t length, Negotiated& values);
