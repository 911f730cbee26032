// Tone reproduction curves: a 12-bit sample level to an 8-bit output, carrying the
// white point, black point and gamma.
#pragma once

#include <cstdint>

constexpr int32_t ToneTableLength = 4096;
// What the device library receives: a channel byte, then the table.
constexpr int32_t ToneTableBlockBytes = 1 + ToneTableLength;

enum ToneChannel : uint8_t {
    ToneChannelAll = 0,
    ToneChannelRed = 1,
    ToneChannelGreen = 2,
    ToneChannelBlue = 3,
};

// Fills `length` entries: 0 up to the black level, then 255 x ((i - B) / (W - B))
// to the power 1 / gamma rounded half up, 255 from the white level on. Refuses
// (false, table untouched) a black above the white or a gamma outside 1.0 to 3.0.
bool BuildToneTable(unsigned char* table, uint8_t white, uint8_t black, float gamma,
                    int32_t length);
