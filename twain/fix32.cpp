#include "twain/fix32.h"

#include <cmath>
#include <limits>

TW_FIX32 FloatToFix32(double value) {
    const double scaled = std::trunc(value * 65536.0 + 0.5);
    int32_t fixed = std::numeric_limits<int32_t>::min();  // also for NaN
    if (scaled > std::numeric_limits<int32_t>::max()) {
        fixed = std::numeric_limits<int32_t>::max();
    } else if (scaled >= std::numeric_limits<int32_t>::min()) {
        fixed = static_cast<int32_t>(scaled);
    }
    TW_FIX32 result;
    result.Whole = static_cast<TW_INT16>(fixed >> 16);
    result.Frac = static_cast<TW_UINT16>(fixed & 0xFFFF);
    return result;
}

double Fix32ToDouble(TW_FIX32 value) {
    return value.Whole + value.Frac / 65536.0;
}

TW_UINT32 Fix32Item(TW_FIX32 value) {
    return Fix32Item(value.Whole, value.Frac);
}

TW_UINT32 Fix32Item(TW_INT16 whole, TW_UINT16 frac) {
    return static_cast<TW_UINT16>(whole) | (static_cast<TW_UINT32>(frac) << 16);
}

TW_FIX32 Fix32FromItem(TW_UINT32 item) {
    TW_FIX32 value;
    value.Whole = static_cast<TW_INT16>(item & 0xFFFF);
    value.Frac = static_cast<TW_UINT16>(item >> 16);
    return value;
}

int32_t Fix32Whole(TW_UINT32 item) {
    return static_cast<int16_t>(item & 0xFFFF);
}

int32_t Fix32Rounded(TW_UINT32 item) {
    const TW_UINT16 frac = static_cast<TW_UINT16>(item >> 16);
    return Fix32Whole(item) + (frac >= 0x8000 ? 1 : 0);
}

TW_UINT32 Fix32ItemOf(double value) {
    return Fix32Item(FloatToFix32(value));
}
