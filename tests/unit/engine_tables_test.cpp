// Tone tables, the colour translation table and the native image's colour tables.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/colour_translation.h"
#include "engine/dib_builder.h"
#include "engine/tone_tables.h"

namespace {

std::vector<unsigned char> Build(uint8_t white, uint8_t black, float gamma,
                                 bool* accepted = nullptr) {
    std::vector<unsigned char> table(ToneTableLength, 0xA5);
    const bool ok = BuildToneTable(table.data(), white, black, gamma, ToneTableLength);
    if (accepted) *accepted = ok;
    return table;
}

// The curve in double precision: 0 to the black level, then
// 255 x ((i - B) / (W - B)) ^ (1 / gamma), 255 from the white level on.
double Curve(int i, uint8_t white, uint8_t black, double gamma) {
    const double blackLevel = black * 16.0, whiteLevel = white == 255 ? 4096.0 : white * 16.0;
    if (i <= blackLevel) return 0.0;
    return std::min(255.0,
                    255.0 * std::pow((i - blackLevel) / (whiteLevel - blackLevel), 1.0 / gamma));
}

}  // namespace

TEST(ToneTableTest, LinearTableIsRoundedHalfUp) {
    const std::vector<unsigned char> table = Build(255, 0, 1.0f);
    for (int i = 0; i < ToneTableLength; ++i)
        ASSERT_EQ((255 * i + 2048) / 4096, table[i]) << "entry " << i;
    EXPECT_EQ(0, table[0]);
    EXPECT_EQ(1, table[16]);
    EXPECT_EQ(255, table[4095]);
}

TEST(ToneTableTest, CurvesFollowWhiteBlackAndGamma) {
    struct Case {
        uint8_t white, black;
        float gamma;
    };
    for (const Case& c : {Case{255, 0, 1.5f}, Case{255, 0, 2.2f}, Case{240, 16, 1.0f},
                          Case{200, 40, 3.0f}, Case{128, 127, 1.8f}, Case{255, 254, 1.0f}}) {
        SCOPED_TRACE(::testing::Message() << "white " << int(c.white) << " black " << int(c.black)
                                          << " gamma " << c.gamma);
        const std::vector<unsigned char> table = Build(c.white, c.black, c.gamma);
        int previous = 0;
        for (int i = 0; i < ToneTableLength; ++i) {
            // Single precision may round the other way right at a half.
            ASSERT_NEAR(std::floor(Curve(i, c.white, c.black, c.gamma) + 0.5), table[i], 1.0)
                << "entry " << i;
            ASSERT_GE(table[i], previous) << "entry " << i;
            previous = table[i];
        }
        for (int i = 0; i <= c.black * 16; ++i)
            ASSERT_EQ(0, table[i]) << "entry " << i;
        // A white of 255 puts the white level past the last entry, at 4096.
        if (c.white != 255) {
            for (int i = c.white * 16; i < ToneTableLength; ++i)
                ASSERT_EQ(255, table[i]) << "entry " << i;
        }
    }
}

TEST(ToneTableTest, BlackLevelSixteenZeroesThroughEntry256) {
    const std::vector<unsigned char> table = Build(255, 16, 1.0f);
    for (int i = 0; i <= 256; ++i)
        EXPECT_EQ(0, table[i]) << "entry " << i;
    EXPECT_LT(0, table[300]);
}

TEST(ToneTableTest, EqualWhiteAndBlackGiveAnAllZeroTable) {
    for (uint8_t level : {uint8_t{0}, uint8_t{100}, uint8_t{200}}) {
        const std::vector<unsigned char> table = Build(level, level, 1.0f);
        for (int i = 0; i < ToneTableLength; ++i)
            ASSERT_EQ(0, table[i]) << "level " << int(level) << " entry " << i;
    }
}

TEST(ToneTableTest, RefusesGammaOutOfRangeAndBlackAboveWhiteLeavingTableUntouched) {
    struct Case {
        uint8_t white, black;
        float gamma;
        bool accepted;
    };
    for (const Case& c :
         {Case{255, 0, 0.9f, false}, Case{255, 0, 3.1f, false}, Case{100, 101, 1.0f, false},
          Case{255, 0, 1.0f, true}, Case{255, 0, 3.0f, true}, Case{100, 100, 2.0f, true}}) {
        bool accepted = !c.accepted;
        const std::vector<unsigned char> table = Build(c.white, c.black, c.gamma, &accepted);
        EXPECT_EQ(c.accepted, accepted)
            << "gamma " << c.gamma << " white " << int(c.white) << " black " << int(c.black);
        if (!c.accepted) {
            EXPECT_EQ(std::vector<unsigned char>(ToneTableLength, 0xA5), table);
        }
    }
}

TEST(ColourTranslationTest, WhiteAndPureRed) {
    EXPECT_EQ(255, PaletteIndex(0xFFFF, 8));
    EXPECT_EQ(224, PaletteIndex(0xF800, 8));
    EXPECT_EQ(15, PaletteIndex(0xFFFF, 4));
    EXPECT_EQ(12, PaletteIndex(0xF800, 4));
    EXPECT_EQ(0, PaletteIndex(0x0000, 8));
    EXPECT_EQ(0, PaletteIndex(0x0000, 4));
}

TEST(ColourTranslationTest, TableHoldsTheIndexOfEveryColour) {
    for (int bits : {4, 8}) {
        std::vector<unsigned char> table(ColourTranslationTableBytes);
        BuildColourTranslationTable(table.data(), bits);
        for (int colour = 0; colour < ColourTranslationTableBytes; ++colour) {
            const int r = colour >> 11, g = (colour >> 5) & 63, b = colour & 31;
            const int expected = bits == 8 ? 32 * (r / 4) + 4 * (g / 8) + b / 8
                                           : 4 * (r / 8) + 2 * (g / 32) + b / 16;
            ASSERT_EQ(expected, table[colour]) << bits << " bits, colour " << colour;
        }
    }
}

// The device maps colours through the translation table and the application looks
// the index up in the DIB's colour table: every palette colour must come back as
// its own index.
TEST(ColourTranslationTest, EveryPaletteColourTranslatesToItsOwnIndex) {
    for (int bits : {4, 8}) {
        const int entries = 1 << bits;
        std::vector<RGBQUAD> palette(entries);
        WriteColourTable(palette.data(), bits, Composition::PaletteColour);
        for (int index = 0; index < entries; ++index) {
            const RGBQUAD& c = palette[index];
            const uint16_t colour = static_cast<uint16_t>(
                ((c.rgbRed >> 3) << 11) | ((c.rgbGreen >> 2) << 5) | (c.rgbBlue >> 3));
            EXPECT_EQ(index, PaletteIndex(colour, bits)) << bits << " bits, index " << index;
        }
    }
}

TEST(DibColourTableTest, EntriesOfEachDepthAndComposition) {
    // The entries and header follow the depth alone, whatever the composition.
    struct Case {
        int bits;
        uint32_t entries, headerBytes;
    };
    for (const Case& c :
         {Case{1, 2, 48}, Case{4, 16, 104}, Case{8, 256, 1064}, Case{16, 0, 40}, Case{24, 0, 40}}) {
        EXPECT_EQ(c.entries, ColourTableEntries(c.bits)) << c.bits;
        EXPECT_EQ(c.headerBytes, DibHeaderBytes(c.bits)) << c.bits;
    }
    std::vector<RGBQUAD> table(256);
    auto expectEntry = [&](int index, int red, int green, int blue) {
        EXPECT_EQ(red, table[index].rgbRed) << "index " << index;
        EXPECT_EQ(green, table[index].rgbGreen) << "index " << index;
        EXPECT_EQ(blue, table[index].rgbBlue) << "index " << index;
        EXPECT_EQ(0, table[index].rgbReserved) << "index " << index;
    };
    WriteColourTable(table.data(), 1, Composition::Bilevel);
    expectEntry(0, 0, 0, 0);
    expectEntry(1, 255, 255, 255);
    WriteColourTable(table.data(), 4, Composition::PaletteColour);
    for (int r = 0; r < 4; ++r)
        for (int g = 0; g < 2; ++g)
            for (int b = 0; b < 2; ++b)
                expectEntry(4 * r + 2 * g + b, 85 * r, 255 * g, 255 * b);
    WriteColourTable(table.data(), 8, Composition::Greyscale);
    for (int i = 0; i < 256; ++i)
        expectEntry(i, i, i, i);
    WriteColourTable(table.data(), 8, Composition::RgbColour);
    const int levels[8] = {0, 36, 73, 109, 146, 182, 219, 255};
    for (int r = 0; r < 8; ++r)
        for (int g = 0; g < 8; ++g)
            for (int b = 0; b < 4; ++b)
                expectEntry(32 * r + 4 * g + b, levels[r], levels[g], 85 * b);
}
