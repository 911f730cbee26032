// A model row added to the model table reaches, with no other change, the
// resolutions offered to applications, the dialog's resolution list and the window
// the scanner is given.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "tarnscan/tarnscan.h"
#include "tests/support/capability_containers.h"
#include "tests/support/device_log.h"
#include "ui/resource.h"

namespace {

class ModelRowTest : public CapabilityTest {
protected:
    void SetUp() override {
        CapabilityTest::SetUp();
        Reload();  // the scanner is opened, and its model read, as the module loads
    }

    ScopedEnvironment model_{"TARNSCAN_MODEL", "QZ9000"};
    DeviceLog log_{DeviceLog::TemporaryPath("dunmere_model_row_log.txt")};
};

TEST_F(ModelRowTest, ApplicationsAreOfferedTheRowsResolutions) {
    Open();
    Reply reply;
    ASSERT_EQ(TWRC_SUCCESS, Query(MSG_GET, ICAP_XRESOLUTION, &reply));
    EXPECT_EQ(std::vector<TW_UINT16>({75, 150, 300, 450, 600}), reply.Items);
}

TEST_F(ModelRowTest, DialogListsTheRowsResolutions) {
    Open();
    TW_USERINTERFACE ui = {TRUE, FALSE, nullptr};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    HWND dialog = FindWindowA(nullptr, "Scan Parameters");
    ASSERT_NE(nullptr, dialog);
    HWND list = GetDlgItem(dialog, IDC_RESOLUTION);
    std::vector<std::string> entries;
    const LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[32] = {};
        SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    EXPECT_EQ(std::vector<std::string>({"600", "450", "300", "150", "75"}), entries);
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui));
}

TEST_F(ModelRowTest, ScannerIsGivenTheRowsInterpolatedWindow) {
    // RGB at 450 dpi on a 300 dpi model: scanned at 300 across and widened by 3/2.
    Open();
    ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_XRESOLUTION, TWTY_UINT16, 450));
    ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_YRESOLUTION, TWTY_UINT16, 450));
    TW_USERINTERFACE ui = {FALSE, FALSE, nullptr};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    uintptr_t dib = 0;
    ASSERT_EQ(TWRC_XFERDONE, Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib));
    GlobalFree(reinterpret_cast<HGLOBAL>(dib));
    EXPECT_EQ("300", log_.SentWindowField("XResolution"));
    EXPECT_EQ("450", log_.SentWindowField("YResolution"));
    EXPECT_EQ(std::to_string(static_cast<int>(Composition::RgbColour)),
              log_.SentWindowField("ImageComposition"));
}

}  // namespace
