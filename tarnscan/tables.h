// The scanner's look-up tables: three tone tables (12-bit level to 8-bit output)
// and the colour translation table (5-6-5 colour to palette index).
#pragma once

#include <cstdint>
#include <vector>

namespace tarnscan {

constexpr int ToneLevels = 4096;
constexpr int ColourTableSize = 65536;

// The 12-bit level of an 8-bit sample.
inline int SampleLevel(int sample) {
    return sample * 16 + sample / 16;
}

// The 5-6-5 index of an 8-bit red, green, blue pixel.
inline int Index565(int red, int green, int blue) {
    return ((red >> 3) << 11) | ((green >> 2) << 5) | (blue >> 3);
}

class ToneTables {
public:
    ToneTables() { Reset(); }
    // Every table back to level / 16, the scanner's own response.
    void Reset();
    // channel 0 sets all three tables, 1 red, 2 green, 3 blue.
    bool Load(int channel, const uint8_t* table);
    // The toned 8-bit value of an 8-bit sample on channel 0 (red), 1 or 2.
    uint8_t Tone(int channel, int sample) const { return tables_[channel][SampleLevel(sample)]; }

private:
    uint8_t tables_[3][ToneLevels];
};

class ColourTable {
public:
    void Reset() { loaded_ = false; }
    void Load(const uint8_t* table);
    // The loaded table, or the one the data source builds for `bitsPerPixel`
    // when none has been loaded since the scanner was opened.
    const uint8_t* For(int bitsPerPixel);

private:
    bool loaded_ = false;
    std::vector<uint8_t> table_ = std::vector<uint8_t>(ColourTableSize);
};

// The table the data source builds: the 3-3-2 palette for 8 bits, the 16-colour
// palette (red 2 bits, green 1, blue 1) otherwise.
void BuildDefaultColourTable(int bitsPerPixel, uint8_t* table);

}  // namespace tarnscan
