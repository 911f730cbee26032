// Sheets of any length: with automatic length detection a TWAIN 2 application's
// image ends where the simulated scanner's sheet ends (TARNSCAN_SHEET_LENGTH), or at
// the frame's length if that comes first. The rows delivered are the first rows of
// the same window scanned without it.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "source/twain_source.h"
#include "tests/support/twain2_manager.h"
#include "tests/unit/engine_fixture.h"
#include "twain/fix32.h"

namespace {

constexpr int Width = 100, FrameRows = 400;  // 1 x 4 inches of grey at 100 dpi

struct Case {
    const char* name;
    const char* sheet;  // inches
    bool automatic, undefined;
    TW_UINT16 mechanism;
    int32_t lengthBefore;  // DAT_IMAGEINFO in state 6
    TW_UINT16 result;      // of the transfer
    int32_t rows;          // delivered, and told by DAT_IMAGEINFO and the frame afterwards
};

class SheetLengthTest : public EngineTest {
protected:
    void OpenWithSheet(const Case& c) {
        sheet_.reset();  // what it restores must not undo the new length
        sheet_ = std::make_unique<ScopedEnvironment>("TARNSCAN_SHEET_LENGTH", c.sheet);
        UseScanner("QD120");
        App = FakeTwain2Manager::Twain2Application(5);
        Open();
        NegotiateWindow(100, 100, 1, 0, Width, FrameRows, 8, Composition::Greyscale);
        ASSERT_EQ(TWRC_SUCCESS, SetCapability(ICAP_XFERMECH, TWTY_UINT16, c.mechanism));
        ASSERT_EQ(TWRC_SUCCESS,
                  SetCapability(ICAP_AUTOMATICLENGTHDETECTION, TWTY_BOOL, c.automatic));
        ASSERT_EQ(TWRC_SUCCESS, SetCapability(ICAP_UNDEFINEDIMAGESIZE, TWTY_BOOL, c.undefined));
        Enable();
    }
    // The image's rows, top row first, and the last call's result.
    TW_UINT16 Transfer(TW_UINT16 mechanism, std::vector<uint8_t>& pixels, int32_t& rows) {
        if (mechanism == TWSX_NATIVE) {
            DibImage image;
            const TW_UINT16 result = NativeTransfer(&image);
            rows = image.Header.biHeight;
            for (int32_t row = rows - 1; row >= 0; --row)  // bottom-up, stride 100
                pixels.insert(pixels.end(), image.Pixels.begin() + row * Width,
                              image.Pixels.begin() + (row + 1) * Width);
            return result;
        }
        // Ten rows a block: the blocks before the last say there is more.
        const std::vector<MemoryBlock> blocks = MemoryTransfer(10 * Width);
        rows = 0;
        for (size_t i = 0; i < blocks.size(); ++i) {
            EXPECT_EQ(i + 1 < blocks.size() ? TWRC_SUCCESS : blocks.back().Result,
                      blocks[i].Result);
            EXPECT_EQ(static_cast<TW_UINT32>(rows), blocks[i].Record.YOffset);
            rows += blocks[i].Record.Rows;
            pixels.insert(pixels.end(), blocks[i].Bytes.begin(), blocks[i].Bytes.end());
        }
        return blocks.back().Result;
    }

private:
    std::unique_ptr<ScopedEnvironment> sheet_;
};

TEST_F(SheetLengthTest, TheImageEndsWhereTheSheetEnds) {
    // The whole frame of the chart, the sheet never ending within it.
    const Case whole = {"", "100", false, false, TWSX_MEMORY, FrameRows, TWRC_XFERDONE, FrameRows};
    OpenWithSheet(whole);
    std::vector<uint8_t> chart;
    int32_t rows = 0;
    ASSERT_EQ(TWRC_XFERDONE, Transfer(TWSX_MEMORY, chart, rows));

    const Case cases[] = {
        {"memory, length undefined", "2.5", true, true, TWSX_MEMORY, -1, TWRC_XFERDONE, 250},
        {"memory, length told", "2.5", true, false, TWSX_MEMORY, FrameRows, TWRC_XFERDONE, 250},
        {"native", "2.55", true, true, TWSX_NATIVE, FrameRows, TWRC_XFERDONE, 255},
        {"a sheet longer than the frame", "9", true, true, TWSX_MEMORY, -1, TWRC_XFERDONE,
         FrameRows},
        {"no row, memory", "0.001", true, true, TWSX_MEMORY, -1, TWRC_FAILURE, 0},
        {"no row, native", "0.001", true, false, TWSX_NATIVE, FrameRows, TWRC_FAILURE, 0},
        // Without detection the device's early end leaves zero rows, as it always did.
        {"without detection", "2.5", false, true, TWSX_MEMORY, FrameRows, TWRC_XFERDONE, FrameRows},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OpenWithSheet(c);
        EXPECT_EQ(c.lengthBefore, ImageInfo().ImageLength);
        std::vector<uint8_t> pixels;
        ASSERT_EQ(c.result, Transfer(c.mechanism, pixels, rows));
        if (c.result == TWRC_FAILURE) {
            EXPECT_EQ(TWCC_NOMEDIA, Status());
            EXPECT_EQ(TwainState::TransferReady, Source().Session().State()) << "nothing lost";
            continue;
        }
        EXPECT_EQ(c.rows, rows);
        const size_t scanned = c.automatic ? pixels.size() : size_t{250} * Width;
        EXPECT_TRUE(std::equal(pixels.begin(), pixels.begin() + scanned, chart.begin()));
        EXPECT_EQ(std::vector<uint8_t>(pixels.size() - scanned, 0),
                  std::vector<uint8_t>(pixels.begin() + scanned, pixels.end()));
        // Afterwards (state 7) the image is the length scanned.
        TW_IMAGEINFO info = {};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
        EXPECT_EQ(c.rows, info.ImageLength);
        TW_IMAGELAYOUT layout = {};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &layout));
        EXPECT_NEAR(c.rows / 100.0, Fix32ToDouble(layout.Frame.Bottom), 1e-4);
    }
}

}  // namespace
