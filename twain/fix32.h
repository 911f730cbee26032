// TW_FIX32 conversions: real numbers to and from the fixed-point record, and the
// record to and from the 32-bit Item field that carries it in a container.
#pragma once

#include <cstdint>

#include "platform/twain.h"

// Multiplies by 65536, adds one half and truncates to a signed 32-bit number, then
// splits it into Whole (arithmetic shift) and Frac (low 16 bits): the conversion the
// TWAIN standard gives, which rounds half up for values from -0.5 on. A value beyond
// what a TW_FIX32 holds gives the nearest one it does hold, NaN the lowest.
TW_FIX32 FloatToFix32(double value);

// Whole + Frac / 65536.
double Fix32ToDouble(TW_FIX32 value);

// The 32-bit Item field that carries a TW_FIX32: Whole in the low half, Frac in the
// high half (the record's own bytes, read as a little-endian number).
TW_UINT32 Fix32Item(TW_FIX32 value);
TW_UINT32 Fix32Item(TW_INT16 whole, TW_UINT16 frac);
TW_FIX32 Fix32FromItem(TW_UINT32 item);
// The Item that carries `value` as a TW_FIX32 (FloatToFix32, then Fix32Item).
TW_UINT32 Fix32ItemOf(double value);

// The whole part of a TW_FIX32 carried in a 32-bit Item, as a signed 16-bit
// number; Frac is ignored (127.75 gives 127, -1.5 gives -2).
int32_t Fix32Whole(TW_UINT32 item);

// A TW_FIX32 carried in a 32-bit Item as a whole number: Whole, rounded half up by
// Frac (300 + 1/65536 gives 300, 300.5 gives 301, -1.5 gives -1).
int32_t Fix32Rounded(TW_UINT32 item);
