// Scans of the built-in chart and of flat paper: the chart's delivered pixels
// against its published layout, flat paper's constant lines, and a very long
// scan that streams without holding the image.
#include <windows.h>
// psapi.h needs the types windows.h declares.
#include <psapi.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "scanner_harness.h"
#include "tarnscan/chart.h"

using namespace harness;

namespace {

Picture ChartPicture() {
    Picture chart;
    chart.width = tarnscan::ChartWidth;
    chart.height = tarnscan::ChartHeight;
    chart.rgb.resize(static_cast<size_t>(chart.width) * chart.height * 3);
    for (int y = 0; y < chart.height; ++y)
        for (int x = 0; x < chart.width; ++x)
            tarnscan::ChartPixel(x, y, &chart.rgb[3 * (static_cast<size_t>(y) * chart.width + x)]);
    return chart;
}

class PaperTest : public ::testing::Test {
protected:
    PaperTest()
        : document_("TARNSCAN_DOCUMENT", nullptr),
          dpi_("TARNSCAN_DOCUMENT_DPI", "300"),  // the chart has its own resolution
          faults_("TARNSCAN_FAULTS", nullptr),
          log_("TARNSCAN_LOG", nullptr) {}

    ScopedVariable document_, dpi_, faults_, log_;
};

TEST_F(PaperTest, ChartScansMatchItsLayout) {
    const Picture chart = ChartPicture();
    struct {
        const char* name;
        Composition composition;
        int bits, xResolution, yResolution, xOffset, yOffset, width, length;
    } cases[] = {
        {"whole chart at its resolution", Composition::RgbColour, 24, 200, 200, 0, 0, 1700, 2200},
        {"default window: 2 x 2 inches at 400 dpi, centred", Composition::RgbColour, 24, 400, 400,
         0, 0, 800, 800},
        {"grey at 100 dpi, wider than the chart", Composition::Greyscale, 8, 100, 100, 0, 0, 1000,
         1150},
        {"bilevel at 300 dpi from the gratings", Composition::Bilevel, 1, 300, 300, 150, 1450, 2000,
         700},
        {"palette at 75 dpi", Composition::PaletteColour, 4, 75, 75, 1, 0, 640, 830},
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.name);
        WindowDescriptorType window = Window(c.composition, c.bits, c.width, c.length);
        window.XResolution = c.xResolution;
        window.YResolution = c.yResolution;
        window.XOffset = c.xOffset;
        window.YOffset = c.yOffset;
        CTarnScan scanner;
        StartScan(scanner, window);
        Expectation expectation(window);
        expectation.paper = &chart;
        expectation.paperDpi = tarnscan::ChartDpi;
        std::vector<uint8_t> image = ReadAll(scanner, 65536);
        EXPECT_TRUE(image == ExpectedImage(expectation));
    }
}

TEST(Chart, RulerInchesAreWholeInchesAtTheChartResolution) {
    uint8_t rgb[3];
    for (int inch = 1; inch * tarnscan::ChartDpi < tarnscan::ChartWidth; ++inch) {
        SCOPED_TRACE(inch);
        int x = inch * tarnscan::ChartDpi;
        tarnscan::ChartPixel(x, 50, rgb);  // the inch tick is the longest
        EXPECT_EQ(0, rgb[0] + rgb[1] + rgb[2]);
        tarnscan::ChartPixel(x + tarnscan::ChartDpi / 16, 10, rgb);  // between eighth ticks
        EXPECT_EQ(3 * 255, rgb[0] + rgb[1] + rgb[2]);
        tarnscan::ChartPixel(x - tarnscan::ChartDpi / 8, 50, rgb);  // an eighth tick is shorter
        EXPECT_EQ(3 * 255, rgb[0] + rgb[1] + rgb[2]);
        tarnscan::ChartPixel(50, x, rgb);
        EXPECT_EQ(0, rgb[0] + rgb[1] + rgb[2]);
    }
}

TEST(Chart, GreyRampRunsFromBlackToWhite) {
    uint8_t rgb[3];
    int previous = -1;
    for (int x = 150; x < 1650; ++x) {
        tarnscan::ChartPixel(x, 250, rgb);
        ASSERT_TRUE(rgb[0] == rgb[1] && rgb[1] == rgb[2]);
        ASSERT_GE(rgb[0], previous);
        previous = rgb[0];
    }
    tarnscan::ChartPixel(150, 250, rgb);
    EXPECT_EQ(0, rgb[0]);
    EXPECT_EQ(255, previous);
}

TEST_F(PaperTest, FlatPaperIsWhiteInEveryComposition) {
    ScopedVariable flat("TARNSCAN_DOCUMENT", "flat");
    auto tint = [](int channel, int value) {
        return ToneBlock(channel, [value](int) { return value; });
    };
    struct {
        const char* name;
        Composition composition;
        int bits, width;
        std::vector<std::vector<uint8_t>> tones;
    } cases[] = {
        {"rgb", Composition::RgbColour, 24, 1001, {}},
        {"rgb through three tone tables",
         Composition::RgbColour,
         24,
         333,
         {tint(1, 250), tint(2, 128), tint(3, 3)}},
        {"grey", Composition::Greyscale, 8, 800, {}},
        {"grey 16", Composition::Greyscale, 16, 77, {}},
        {"bilevel, partial byte", Composition::Bilevel, 1, 13, {}},
        {"palette 16, odd width", Composition::PaletteColour, 4, 9, {}},
        {"palette 256", Composition::PaletteColour, 8, 64, {tint(0, 100)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WindowDescriptorType window = Window(c.composition, c.bits, c.width, 37);
        window.XOffset = 0;
        CTarnScan scanner;
        StartScan(scanner, window, c.tones);
        Expectation expectation(window);
        for (const auto& block : c.tones)
            for (int k = 0; k < 3; ++k)
                if (block[0] == 0 || block[0] == k + 1)
                    std::copy(block.begin() + 1, block.end(), expectation.tone[k]);
        EXPECT_EQ(ExpectedImage(expectation), ReadAll(scanner, 1000));
    }
}

TEST_F(PaperTest, FlatPaperEndsEarlyAfterWholeLines) {
    ScopedVariable flat("TARNSCAN_DOCUMENT", "flat");
    ScopedVariable faults("TARNSCAN_FAULTS", "end=3");
    WindowDescriptorType window = Window(Composition::Greyscale, 8, 101, 10);
    CTarnScan scanner;
    StartScan(scanner, window);
    EXPECT_EQ(std::vector<uint8_t>(3 * 101, 255), ReadAll(scanner, 7));
}

TEST_F(PaperTest, LongWideScanStreamsWithoutHoldingTheImage) {
    // 40,000 rows of 10,000 RGB pixels: 1.2 GB, far more than the process holds.
    ScopedVariable flat("TARNSCAN_DOCUMENT", "flat");
    WindowDescriptorType window = Window(Composition::RgbColour, 24, 10000, 40000);
    window.XResolution = window.YResolution = 400;
    PROCESS_MEMORY_COUNTERS_EX before{};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&before),
                         sizeof before);

    CTarnScan scanner;
    StartScan(scanner, window);
    std::vector<uint8_t> buffer(65536);
    unsigned long long total = 0;
    bool allWhite = true;
    for (;;) {
        DataTransferType transfer{65536, buffer.data(), 0};
        ReadCompleteType result = scanner.ReadData(&transfer);
        if (result == ReadEndOfScan) break;
        ASSERT_EQ(ReadComplete, result);
        if (total % (64ull << 20) < 65536)  // look at a block now and then
            allWhite =
                allWhite && std::all_of(buffer.begin(), buffer.begin() + transfer.BytesDelivered,
                                        [](uint8_t b) { return b == 255; });
        total += transfer.BytesDelivered;
    }
    scanner.StopScan();
    EXPECT_EQ(10000ull * 3 * 40000, total);
    EXPECT_TRUE(allWhite);

    PROCESS_MEMORY_COUNTERS_EX after{};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&after),
                         sizeof after);
    EXPECT_LT(after.PeakPagefileUsage, before.PeakPagefileUsage + (16u << 20));
}

TEST_F(PaperTest, LongScanOfTheChartRendersLineByLine) {
    // 40,000 rows at 2,000 dpi: the chart's rows repeat ten times each.
    WindowDescriptorType window = Window(Composition::Greyscale, 8, 3000, 40000);
    window.XResolution = window.YResolution = 2000;
    window.XOffset = 6000;
    PROCESS_MEMORY_COUNTERS_EX before{};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&before),
                         sizeof before);
    CTarnScan scanner;
    StartScan(scanner, window);
    std::vector<uint8_t> image = ReadAll(scanner, 65536);
    ASSERT_EQ(3000u * 40000, image.size());
    // Row r shows chart row r / 10, column c chart column (6000 + c) / 10.
    uint8_t rgb[3];
    for (int r : {0, 1234, 22000, 39999}) {
        for (int c : {0, 1, 1500, 2999}) {
            tarnscan::ChartPixel((6000 + c) / 10, r / 10, rgb);
            int grey = (299 * rgb[0] + 587 * rgb[1] + 114 * rgb[2] + 500) / 1000;
            EXPECT_EQ(image[static_cast<size_t>(r) * 3000 + c], grey) << r << "," << c;
        }
    }
    PROCESS_MEMORY_COUNTERS_EX after{};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&after),
                         sizeof after);
    EXPECT_LT(after.PrivateUsage, before.PrivateUsage + image.size() + (16u << 20));
}

}  // namespace
