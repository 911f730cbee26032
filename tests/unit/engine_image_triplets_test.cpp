// DAT_IMAGEINFO and DAT_IMAGELAYOUT: what they report and set, and in which states.
#include <gtest/gtest.h>

#include <cstring>

#include "source/twain_source.h"
#include "tests/support/source_fixture.h"
#include "twain/fix32.h"

namespace {

class ImageTripletTest : public SourceTest {
protected:
    TW_UINT16 Info(TW_IMAGEINFO& info) { return Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info); }
    TW_UINT16 Layout(TW_UINT16 msg, TW_IMAGELAYOUT& layout) {
        return Call(DG_IMAGE, DAT_IMAGELAYOUT, msg, &layout);
    }

    static TW_FIX32 Whole(int value) {
        TW_FIX32 fix = {static_cast<TW_INT16>(value), 0};
        return fix;
    }
};

}  // namespace

TEST_F(ImageTripletTest, ImageInfoDescribesEachComposition) {
    OpenAndEnable();
    ASSERT_EQ(StateTransferReady, Source().Session.State());
    struct Case {
        int composition, bits;
        TW_INT16 pixelType, samples, bitsPerPixel;
    };
    for (const Case& c :
         {Case{0, 1, TWPT_BW, 1, 1}, Case{2, 8, TWPT_GRAY, 1, 8}, Case{2, 16, TWPT_GRAY, 1, 16},
          Case{3, 4, TWPT_PALETTE, 1, 4}, Case{3, 8, TWPT_PALETTE, 1, 8},
          Case{5, 24, TWPT_RGB, 3, 24}, Case{5, 8, TWPT_RGB, 3, 24}, Case{7, 8, TWPT_BW, 1, 8}}) {
        SCOPED_TRACE(::testing::Message()
                     << "composition " << c.composition << ", " << c.bits << " bits");
        ScanSettings& settings = Source().Settings;
        settings.ImageComposition = c.composition;
        settings.BitsPerPixel = c.bits;
        settings.XResolution = 300;
        settings.YResolution = 150;
        settings.ScanWidth = 1234;
        settings.ScanLength = 567;
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
    }
    EXPECT_EQ(StateTransferReady, Source().Session.State());
}

TEST_F(ImageTripletTest, ImageInfoOnlyInStateSix) {
    TW_IMAGEINFO info = {};
    Open();
    for (int32_t state : {StateOpen, StateEnabled, StateTransferring}) {
        Source().Session.MoveTo(state);
        EXPECT_EQ(TWRC_FAILURE, Info(info)) << state;
        EXPECT_EQ(TWCC_SEQERROR, Status()) << state;
        EXPECT_EQ(state, Source().Session.State());
    }
}

TEST_F(ImageTripletTest, LayoutSetTakesTheFrameInWholePixelsAndEchoesIt) {
    Open();
    ScanSettings& settings = Source().Settings;
    settings.XResolution = 400;
    settings.YResolution = 300;
    settings.XOffset = 7;
    settings.YOffset = 9;
    TW_IMAGELAYOUT layout = {};
    layout.Frame = {Whole(0), Whole(0), Whole(8), Whole(10)};
    layout.Frame.Right.Frac = 0x8000;  // 8.5 inches: the fraction counts
    layout.DocumentNumber = 4;
    layout.PageNumber = 5;
    layout.FrameNumber = 6;
    ASSERT_EQ(TWRC_SUCCESS, Layout(MSG_SET, layout));
    EXPECT_EQ(3400, settings.ScanWidth);
    EXPECT_EQ(3000, settings.ScanLength);
    EXPECT_EQ(7, settings.XOffset) << "left and top leave the offsets alone";
    EXPECT_EQ(9, settings.YOffset);
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
    EXPECT_EQ(1200, settings.ScanWidth);
    EXPECT_EQ(600, settings.ScanLength);
    EXPECT_EQ(3.0, Fix32ToDouble(layout.Frame.Right));
    EXPECT_EQ(2.0, Fix32ToDouble(layout.Frame.Bottom));
}

TEST_F(ImageTripletTest, LayoutSetRefusesSizesBelowOneAndThoseWithoutA32BitValue) {
    Open();
    ScanSettings& settings = Source().Settings;
    settings.XResolution = 400;
    settings.YResolution = 400;
    settings.ScanWidth = 11;
    settings.ScanLength = 12;
    TW_IMAGELAYOUT layout = {};
    layout.Frame = {Whole(3), Whole(0), Whole(3), Whole(2)};
    EXPECT_EQ(TWRC_FAILURE, Layout(MSG_SET, layout));
    EXPECT_EQ(TWCC_BADVALUE, Status());
    EXPECT_EQ(11, settings.ScanWidth) << "a refused frame changes nothing";
    EXPECT_EQ(12, settings.ScanLength);

    settings.XResolution = -300;  // from a bad stored setting
    layout.Frame = {Whole(0), Whole(0), Whole(2), Whole(2)};
    EXPECT_EQ(TWRC_FAILURE, Layout(MSG_SET, layout));
    EXPECT_EQ(TWCC_BADVALUE, Status());
    EXPECT_EQ(11, settings.ScanWidth);

    settings.XResolution = 100000;
    layout.Frame = {Whole(-32768), Whole(0), Whole(32767), Whole(2)};
    EXPECT_EQ(TWRC_FAILURE, Layout(MSG_SET, layout));
    EXPECT_EQ(TWCC_BADVALUE, Status());
    EXPECT_EQ(11, settings.ScanWidth) << "a width with no 32-bit value is not stored";
    EXPECT_EQ(12, settings.ScanLength);
}

TEST_F(ImageTripletTest, LayoutGetReportsTheFrameInInches) {
    Open();
    ScanSettings& settings = Source().Settings;
    settings.XResolution = 400;
    settings.YResolution = 0;
    settings.ScanWidth = 15750;
    settings.ScanLength = 800;
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
    Open();
    TW_IMAGELAYOUT layout = {};
    ASSERT_EQ(TWRC_SUCCESS, Layout(MSG_RESET, layout));
    const ScanSettings& settings = Source().Settings;
    const WindowDescriptorType& window = settings.Window();
    const int32_t* field = &window.XResolution;
    for (int i = 0; i < 19; ++i)
        EXPECT_EQ(0, field[i]) << "field " << i;
    EXPECT_EQ(1.0f, settings.Gamma) << "the members after the window stay";
}

TEST_F(ImageTripletTest, LayoutMessagesInTheirStates) {
    Open();
    struct Case {
        TW_UINT16 msg;
        int32_t state;
        TW_UINT16 result, condition;
    };
    for (const Case& c : {Case{MSG_GET, StateTransferring, TWRC_FAILURE, TWCC_SEQERROR},
                          Case{MSG_GETDEFAULT, StateTransferring, TWRC_FAILURE, TWCC_SEQERROR},
                          Case{MSG_GET, StateTransferReady, TWRC_SUCCESS, TWCC_SUCCESS},
                          Case{MSG_GETDEFAULT, StateEnabled, TWRC_SUCCESS, TWCC_SUCCESS},
                          Case{MSG_SET, StateEnabled, TWRC_FAILURE, TWCC_SEQERROR},
                          Case{MSG_SET, StateTransferReady, TWRC_FAILURE, TWCC_SEQERROR},
                          Case{MSG_RESET, StateEnabled, TWRC_FAILURE, TWCC_SEQERROR},
                          Case{MSG_RESET, StateTransferring, TWRC_FAILURE, TWCC_SEQERROR},
                          Case{MSG_GETCURRENT, StateOpen, TWRC_FAILURE, TWCC_BADPROTOCOL},
                          Case{MSG_GETFIRST, StateTransferReady, TWRC_FAILURE, TWCC_BADPROTOCOL}}) {
        SCOPED_TRACE(::testing::Message() << "message " << c.msg << " in state " << c.state);
        Source().Session.MoveTo(c.state);
        Source().Settings.ScanWidth = 800;
        TW_IMAGELAYOUT layout = {};
        layout.Frame = {Whole(0), Whole(0), Whole(1), Whole(1)};
        EXPECT_EQ(c.result, Layout(c.msg, layout));
        EXPECT_EQ(c.condition, Status());
        EXPECT_EQ(c.state, Source().Session.State());
        if (c.result == TWRC_FAILURE) {
            EXPECT_EQ(800, Source().Settings.ScanWidth);
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
    EXPECT_EQ(StateTransferReady, Source().Session.State());
}
