// The Scan Parameters dialog shown for settings only (MSG_ENABLEDSUIONLY, TWAIN 2
// applications): it starts from the settings as negotiated, its accepting button
// reads "OK" and keeps the edits with MSG_CLOSEDSOK, Cancel puts the settings back
// with MSG_CLOSEDSREQ (even after "&Set Parameters" saved them); neither scans,
// and the source stays enabled until the application disables it.
#include <windows.h>

#include "source/twain_source.h"
#include "tests/dialog/dialog_driver.h"
#include "tests/support/capability_containers.h"
#include "tests/support/twain2_manager.h"
#include "ui/resource.h"

namespace {

class SettingsOnlyTest : public DialogTest {
protected:
    TW_UINT16 SetPixelType(TW_UINT16 pixelType) {
        return SetCapability(ICAP_PIXELTYPE, TWTY_UINT16, pixelType);
    }
    TW_UINT32 PixelType() { return CurrentItem(ICAP_PIXELTYPE); }
};

TEST_F(SettingsOnlyTest, OkKeepsTheEditsAndCancelPutsThemBack) {
    struct Case {
        const char* name;
        bool setFirst;  // "&Set Parameters" before the button
        int button;
        TW_UINT16 notification;
        TW_UINT32 pixelTypeAfter;
        Composition storedComposition;
    };
    for (const Case& c :
         {Case{"OK", false, IDC_ACQUIRE, MSG_CLOSEDSOK, TWPT_GRAY, Composition::RgbColour},
          Case{"Cancel", false, IDC_CANCEL_SCAN, MSG_CLOSEDSREQ, TWPT_BW, Composition::RgbColour},
          Case{"Set, then Cancel", true, IDC_CANCEL_SCAN, MSG_CLOSEDSREQ, TWPT_BW,
               Composition::Greyscale}}) {
        SCOPED_TRACE(c.name);
        // The store says RGB; the application negotiated bilevel, which the dialog shows.
        StoreSetting("Image Composition", static_cast<DWORD>(Composition::RgbColour));
        StoreSetting("Bits per Pixel", 24);
        OpenAsTwain2();
        ASSERT_EQ(TWRC_SUCCESS, SetPixelType(TWPT_BW));
        ASSERT_TRUE(ShowSettingsOnlyDialog());
        EXPECT_TRUE(Checked(IDC_BILEVEL));
        EXPECT_EQ("OK", Text(IDC_ACQUIRE));
        TW_USERINTERFACE ui = {TRUE, FALSE, nullptr};
        EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDSUIONLY, &ui));
        EXPECT_EQ(TWCC_SEQERROR, Status());

        Click(IDC_GREYSCALE);
        if (c.setFirst) Click(IDC_SET_PARAMETERS);
        Click(c.button);
        EXPECT_EQ(1, FakeTwain2Manager::Notifications) << "no MSG_XFERREADY";
        EXPECT_EQ(c.notification, FakeTwain2Manager::LastMessage);
        EXPECT_EQ(TwainState::Enabled, Source().Session().State());
        EXPECT_EQ(static_cast<long long>(c.storedComposition), StoredSetting("Image Composition"));

        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui));
        EXPECT_EQ(c.pixelTypeAfter, PixelType());
        TW_CUSTOMDSDATA custom = {};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_CUSTOMDSDATA, MSG_GET, &custom));
        GlobalFree(custom.hData);
    }
}

}  // namespace
