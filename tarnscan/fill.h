// A byte fill at the speed of the processor's widest plain stores. The C
// runtime's memset under Wine runs at about half the speed of its memcpy, and
// white paper is delivered by filling.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarnscan {

void FillBytes(uint8_t* destination, uint8_t value, size_t count);

}  // namespace tarnscan
