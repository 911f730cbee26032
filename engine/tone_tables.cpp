#include "engine/tone_tables.h"

#include <cmath>
#include <cstdint>

namespace {

// Float to integer as the x86 truncating conversion does it: a value that has no
// 32-bit integer (infinity when the white and black levels meet) gives the
// "integer indefinite" INT32_MIN, which the limit to 0..255 then makes 0.
int32_t TruncateLikeX86(float value) {
    if (!(value > -2147483648.0f && value < 2147483648.0f)) return INT32_MIN;
    return static_cast<int32_t>(value);
}

unsigned char LimitToByte(int32_t value) {
    if (value < 0) return 0;
    if (value > 255) return 255;
    return static_cast<unsigned char>(value);
}

}  // namespace

bool BuildToneTable(unsigned char* table, uint8_t white, uint8_t black, float gamma,
                    int32_t length) {
    if (black > white || gamma < 1.0f || gamma > 3.0f) return false;
    const int32_t step = length / 256;
    const int32_t blackLevel = black * step;
    const int32_t whiteLevel = white == 255 ? length : white * step;
    const float exponent = 1.0f / gamma;
    const float scale = 255.0f / std::pow(static_cast<float>(whiteLevel - blackLevel), exponent);
    for (int32_t i = 0; i < length; ++i) {
        const float x = static_cast<float>(i - blackLevel);
        if (x <= 0.0f) {
            table[i] = 0;
            continue;
        }
        table[i] = LimitToByte(TruncateLikeX86(std::pow(x, exponent) * scale + 0.5f));
    }
    return true;
}
