// The native transfer: the DIB's header, colour table, stride, bottom-up order and
// BGR, every pixel computed from a small paper with the imaging model; early end,
// retries, a stuck device, and the clean-up of every failure.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/dib_builder.h"
#include "engine/models.h"
#include "engine/scan_job.h"
#include "source/twain_source.h"
#include "tests/unit/engine_fixture.h"
#include "twain/fix32.h"

namespace {

class NativeTransferTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        LiveGlobalMemory::Install();
        paper_ = MakePaper(60, 40, 100);
    }

    // The application's window; the device gets it unchanged (no interpolation).
    ModelWindow Plain(int resolution, int xOffset, int yOffset, int width, int length, int bits,
                      Composition composition, WindowFrom from = WindowFrom::Negotiation) {
        SetWindow(resolution, resolution, xOffset, yOffset, width, length, bits, composition, from);
        ModelWindow model;
        model.XResolution = model.YResolution = resolution;
        model.XOffset = xOffset;
        model.YOffset = yOffset;
        model.DeviceWidth = model.OutputWidth = width;
        model.Length = length;
        model.BitsPerPixel = bits;
        model.ImageComposition = composition;
        return model;
    }

    // xDpi: the image's horizontal resolution when the device scanned at another
    // and widened the lines.
    void ExpectImage(const DibImage& image, const ModelWindow& model, int xDpi = 0) {
        const uint32_t lineBytes = LineBytes(model.OutputWidth, model.BitsPerPixel);
        const uint32_t stride =
            (static_cast<uint32_t>(model.OutputWidth) * model.BitsPerPixel + 31) / 32 * 4;
        EXPECT_EQ(40u, image.Header.biSize);
        EXPECT_EQ(model.OutputWidth, image.Header.biWidth);
        EXPECT_EQ(model.Length, image.Header.biHeight);
        EXPECT_EQ(1, image.Header.biPlanes);
        EXPECT_EQ(model.BitsPerPixel, image.Header.biBitCount);
        EXPECT_EQ(static_cast<DWORD>(BI_RGB), image.Header.biCompression);
        EXPECT_EQ(stride * static_cast<uint32_t>(model.Length), image.Header.biSizeImage);
        // The resolution in pixels per metre: 100 dpi is 3937, 600 dpi 23622.
        const auto perMetre = [](int dpi) { return static_cast<LONG>(dpi / 0.0254 + 0.5); };
        EXPECT_EQ(perMetre(xDpi ? xDpi : model.XResolution), image.Header.biXPelsPerMeter);
        EXPECT_EQ(perMetre(model.YResolution), image.Header.biYPelsPerMeter);
        EXPECT_EQ(0u, image.Header.biClrUsed);
        EXPECT_EQ(0u, image.Header.biClrImportant);
        const size_t imageBytes = static_cast<size_t>(stride) * model.Length;
        ASSERT_GE(image.Pixels.size(), imageBytes);
        const std::vector<uint8_t> expected = ExpectedDibPixels(
            ExpectedStream(paper_, model), lineBytes, model.Length, model.BitsPerPixel);
        ASSERT_EQ(expected.size(), imageBytes);
        const std::vector<uint8_t> actual(image.Pixels.begin(), image.Pixels.begin() + imageBytes);
        EXPECT_EQ(expected, actual);
    }

    TestPaper paper_;
};

}  // namespace

TEST_F(NativeTransferTest, EveryPixelTypeDeliversTheImagingModelsBytes) {
    struct Case {
        const char* name;
        int bits;
        Composition composition;
        int threshold, resolution, width;
    };
    for (const Case& c : {Case{"rgb", 24, Composition::RgbColour, 128, 100, 37},
                          Case{"rgb 2x", 24, Composition::RgbColour, 128, 200, 50},
                          Case{"rgb at 500 dpi, above native but not interpolated", 24,
                               Composition::RgbColour, 128, 500, 41},
                          Case{"grey", 8, Composition::Greyscale, 128, 100, 37},
                          Case{"grey 3x", 8, Composition::Greyscale, 128, 300, 41},
                          Case{"16-bit grey", 16, Composition::Greyscale, 128, 100, 37},
                          Case{"bilevel", 1, Composition::Bilevel, 128, 100, 45},
                          Case{"bilevel adaptive", 1, Composition::Bilevel, 0, 100, 45},
                          Case{"16 colours", 4, Composition::PaletteColour, 128, 100, 37},
                          Case{"256 colours", 8, Composition::PaletteColour, 128, 100, 37},
                          Case{"rgb centred", 24, Composition::RgbColour, 128, 100, 0}}) {
        SCOPED_TRACE(c.name);
        UseScanner("QD120", &paper_);
        const int width = c.width == 0 ? 20 : c.width;
        Stored.InitialThreshold = 90;
        ModelWindow model = Plain(c.resolution, c.width == 0 ? 0 : 3, 2, width, 23, c.bits,
                                  c.composition, WindowFromDepth(c.bits));
        Open();
        ASSERT_EQ(TWRC_SUCCESS,
                  SetCapability(ICAP_THRESHOLD, TWTY_FIX32, Fix32Item(c.threshold, 0)));
        model.Threshold = c.threshold;
        model.InitialThreshold = 90;
        Enable();
        DibImage image;
        ASSERT_EQ(TWRC_XFERDONE, NativeTransfer(&image));
        ExpectImage(image, model);
        // The colour table the DIB carries is the fixed palette of its depth (whose
        // values the colour-table tests check).
        std::vector<RGBQUAD> palette(ColourTableEntries(c.bits));
        WriteColourTable(palette.data(), c.bits, c.composition);
        ASSERT_EQ(palette.size(), image.ColourTable.size());
        EXPECT_EQ(0, std::memcmp(palette.data(), image.ColourTable.data(),
                                 palette.size() * sizeof(RGBQUAD)));
        EXPECT_EQ(TwainState::TransferReady, Source().Session().State());
        EXPECT_EQ(0, LiveGlobalMemory::Live) << "only the DIB, which the application freed";
    }
}

TEST_F(NativeTransferTest, WidthsThatAreNotAMultipleOfFourBytesGetTheStandardStride) {
    // 24 bits at 1002 pixels: 3006 bytes a line, 3008 a DIB row (not the 3012 of a
    // multiple of 12); 1 bit at 100 pixels: 13 bytes, 16 a row.
    struct Case {
        int bits;
        Composition composition;
        int width;
        uint32_t stride;
    };
    for (const Case& c :
         {Case{24, Composition::RgbColour, 1002, 3008}, Case{1, Composition::Bilevel, 100, 16},
          Case{4, Composition::PaletteColour, 9, 8}, Case{16, Composition::Greyscale, 3, 8}}) {
        UseScanner("QD120", &paper_);
        ModelWindow model =
            Plain(100, 1, 0, c.width, 5, c.bits, c.composition, WindowFromDepth(c.bits));
        OpenAndEnable();
        DibImage image;
        ASSERT_EQ(TWRC_XFERDONE, NativeTransfer(&image));
        EXPECT_EQ(c.stride * 5, image.Pixels.size()) << c.bits << " bits";
        ExpectImage(image, model);
    }
}

TEST_F(NativeTransferTest, InterpolatedRgbAtEachRatio) {
    // The widening follows XResolution; the interpolation test, YResolution.
    struct Case {
        const char* model;
        int resolution, yResolution, width, offset;
    };
    for (const Case& c : {Case{"QA1220", 600, 600, 100, 9}, Case{"QA1220", 800, 800, 101, 9},
                          Case{"QD140+", 600, 600, 70, 4}, Case{"QA1200", 300, 300, 50, 3},
                          Case{"QA1200", 400, 400, 51, 3}, Case{"QA1220", 800, 600, 101, 9},
                          Case{"QA1220", 400, 800, 100, 9}}) {
        SCOPED_TRACE(::testing::Message()
                     << c.model << " at " << c.resolution << "x" << c.yResolution);
        UseScanner(c.model, &paper_);
        SetWindow(c.resolution, c.yResolution, c.offset, 1, c.width, 9, 24, Composition::RgbColour);
        OpenAndEnable();
        DibImage image;
        ASSERT_EQ(TWRC_XFERDONE, NativeTransfer(&image));
        const int native = NativeResolution(Source().ModelCode());
        const bool threeHalves = c.resolution * 10 / native < 19;
        ModelWindow model;
        model.OutputWidth = threeHalves ? (c.width + 2) / 3 * 3 : (c.width + 1) / 2 * 2;
        model.XResolution = native;
        model.YResolution = c.yResolution;
        model.XOffset = threeHalves ? 2 * c.offset / 3 : c.offset / 2;
        model.YOffset = 1;
        model.DeviceWidth = threeHalves ? 2 * model.OutputWidth / 3 : model.OutputWidth / 2;
        model.Length = 9;
        ExpectImage(image, model, c.resolution);
        const std::map<std::string, std::string> read =
            LogFields(LogCalls("ReadInterpolatedData").at(0));
        EXPECT_EQ(std::to_string(threeHalves ? native * 3 / 2 : native * 2), read.at("target"));
        EXPECT_EQ(std::to_string(native), read.at("native"));
    }
}

TEST_F(NativeTransferTest, RowsLongerThanOneReadArriveWholeInPlace) {
    // 24 bits, 22001 pixels: 66003 bytes a line, read straight into the row in pieces.
    paper_ = MakePaper(2201, 3, 100);
    UseScanner("QC1400", &paper_);
    ModelWindow model = Plain(1000, 1, 0, 22001, 4, 24, Composition::RgbColour);
    Open();
    ASSERT_EQ(TWRC_SUCCESS, SetCapability(ICAP_YRESOLUTION, TWTY_UINT16, 100));
    model.YResolution = 100;
    Enable();
    DibImage image;
    ASSERT_EQ(TWRC_XFERDONE, NativeTransfer(&image));
    ExpectImage(image, model);
    for (const std::string& read : LogCalls("ReadData")) {
        EXPECT_GE(65536, std::stoi(LogFields(read).at("requested"))) << read;
    }
}

TEST_F(NativeTransferTest, ADeviceThatEndsEarlyLeavesZeroRowsAndStateSeven) {
    for (int rowsDelivered : {0, 3, 10}) {
        SCOPED_TRACE(::testing::Message() << rowsDelivered << " rows delivered");
        UseScanner("QD120", &paper_, "end=" + std::to_string(rowsDelivered));
        ModelWindow model = Plain(100, 2, 0, 37, 10, 24, Composition::RgbColour);
        OpenAndEnable();
        DibImage image;
        ASSERT_EQ(TWRC_XFERDONE, NativeTransfer(&image));
        EXPECT_EQ(10, image.Header.biHeight) << "the DIB keeps its height";
        const uint32_t lineBytes = LineBytes(37, 24);
        std::vector<uint8_t> stream = ExpectedStream(paper_, model);
        std::fill(stream.begin() + rowsDelivered * lineBytes, stream.end(), 0);
        EXPECT_EQ(ExpectedDibPixels(stream, lineBytes, 10, 24),
                  std::vector<uint8_t>(image.Pixels.begin(), image.Pixels.begin() + 112 * 10));
        EXPECT_EQ(rowsDelivered < 10 ? TwainState::Transferring : TwainState::TransferReady,
                  Source().Session().State());
        EXPECT_FALSE(LogCalls("StopScan").empty());
        EXPECT_EQ(0, LiveGlobalMemory::Live);
        // MSG_ENDXFER accepts state 7.
        TW_PENDINGXFERS pending = {};
        EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
    }
}

TEST_F(NativeTransferTest, ADeviceNotReadyForAWhileStillDeliversTheWholeImage) {
    for (int retries : {2, 3, 7}) {
        SCOPED_TRACE(::testing::Message() << retries << " reads not ready");
        UseScanner("QD120", &paper_, "retry=" + std::to_string(retries));
        ModelWindow model = Plain(100, 2, 0, 37, 10, 24, Composition::RgbColour);
        OpenAndEnable();
        DibImage image;
        ASSERT_EQ(TWRC_XFERDONE, NativeTransfer(&image));
        ExpectImage(image, model);
        size_t notReady = 0;
        for (const std::string& read : LogCalls("ReadData"))
            notReady += LogFields(read)["result"] == "3";
        EXPECT_EQ(static_cast<size_t>(retries), notReady);
        EXPECT_EQ(TwainState::TransferReady, Source().Session().State());
    }
}

TEST_F(NativeTransferTest, AStuckDeviceFailsWithoutLeakingTheDib) {
    // Through the read buffer, and straight into the rows: 30000 pixels is wider than
    // the scanner, so only the stored settings ask for it.
    for (int width : {37, 30000}) {
        SCOPED_TRACE(::testing::Message() << "width " << width);
        UseScanner("QD120", &paper_, "stuck");
        Plain(100, 2, 0, width, 10, 24, Composition::RgbColour, WindowFrom::StoredSettings);
        OpenAndEnable();
        uintptr_t handle = 0x5EED;
        EXPECT_EQ(TWRC_FAILURE, NativeTransfer(nullptr, &handle));
        EXPECT_EQ(TWCC_OPERATIONERROR, Status());
        EXPECT_EQ(0u, handle);
        EXPECT_EQ(0, LiveGlobalMemory::Live);
        EXPECT_EQ(TwainState::TransferReady, Source().Session().State());
        const size_t reads = LogCalls("ReadData").size();
        EXPECT_LT(static_cast<size_t>(ReadAttempts), reads)
            << "more than one read's attempts before giving up";
        EXPECT_GE(static_cast<size_t>(ReadAttempts * NotReadyRounds), reads) << "but not for ever";
        EXPECT_EQ("StopScan", CallName(LogLines().back()));
    }
}

TEST_F(NativeTransferTest, ADeviceThatStallsMidImageEndsTheImageAtTheRowsPlaced) {
    // Through the read buffer, and straight into the rows: 30000 pixels is wider than
    // the scanner, so only the stored settings ask for it.
    for (int width : {37, 30000}) {
        SCOPED_TRACE(::testing::Message() << "width " << width);
        UseScanner("QD120", &paper_, "stall=4");
        ModelWindow model =
            Plain(100, 2, 0, width, 10, 24, Composition::RgbColour, WindowFrom::StoredSettings);
        OpenAndEnable();
        DibImage image;
        ASSERT_EQ(TWRC_XFERDONE, NativeTransfer(&image));
        EXPECT_EQ(4, image.Header.biHeight) << "the image ends at the rows placed";
        // The rows stand where a DIB of that height expects them: the first device
        // line in the last row.
        const uint32_t lineBytes = LineBytes(width, 24);
        const uint32_t stride = (static_cast<uint32_t>(width) * 24 + 31) / 32 * 4;
        std::vector<uint8_t> stream = ExpectedStream(paper_, model);
        stream.resize(static_cast<size_t>(lineBytes) * 4);
        EXPECT_EQ(ExpectedDibPixels(stream, lineBytes, 4, 24),
                  std::vector<uint8_t>(image.Pixels.begin(), image.Pixels.begin() + stride * 4));
        EXPECT_EQ("StopScan", CallName(LogLines().back()));
        EXPECT_EQ(0, LiveGlobalMemory::Live);
    }
}

TEST_F(NativeTransferTest, AllocationFailuresAreCleanedUp) {
    struct Case {
        int failAllocation, width;
        TW_UINT16 condition;
        bool scanned;
    };
    // 1: the DIB; 2: the read buffer, used for lines shorter than 16 KB.
    for (const Case& c :
         {Case{1, 37, TWCC_LOWMEMORY, false}, Case{2, 37, TWCC_OPERATIONERROR, true}}) {
        SCOPED_TRACE(::testing::Message() << "allocation " << c.failAllocation << " fails");
        UseScanner("QD120", &paper_);
        Plain(100, 2, 0, c.width, 10, 24, Composition::RgbColour);
        OpenAndEnable();
        LiveGlobalMemory::Install(c.failAllocation);
        uintptr_t handle = 0x5EED;
        EXPECT_EQ(TWRC_FAILURE, NativeTransfer(nullptr, &handle));
        EXPECT_EQ(c.condition, Status());
        EXPECT_EQ(0u, handle);
        EXPECT_EQ(0, LiveGlobalMemory::Live);
        EXPECT_EQ(TwainState::TransferReady, Source().Session().State());
        EXPECT_EQ(c.scanned, !LogCalls("StartScan").empty());
        if (c.scanned) {
            EXPECT_EQ("StopScan", CallName(LogLines().back()));
        }
    }
    // A DIB that cannot be locked is freed again.
    UseScanner("QD120", &paper_);
    Plain(100, 2, 0, 37, 10, 24, Composition::RgbColour);
    OpenAndEnable();
    LiveGlobalMemory::Install();
    FailingGlobalMemory::FailLocks();
    uintptr_t handle = 0x5EED;
    EXPECT_EQ(TWRC_FAILURE, NativeTransfer(nullptr, &handle));
    EXPECT_EQ(TWCC_LOWMEMORY, Status());
    EXPECT_EQ(0u, handle);
    EXPECT_EQ(0, LiveGlobalMemory::Live);
}
