// TW_FIX32 conversions: a real number to the fixed-point record, and the whole
// part of an incoming fixed-point value.
#pragma once

#include <cstdint>

#include "platform/twain.h"

// Rounds value * 65536 half up into a signed 32-bit number and splits it into
// Whole (arithmetic shift) and Frac (low 16 bits), the standard TWAIN conversion.
// A value beyond what a TW_FIX32 holds gives the nearest one it does hold.
TW_FIX32 FloatToFix32(double value);

// The 32-bit Item field that carries a TW_FIX32: Whole in the low half, Frac in the high.
TW_UINT32 Fix32Item(TW_FIX32 value);

// The whole part of a TW_FIX32 carried in a 32-bit Item, as a signed 16-bit
// number; Frac is ignored (127.75 gives 127, -1.5 gives -2).
int32_t Fix32Whole(TW_UINT32 item);

// A TW_FIX32 carried in a 32-bit Item as a whole number: Whole, rounded half up by
// Frac (300 + 1/65536 gives 300, 300.5 gives 301, -1.5 gives -1).
int32_t Fix32Rounded(TW_UINT32 item);
