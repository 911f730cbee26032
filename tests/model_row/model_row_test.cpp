// A model row added to the model table reaches, with no other change, the
// resolutions offered to applications, the dialog's resolution list and the window
// the scanner is given.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/support/capability_containers.h"
#include "ui/resource.h"

namespace {

class ModelRowTest : public CapabilityTest {
protected:
    void SetUp() override {
        CapabilityTest::SetUp();
        char directory[MAX_PATH];
        GetTempPathA(sizeof directory, directory);
        logPath_ = std::string(directory) + "dunmere_model_row_log.txt";
        DeleteFileA(logPath_.c_str());
        model_.reset(new ScopedEnvironment("TARNSCAN_MODEL", "QZ9000"));
        log_.reset(new ScopedEnvironment("TARNSCAN_LOG", logPath_));
        Reload();  // the scanner is opened, and its model read, as the module loads
    }
    void TearDown() override {
        CapabilityTest::TearDown();
        DeleteFileA(logPath_.c_str());
    }

    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        std::ifstream in(logPath_);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    std::string logPath_;
    std::unique_ptr<ScopedEnvironment> model_, log_;
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
    std::string window;
    for (const std::string& line : LogLines())
        if (line.rfind("SetWindow ", 0) == 0) window = line;
    EXPECT_NE(std::string::npos, window.find("XResolution=300 YResolution=450")) << window;
    EXPECT_NE(std::string::npos, window.find("ImageComposition=5")) << window;
}

}  // namespace
