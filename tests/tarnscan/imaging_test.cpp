// The delivered bytes of scans of a small picture, by composition and depth,
// window placement, tone tables, colour translation table, threshold and
// widening, each compared with the imaging model computed pixel by pixel.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "scanner_harness.h"

using namespace harness;

namespace {

constexpr int PaperWidth = 13;
constexpr int PaperHeight = 9;

class ImagingTest : public ::testing::Test {
protected:
    ImagingTest()
        : picture_(TestPicture(PaperWidth, PaperHeight)),
          paperFile_(".ppm"),
          document_("TARNSCAN_DOCUMENT", nullptr),
          dpi_("TARNSCAN_DOCUMENT_DPI", nullptr),
          faults_("TARNSCAN_FAULTS", nullptr),
          log_("TARNSCAN_LOG", nullptr) {
        WritePpm(paperFile_.Path(), picture_);
        SetEnvironmentVariableA("TARNSCAN_DOCUMENT", paperFile_.Path().c_str());
    }

    // Scans with the default tables and compares every byte with the model.
    void ExpectScan(const WindowDescriptorType& window, uint32_t chunk = 4096) {
        CTarnScan scanner;
        StartScan(scanner, window);
        std::vector<uint8_t> image = ReadAll(scanner, chunk);
        Expectation expectation(window);
        expectation.paper = &picture_;
        EXPECT_EQ(ExpectedImage(expectation), image);
    }

    Picture picture_;
    TempFile paperFile_;
    ScopedVariable document_, dpi_, faults_, log_;
};

struct WindowCase {
    const char* name;
    Composition composition;
    int bitsPerPixel;
    int xResolution, yResolution, xOffset, yOffset, width, length;
};

const WindowCase WindowCases[] = {
    {"rgb at the paper's resolution", Composition::RgbColour, 24, 100, 100, 1, 0, 10, 7},
    {"rgb enlarged past every edge", Composition::RgbColour, 24, 250, 150, 3, 2, 40, 30},
    {"rgb reduced", Composition::RgbColour, 24, 37, 45, 1, 1, 6, 5},
    {"rgb centred, narrower", Composition::RgbColour, 24, 100, 100, 0, 0, 9, 4},
    {"rgb centred, odd margin", Composition::RgbColour, 24, 100, 100, 0, 0, 10, 4},
    {"rgb centred, wider than the paper", Composition::RgbColour, 24, 100, 100, 0, 0, 20, 4},
    {"rgb centred at 37 dpi", Composition::RgbColour, 24, 37, 100, 0, 0, 6, 3},
    {"rgb centred enlarged", Composition::RgbColour, 24, 300, 300, 0, 5, 31, 12},
    {"rgb below the paper", Composition::RgbColour, 24, 100, 100, 1, 8, 5, 4},
    {"rgb beside the paper", Composition::RgbColour, 24, 100, 100, 20, 0, 5, 4},
    {"bilevel beside the paper", Composition::Bilevel, 1, 100, 100, 20, 0, 13, 4},
    {"grey", Composition::Greyscale, 8, 160, 90, 2, 0, 19, 11},
    {"grey centred", Composition::Greyscale, 8, 100, 100, 0, 0, 11, 9},
    {"grey 16 bits", Composition::Greyscale, 16, 120, 100, 1, 1, 15, 8},
    {"bilevel, whole bytes", Composition::Bilevel, 1, 100, 100, 1, 0, 8, 9},
    {"bilevel, partial byte", Composition::Bilevel, 1, 200, 200, 1, 0, 29, 18},
    {"palette 256 colours", Composition::PaletteColour, 8, 100, 100, 1, 0, 12, 9},
    {"palette 16 colours, odd width", Composition::PaletteColour, 4, 100, 130, 1, 0, 11, 10},
    {"rgb composition at 8 bits is palette", Composition::RgbColour, 8, 100, 100, 1, 0, 12, 9},
    {"bilevel composition at 8 bits is palette", Composition::Bilevel, 8, 100, 100, 3, 2, 7, 5},
};

TEST_F(ImagingTest, EveryCompositionDepthAndPlacementMatchesTheModel) {
    for (const WindowCase& c : WindowCases) {
        SCOPED_TRACE(c.name);
        WindowDescriptorType window = Window(c.composition, c.bitsPerPixel, c.width, c.length);
        window.XResolution = c.xResolution;
        window.YResolution = c.yResolution;
        window.XOffset = c.xOffset;
        window.YOffset = c.yOffset;
        ExpectScan(window);
    }
}

TEST_F(ImagingTest, PictureAtItsOwnResolutionComesOutUnchanged) {
    // Independent of the model: at 100 dpi from pixel 0 of row 0 the samples are
    // the file's own. XOffset 0 centres, and a 13-pixel window on a 13-pixel
    // paper starts at its left edge.
    WindowDescriptorType window = Window(Composition::RgbColour, 24, PaperWidth, PaperHeight);
    window.XOffset = 0;
    CTarnScan scanner;
    StartScan(scanner, window);
    EXPECT_EQ(ReadAll(scanner, 1000), picture_.rgb);
}

TEST_F(ImagingTest, PaperResolutionComesFromTheEnvironment) {
    ScopedVariable dpi("TARNSCAN_DOCUMENT_DPI", "50");
    WindowDescriptorType window = Window(Composition::RgbColour, 24, 30, 20);
    CTarnScan scanner;
    StartScan(scanner, window);
    Expectation expectation(window);
    expectation.paper = &picture_;
    expectation.paperDpi = 50;
    EXPECT_EQ(ExpectedImage(expectation), ReadAll(scanner, 777));
}

TEST_F(ImagingTest, GreyPaperFromPgm) {
    Picture grey = GreyPicture(PaperWidth, PaperHeight);
    TempFile pgm(".pgm");
    WritePgm(pgm.Path(), grey);
    ScopedVariable document("TARNSCAN_DOCUMENT", pgm.Path().c_str());
    for (int bits : {24, 8, 1}) {
        SCOPED_TRACE(bits);
        WindowDescriptorType window = Window(bits == 24  ? Composition::RgbColour
                                             : bits == 8 ? Composition::Greyscale
                                                         : Composition::Bilevel,
                                             bits, 17, 12);
        window.XResolution = 130;
        window.YResolution = 130;
        CTarnScan scanner;
        StartScan(scanner, window);
        Expectation expectation(window);
        expectation.paper = &grey;
        EXPECT_EQ(ExpectedImage(expectation), ReadAll(scanner, 4096));
    }
}

TEST_F(ImagingTest, BilevelUsesThresholdOrInitialThresholdWhenZero) {
    struct {
        int threshold, initial;
    } cases[] = {{128, 120}, {1, 250}, {255, 10}, {0, 120}, {0, 60}, {0, 200}};
    for (auto c : cases) {
        SCOPED_TRACE(testing::Message() << c.threshold << " " << c.initial);
        WindowDescriptorType window = Window(Composition::Bilevel, 1, 13, 9);
        window.Threshold = c.threshold;
        window.InitialThreshold = c.initial;
        ExpectScan(window);
    }
}

TEST_F(ImagingTest, ToneTableOnChannelZeroTonesAllThree) {
    auto inverted = ToneBlock(0, [](int i) { return 255 - i / 16; });
    for (int bits : {24, 8, 16, 1}) {
        SCOPED_TRACE(bits);
        WindowDescriptorType window = Window(bits == 24  ? Composition::RgbColour
                                             : bits == 1 ? Composition::Bilevel
                                                         : Composition::Greyscale,
                                             bits, 12, 9);
        CTarnScan scanner;
        StartScan(scanner, window, {inverted});
        Expectation expectation(window);
        expectation.paper = &picture_;
        for (auto& table : expectation.tone)
            for (int i = 0; i < 4096; ++i)
                table[i] = static_cast<uint8_t>(255 - i / 16);
        EXPECT_EQ(ExpectedImage(expectation), ReadAll(scanner, 50));
    }
}

TEST_F(ImagingTest, ThreeChannelTonesEachTheirOwnChannel) {
    auto red = ToneBlock(1, [](int i) { return i < 2048 ? 0 : 255; });
    auto green = ToneBlock(2, [](int i) { return 255 - i / 16; });
    auto blue = ToneBlock(3, [](int i) { return (i / 16) * (i / 16) / 255; });
    for (int bits : {24, 8}) {
        SCOPED_TRACE(bits);
        WindowDescriptorType window =
            Window(bits == 24 ? Composition::RgbColour : Composition::Greyscale, bits, 12, 9);
        CTarnScan scanner;
        StartScan(scanner, window, {red, green, blue});
        Expectation expectation(window);
        expectation.paper = &picture_;
        for (int i = 0; i < 4096; ++i) {
            expectation.tone[0][i] = red[1 + i];
            expectation.tone[1][i] = green[1 + i];
            expectation.tone[2][i] = blue[1 + i];
        }
        EXPECT_EQ(ExpectedImage(expectation), ReadAll(scanner, 4096));
    }
}

TEST_F(ImagingTest, LaterChannelTableReplacesPartOfAnAllChannelTable) {
    auto all = ToneBlock(0, [](int i) { return 255 - i / 16; });
    auto green = ToneBlock(2, [](int i) { return i / 32; });
    WindowDescriptorType window = Window(Composition::RgbColour, 24, 12, 9);
    CTarnScan scanner;
    StartScan(scanner, window, {all, green});
    Expectation expectation(window);
    expectation.paper = &picture_;
    for (int i = 0; i < 4096; ++i) {
        expectation.tone[0][i] = expectation.tone[2][i] = static_cast<uint8_t>(255 - i / 16);
        expectation.tone[1][i] = static_cast<uint8_t>(i / 32);
    }
    EXPECT_EQ(ExpectedImage(expectation), ReadAll(scanner, 4096));
}

TEST_F(ImagingTest, TablesLoadedBeforeAnOpenAreForgotten) {
    WindowDescriptorType window = Window(Composition::RgbColour, 24, 12, 9);
    {
        CTarnScan scanner;
        StartScan(scanner, window, {ToneBlock(0, [](int) { return 7; })});
        ReadAll(scanner, 4096);
        StartScan(scanner, window);
        Expectation expectation(window);
        expectation.paper = &picture_;
        EXPECT_EQ(ExpectedImage(expectation), ReadAll(scanner, 4096));
    }
}

TEST_F(ImagingTest, PaletteThroughALoadedColourTranslationTable) {
    std::vector<uint8_t> table256(65536), table16(65536);
    for (int i = 0; i < 65536; ++i) {
        table256[i] = static_cast<uint8_t>((i * 131 + 7) % 256);
        table16[i] = static_cast<uint8_t>((i * 7 + i / 2048) % 16);
    }
    struct {
        int bits;
        const std::vector<uint8_t>* table;
    } cases[] = {{8, &table256}, {4, &table16}};
    for (auto c : cases) {
        SCOPED_TRACE(c.bits);
        WindowDescriptorType window = Window(Composition::PaletteColour, c.bits, 27, 19);
        window.XResolution = window.YResolution = 190;
        CTarnScan scanner;
        StartScan(scanner, window, {}, c.table);
        Expectation expectation(window);
        expectation.paper = &picture_;
        expectation.colourTable = *c.table;
        EXPECT_EQ(ExpectedImage(expectation), ReadAll(scanner, 4096));
    }
}

TEST_F(ImagingTest, PaletteIsTonedBeforeTranslation) {
    auto dark = ToneBlock(0, [](int i) { return i / 20; });
    for (int bits : {8, 4}) {
        SCOPED_TRACE(bits);
        WindowDescriptorType window = Window(Composition::PaletteColour, bits, 13, 9);
        CTarnScan scanner;
        StartScan(scanner, window, {dark});
        Expectation expectation(window);
        expectation.paper = &picture_;
        for (auto& table : expectation.tone)
            for (int i = 0; i < 4096; ++i)
                table[i] = static_cast<uint8_t>(i / 20);
        EXPECT_EQ(ExpectedImage(expectation), ReadAll(scanner, 4096));
    }
}

struct WideningCase {
    int deviceWidth, target, native, widened;
};

TEST_F(ImagingTest, InterpolatedReadsWidenEachLineByReplication) {
    const WideningCase cases[] = {
        {8, 150, 100, 12},     {8, 200, 100, 16},     {7, 150, 100, 10},
        {668, 600, 400, 1002}, {501, 800, 400, 1002}, {9, 450, 300, 13},
    };
    for (const WideningCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.deviceWidth << " at " << c.target << "/" << c.native);
        WindowDescriptorType window = Window(Composition::RgbColour, 24, c.deviceWidth, 6);
        window.XOffset = 0;
        CTarnScan scanner;
        StartScan(scanner, window);
        std::vector<uint8_t> image = ReadAll(scanner, 1000, c.target, c.native);
        Expectation expectation(window);
        expectation.paper = &picture_;
        expectation.widenedWidth = c.widened;
        ASSERT_EQ(static_cast<size_t>(c.widened) * 3 * 6, image.size());
        EXPECT_EQ(ExpectedImage(expectation), image);
    }
}

TEST_F(ImagingTest, ReadsCutTheStreamAnywhere) {
    // Lines of 11 RGB pixels (33 bytes) and of 13 bilevel pixels (2 bytes).
    for (int bits : {24, 1, 4}) {
        WindowDescriptorType window = Window(bits == 24  ? Composition::RgbColour
                                             : bits == 1 ? Composition::Bilevel
                                                         : Composition::PaletteColour,
                                             bits, bits == 24 ? 11 : 13, 9);
        window.XResolution = window.YResolution = 110;
        Expectation expectation(window);
        expectation.paper = &picture_;
        const std::vector<uint8_t> expected = ExpectedImage(expectation);
        const uint32_t line = static_cast<uint32_t>(expected.size() / 9);
        for (uint32_t chunk : {1u, 2u, 5u, line - 1, line, line + 1, 3 * line + 2, 65536u}) {
            if (chunk == 0) continue;
            SCOPED_TRACE(testing::Message() << bits << " bits, reads of " << chunk);
            CTarnScan scanner;
            StartScan(scanner, window);
            std::vector<uint8_t> image;
            std::vector<uint8_t> buffer(chunk);
            for (;;) {
                DataTransferType transfer{chunk, buffer.data(), 0};
                ReadCompleteType result = scanner.ReadData(&transfer);
                size_t remaining = expected.size() - image.size();
                if (remaining == 0) {
                    EXPECT_EQ(ReadEndOfScan, result);
                    EXPECT_EQ(0u, transfer.BytesDelivered);
                    break;
                }
                ASSERT_EQ(ReadComplete, result);
                ASSERT_EQ(transfer.BytesDelivered, std::min<size_t>(chunk, remaining));
                image.insert(image.end(), buffer.begin(), buffer.begin() + transfer.BytesDelivered);
            }
            EXPECT_EQ(expected, image);
        }
    }
}

TEST_F(ImagingTest, WidenedReadsCutTheStreamAnywhere) {
    WindowDescriptorType window = Window(Composition::RgbColour, 24, 8, 5);
    Expectation expectation(window);
    expectation.paper = &picture_;
    expectation.widenedWidth = 12;
    const std::vector<uint8_t> expected = ExpectedImage(expectation);
    for (uint32_t chunk : {1u, 7u, 35u, 36u, 37u, 100u}) {
        SCOPED_TRACE(chunk);
        CTarnScan scanner;
        StartScan(scanner, window);
        EXPECT_EQ(expected, ReadAll(scanner, chunk, 150, 100));
    }
}

}  // namespace
