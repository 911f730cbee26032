#include "capabilities/fix32.h"

TW_FIX32 FloatToFix32(double value) {
    int32_t fixed = static_cast<int32_t>(value * 65536.0 + 0.5);
    TW_FIX32 result;
    result.Whole = static_cast<TW_INT16>(fixed >> 16);
    result.Frac = static_cast<TW_UINT16>(fixed & 0xFFFF);
    return result;
}

TW_UINT32 Fix32Item(TW_FIX32 value) {
    return static_cast<TW_UINT16>(value.Whole) | (static_cast<TW_UINT32>(value.Frac) << 16);
}

int32_t Fix32Whole(TW_UINT32 item) {
    return static_cast<int16_t>(item & 0xFFFF);
}
