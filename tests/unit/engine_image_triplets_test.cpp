// DAT_IMAGEINFO and DAT_IMAGELAYOUT: what they report and set, and in which states.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/tone_tables.h"
#include "source/twain_source.h"
#include "tests/unit/engine_fixture.h"
#include "twain/fix32.h"

namespace {

class ImageTripletTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        UseScanner("QD120");
    }

    TW_UINT16 Info(TW_IMAGEINFO& info) { return Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info); }
    TW_UINT16 Layout(TW_UINT16 msg, TW_IMAGELAYOUT& layout) {
        return Call(DG_IMAGE, DAT_IMAGELAYOUT, msg, &layout);
    }

    // The frame's size as DAT_IMAGELAYOUT MSG_GET reports it: `width` x `length` pixels.
    void ExpectFrameSize(int width, int length, int xResolution, int yResolution) {
        TW_IMAGELAYOUT layout = {};
        ASSERT_EQ(TWRC_SUCCESS, Layout(MSG_GET, layout));
        EXPECT_EQ(Fix32Item(FloatToFix32(static_cast<double>(width) / xResolution)),
                  Fix32Item(layout.Frame.Right));
        EXPECT_EQ(Fix32Item(FloatToFix32(static_cast<double>(length) / yResolution)),
                  Fix32Item(layout.Frame.Bottom));
    }

    // The window the device is given when the next scan starts (one memory block).
    std::map<std::string, std::string> DeviceWindow() {
        Enable();
        EXPECT_NE(TWRC_FAILURE, TakeMemoryBlock(65536));
        return LogFields(LogCalls("SetWindow").at(0));
    }

    static TW_FIX32 Whole(int value) {
        TW_FIX32 fix = {static_cast<TW_INT16>(value), 0};
        return fix;
    }
};

}  // namespace

TEST_F(ImageTripletTest, ImageInfoDescribesEachComposition) {
    const WindowFrom Asked = WindowFrom::Negotiation, FromStore = WindowFrom::StoredSettings;
    const Composition Unknown = static_cast<Composition>(7);  // none the source knows
    struct Case {
        Composition composition;
        int bits;
        WindowFrom from;  // 16-bit grey, 8-bit RGB and Unknown only from the stored settings
        TW_INT16 pixelType, samples, bitsPerPixel;
    };
    for (const Case& c : {Case{Composition::Bilevel, 1, Asked, TWPT_BW, 1, 1},
                          Case{Composition::Greyscale, 8, Asked, TWPT_GRAY, 1, 8},
                          Case{Composition::Greyscale, 16, FromStore, TWPT_GRAY, 1, 16},
                          Case{Composition::PaletteColour, 4, Asked, TWPT_PALETTE, 1, 4},
                          Case{Composition::PaletteColour, 8, Asked, TWPT_PALETTE, 1, 8},
                          Case{Composition::RgbColour, 24, Asked, TWPT_RGB, 3, 24},
                          Case{Composition::RgbColour, 8, FromStore, TWPT_RGB, 3, 24},
                          Case{Unknown, 8, FromStore, TWPT_BW, 1, 8}}) {
        SCOPED_TRACE(::testing::Message() << "composition " << static_cast<int>(c.composition)
                                          << ", " << c.bits << " bits");
        Reload();
        SetWindow(300, 150, 0, 0, 1234, 567, c.bits, c.composition, c.from);
        OpenAndEnable();
        TW_IMAGEINFO info;
        std::memset(&info, 0x77, sizeof info);
        ASSERT_EQ(TWRC_SUCCESS, Info(info));
        EXPECT_EQ(300, info.XResolution.Whole);
        EXPECT_EQ(0, info.XResolution.Frac);
        EXPECT_EQ(150, info.YResolution.Whole);
        EXPECT_EQ(1234, info.ImageWidth);
        EXPECT_EQ(567, info.ImageLength);
        EXPECT_EQ(c.pixelType, info.PixelType);
        EXPECT_EQ(c.samples, info.SamplesPerPixel);
        EXPECT_EQ(c.bitsPerPixel, info.BitsPerPixel);
        for (int s = 0; s < c.samples; ++s)
            EXPECT_EQ(c.samples == 3 ? 8 : c.bits, info.BitsPerSample[s]);
        EXPECT_EQ(0x7777, static_cast<uint16_t>(info.BitsPerSample[c.samples]))
            << "entries past the samples untouched";
        EXPECT_EQ(FALSE, info.Planar);
        EXPECT_EQ(TWCP_NONE, info.Compression);
        EXPECT_EQ(TwainState::TransferReady, Source().Session().State());
    }
}

TEST_F(ImageTripletTest, ImageInfoOnlyInStateSix) {
    TW_IMAGEINFO info = {};
    for (TwainState state : {TwainState::Open, TwainState::Enabled, TwainState::Transferring}) {
        Reload();
        EnterState(state);
        EXPECT_EQ(TWRC_FAILURE, Info(info)) << state;
        EXPECT_EQ(TWCC_SEQERROR, Status()) << state;
        EXPECT_EQ(state, Source().Session().State());
    }
}

TEST_F(ImageTripletTest, LayoutSetTakesTheFrameInWholePixelsAndEchoesIt) {
    SetWindow(400, 300, 7, 9, 800, 800, 24, Composition::RgbColour);
    Open();
    TW_IMAGELAYOUT layout = {};
    layout.Frame = {Whole(0), Whole(0), Whole(8), Whole(10)};
    layout.Frame.Right.Frac = 0x8000;  // 8.5 inches: the fraction counts
    layout.DocumentNumber = 4;
    layout.PageNumber = 5;
    layout.FrameNumber = 6;
    ASSERT_EQ(TWRC_SUCCESS, Layout(MSG_SET, layout));
    ExpectFrameSize(3400, 3000, 400, 300);
    EXPECT_EQ(8.5, Fix32ToDouble(layout.Frame.Right));
    EXPECT_EQ(10.0, Fix32ToDouble(layout.Frame.Bottom));
    EXPECT_EQ(0.0, Fix32ToDouble(layout.Frame.Left));
    EXPECT_EQ(0.0, Fix32ToDouble(layout.Frame.Top));
    EXPECT_EQ(4u, layout.DocumentNumber);
    EXPECT_EQ(5u, layout.PageNumber);
    EXPECT_EQ(6u, layout.FrameNumber);

    // A frame that does not start at 0 counts its size only.
    layout.Frame = {Whole(2), Whole(1), Whole(5), Whole(3)};
    ASSERT_EQ(TWRC_SUCCESS, Layout(MSG_SET, layout));
    EXPECT_EQ(3.0, Fix32ToDouble(layout.Frame.Right));
    EXPECT_EQ(2.0, Fix32ToDouble(layout.Frame.Bottom));
    // Left and top leave the offsets alone.
    const std::map<std::string, std::string> window = DeviceWindow();
    EXPECT_EQ("1200", window.at("ScanWidth"));
    EXPECT_EQ("600", window.at("ScanLength"));
    EXPECT_EQ("7", window.at("XOffset"));
    EXPECT_EQ("9", window.at("YOffset"));
}

TEST_F(ImageTripletTest, LayoutSetRefusesSizesBelowOneAndThoseWithoutA32BitValue) {
    struct Case {
        int xResolution;  // a bad stored setting for the last two
        TW_FRAME frame;
    };
    for (const Case& c : {Case{400, {Whole(3), Whole(0), Whole(3), Whole(2)}},
                          Case{-300, {Whole(0), Whole(0), Whole(2), Whole(2)}},
                          Case{100000, {Whole(-32768), Whole(0), Whole(32767), Whole(2)}}}) {
        SCOPED_TRACE(::testing::Message() << "at " << c.xResolution << " dpi");
        Reload();
        SetWindow(c.xResolution, 400, 0, 0, 11, 12, 24, Composition::RgbColour,
                  c.xResolution == 400 ? WindowFrom::Negotiation : WindowFrom::StoredSettings);
        Open();
        TW_IMAGELAYOUT layout = {};
        layout.Frame = c.frame;
        EXPECT_EQ(TWRC_FAILURE, Layout(MSG_SET, layout));
        EXPECT_EQ(TWCC_BADVALUE, Status());
        // A refused frame changes nothing.
        ExpectFrameSize(11, 12, c.xResolution, 400);
    }
}

TEST_F(ImageTripletTest, LayoutGetReportsTheFrameInInches) {
    SetWindow(400, 0, 0, 0, 15750, 800, 24, Composition::RgbColour, WindowFrom::StoredSettings);
    Open();
    TW_IMAGELAYOUT layout;
    std::memset(&layout, 0x55, sizeof layout);
    ASSERT_EQ(TWRC_SUCCESS, Layout(MSG_GET, layout));
    EXPECT_EQ(39, layout.Frame.Right.Whole);
    EXPECT_EQ(FloatToFix32(15750.0 / 400).Frac, layout.Frame.Right.Frac);
    EXPECT_EQ(0.0, Fix32ToDouble(layout.Frame.Bottom)) << "no resolution, no inches";
    EXPECT_EQ(0.0, Fix32ToDouble(layout.Frame.Left));
    EXPECT_EQ(1u, layout.DocumentNumber);
    EXPECT_EQ(1u, layout.PageNumber);
    EXPECT_EQ(1u, layout.FrameNumber);

    std::memset(&layout, 0x55, sizeof layout);
    ASSERT_EQ(TWRC_SUCCESS, Layout(MSG_GETDEFAULT, layout));
    EXPECT_EQ(0.0, Fix32ToDouble(layout.Frame.Right));
    EXPECT_EQ(0.0, Fix32ToDouble(layout.Frame.Bottom));
    EXPECT_EQ(1u, layout.FrameNumber);
}

TEST_F(ImageTripletTest, LayoutResetClearsTheWholeWindow) {
    Stored.Gamma = 2.2f;
    SetWindow(300, 300, 7, 9, 100, 100, 8, Composition::Greyscale);
    Open();
    TW_IMAGELAYOUT layout = {};
    ASSERT_EQ(TWRC_SUCCESS, Layout(MSG_RESET, layout));
    // Negotiated again, the resolutions, RGB and a frame of one inch; every other
    // field of the window stays zero, and the gamma after the window stays.
    ASSERT_EQ(TWRC_SUCCESS, SetCapability(ICAP_XRESOLUTION, TWTY_UINT16, 100));
    ASSERT_EQ(TWRC_SUCCESS, SetCapability(ICAP_YRESOLUTION, TWTY_UINT16, 100));
    ASSERT_EQ(TWRC_SUCCESS, SetCapability(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_RGB));
    layout.Frame = {Whole(0), Whole(0), Whole(1), Whole(1)};
    ASSERT_EQ(TWRC_SUCCESS, Layout(MSG_SET, layout));
    std::map<std::string, std::string> window = DeviceWindow();
    const std::string rgb = std::to_string(static_cast<int>(Composition::RgbColour));
    const std::map<std::string, std::string> negotiated = {
        {"XResolution", "100"}, {"YResolution", "100"},    {"ScanWidth", "100"},
        {"ScanLength", "100"},  {"ImageComposition", rgb}, {"BitsPerPixel", "24"}};
    window.erase("mode");
    window.erase("result");
    EXPECT_EQ(19u, window.size());
    for (const auto& field : window) {
        const auto value = negotiated.find(field.first);
        EXPECT_EQ(value == negotiated.end() ? "0" : value->second, field.second) << field.first;
    }
    std::vector<uint8_t> table(ToneTableLength);
    BuildToneTable(table.data(), 255, 0, 2.2f, ToneTableLength);
    EXPECT_EQ(Fnv1a64(table.data(), table.size()),
              LogFields(LogCalls("LoadTrcTable").at(0))["fnv1a64"]);
}

TEST_F(ImageTripletTest, LayoutMessagesInTheirStates) {
    struct Case {
        TW_UINT16 msg;
        TwainState state;
        TW_UINT16 result, condition;
    };
    for (const Case& c :
         {Case{MSG_GET, TwainState::Transferring, TWRC_FAILURE, TWCC_SEQERROR},
          Case{MSG_GETDEFAULT, TwainState::Transferring, TWRC_FAILURE, TWCC_SEQERROR},
          Case{MSG_GET, TwainState::TransferReady, TWRC_SUCCESS, TWCC_SUCCESS},
          Case{MSG_GETDEFAULT, TwainState::Enabled, TWRC_SUCCESS, TWCC_SUCCESS},
          Case{MSG_SET, TwainState::Enabled, TWRC_FAILURE, TWCC_SEQERROR},
          Case{MSG_SET, TwainState::TransferReady, TWRC_FAILURE, TWCC_SEQERROR},
          Case{MSG_RESET, TwainState::Enabled, TWRC_FAILURE, TWCC_SEQERROR},
          Case{MSG_RESET, TwainState::Transferring, TWRC_FAILURE, TWCC_SEQERROR},
          Case{MSG_GETCURRENT, TwainState::Open, TWRC_FAILURE, TWCC_BADPROTOCOL},
          Case{MSG_GETFIRST, TwainState::TransferReady, TWRC_FAILURE, TWCC_BADPROTOCOL}}) {
        SCOPED_TRACE(::testing::Message() << "message " << c.msg << " in state " << c.state);
        Reload();
        EnterState(c.state);
        TW_IMAGELAYOUT layout = {};
        layout.Frame = {Whole(0), Whole(0), Whole(1), Whole(1)};
        EXPECT_EQ(c.result, Layout(c.msg, layout));
        EXPECT_EQ(c.condition, Status());
        EXPECT_EQ(c.state, Source().Session().State());
        if (c.result == TWRC_FAILURE) {
            // The built-in window, 800 x 800 pixels at 400 dpi, is as it was.
            TW_PENDINGXFERS pending = {};
            if (c.state == TwainState::Transferring) {
                ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
            }
            ExpectFrameSize(800, 800, 400, 400);
        }
    }
}

TEST_F(ImageTripletTest, OtherImageDataArgumentTypesAreRefused) {
    OpenAndEnable();
    char record[64] = {};
    for (TW_UINT16 dat :
         {TW_UINT16{DAT_IMAGEFILEXFER}, TW_UINT16{0x0106}, TW_UINT16{0x0109}, TW_UINT16{0x0001}}) {
        EXPECT_EQ(TWRC_FAILURE, Call(DG_IMAGE, dat, MSG_GET, record)) << dat;
        EXPECT_EQ(TWCC_BADPROTOCOL, Status()) << dat;
    }
    EXPECT_EQ(TwainState::TransferReady, Source().Session().State());
}
