// DAT_PALETTE8 answers with the colour table the native image of the same scan
// carries, for the images that have one.
#include <gtest/gtest.h>

#include "tests/unit/engine_fixture.h"

namespace {

class PaletteTest : public EngineTest {};

TEST_F(PaletteTest, PaletteIsTheNativeImagesColourTable) {
    struct Case {
        const char* name;
        int bits;
        Composition composition;
        TW_UINT16 result, numColors, paletteType;
    };
    for (const Case& c : {Case{"palette 8", 8, Composition::PaletteColour, TWRC_SUCCESS, 256, 0},
                          Case{"palette 4", 4, Composition::PaletteColour, TWRC_SUCCESS, 16, 0},
                          Case{"grey 8", 8, Composition::Greyscale, TWRC_SUCCESS, 256, 1},
                          Case{"grey 16", 16, Composition::Greyscale, TWRC_FAILURE, 0, 0},
                          Case{"bilevel", 1, Composition::Bilevel, TWRC_FAILURE, 0, 0},
                          Case{"rgb", 24, Composition::RgbColour, TWRC_FAILURE, 0, 0}}) {
        SCOPED_TRACE(c.name);
        UseScanner("QD120");
        SetWindow(100, 100, 1, 0, 32, 2, c.bits, c.composition, WindowFromDepth(c.bits));
        OpenAndEnable();
        for (TW_UINT16 msg : {TW_UINT16{MSG_GET}, TW_UINT16{MSG_GETDEFAULT}}) {
            TW_PALETTE8 palette = {};
            ASSERT_EQ(c.result, Call(DG_IMAGE, DAT_PALETTE8, msg, &palette));
            if (c.result == TWRC_FAILURE) {
                EXPECT_EQ(TWCC_BADPROTOCOL, Status());
                continue;
            }
            EXPECT_EQ(c.numColors, palette.NumColors);
            EXPECT_EQ(c.paletteType, palette.PaletteType);
            DibImage image;
            ASSERT_EQ(TWRC_XFERDONE, NativeTransfer(&image));
            ASSERT_EQ(c.numColors, image.ColourTable.size());
            for (TW_UINT16 i = 0; i < palette.NumColors; ++i) {
                const TW_ELEMENT8& entry = palette.Colors[i];
                const RGBQUAD& colour = image.ColourTable[i];
                EXPECT_EQ(i, entry.Index);
                EXPECT_EQ(colour.rgbRed, entry.Channel1) << i;
                EXPECT_EQ(colour.rgbGreen, entry.Channel2) << i;
                EXPECT_EQ(colour.rgbBlue, entry.Channel3) << i;
            }
            break;  // one transfer per acquisition
        }
    }
}

TEST_F(PaletteTest, PaletteCannotBeSetOrAskedBeforeTheOpen) {
    TW_PALETTE8 palette = {};
    EXPECT_EQ(TWRC_FAILURE, Call(DG_IMAGE, DAT_PALETTE8, MSG_GET, &palette));
    Open();
    for (TW_UINT16 msg : {TW_UINT16{MSG_SET}, TW_UINT16{MSG_RESET}, TW_UINT16{MSG_GETCURRENT}}) {
        EXPECT_EQ(TWRC_FAILURE, Call(DG_IMAGE, DAT_PALETTE8, msg, &palette)) << msg;
        EXPECT_EQ(TWCC_BADPROTOCOL, Status()) << msg;
    }
}

}  // namespace
