// What the Scan Parameters dialog shows when it opens: the stored settings (or the
// store's defaults) in inches, the model's resolution list and image types.
#include <windows.h>

#include <commctrl.h>

#include <cmath>
#include <cstdio>

#include "tests/dialog/dialog_driver.h"
#include "ui/resource.h"
#include "ui/scan_parameters_dialog.h"
#include "ui/units.h"

namespace {

using OpeningTest = DialogTest;

std::string Shown(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", static_cast<double>(static_cast<float>(value)));
    return text;
}

const std::vector<std::string> Fourteen = {"800", "600", "400", "360", "350", "300", "254",
                                           "250", "200", "150", "100", "75",  "72",  "50"};

}  // namespace

TEST_F(OpeningTest, EmptyStoreOpensWithTheStoreDefaults) {
    // The store's defaults (centred, speed 4, gamma 1.5) replace the built-in ones
    // (side, speed 1, gamma 1) on enable: the dialog shows the source's settings.
    ASSERT_TRUE(ShowDialog("QD120"));
    char caption[64] = {};
    GetWindowTextA(Dialog(), caption, sizeof caption);
    EXPECT_STREQ("Scan Parameters", caption);
    EXPECT_EQ(nullptr, GetWindow(Dialog(), GW_OWNER));
    EXPECT_EQ(Fourteen, ListEntries(IDC_RESOLUTION));
    EXPECT_EQ("400", SelectedText(IDC_RESOLUTION));
    EXPECT_EQ((std::vector<std::string>{"A0", "A1", "A2", "A3", "A4", "E", "D", "C", "B", "A"}),
              ListEntries(IDC_PAPER_SIZE));
    EXPECT_EQ(CB_ERR, SendMessageA(Item(IDC_PAPER_SIZE), CB_GETCURSEL, 0, 0));
    EXPECT_TRUE(HasFocus(IDC_PAPER_SIZE));

    // 800 pixels at 400 dpi.
    EXPECT_EQ("2", Text(IDC_WIDTH));
    EXPECT_EQ("2", Text(IDC_LENGTH));
    EXPECT_EQ("0", Text(IDC_XOFFSET));
    EXPECT_EQ("0", Text(IDC_YOFFSET));
    for (int unit : {IDC_WIDTH_UNIT, IDC_LENGTH_UNIT, IDC_XOFFSET_UNIT, IDC_YOFFSET_UNIT})
        EXPECT_EQ("in.", Text(unit));
    for (int id : {IDC_INCHES, IDC_PORTRAIT, IDC_CENTRE_JUSTIFIED, IDC_RGB})
        EXPECT_TRUE(Checked(id)) << id;
    for (int id : {IDC_XOFFSET, IDC_IAT, IDC_THRESHOLD})
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_EQ("1.5", Text(IDC_GAMMA));
    EXPECT_EQ(15, SendMessageA(Item(IDC_GAMMA_BAR), TBM_GETPOS, 0, 0));
    EXPECT_EQ("4", Text(IDC_SPEED));
    EXPECT_EQ(4, SendMessageA(Item(IDC_SPEED_BAR), TBM_GETPOS, 0, 0));
    EXPECT_EQ("255,255,255", Text(IDC_WHITE_POINT));
    EXPECT_EQ("0,0,0", Text(IDC_BLACK_POINT));
    EXPECT_EQ("128", Text(IDC_THRESHOLD));
    EXPECT_EQ("Threshold", Text(IDC_THRESHOLD_LABEL));
    EXPECT_FALSE(Checked(IDC_IAT));
    EXPECT_EQ("10", Text(IDC_BRIGHTNESS));
    // (2 in x 400 dpi)^2 pixels of 3 bytes.
    EXPECT_EQ(std::to_string(800 * 800 * 3 / 1024) + "K", Text(IDC_FILE_SIZE));
}

TEST_F(OpeningTest, StoredWindowOpensInInchesOfItsResolution) {
    StoreSetting("X Resolution", 300);
    StoreSetting("Scan Width", 2464);
    StoreSetting("Scan Length", 3300);
    StoreSetting("X Offset", 150);
    StoreSetting("Y Offset", 45);
    ASSERT_TRUE(ShowDialog("QD120"));
    EXPECT_EQ("300", SelectedText(IDC_RESOLUTION));
    EXPECT_EQ("8.21333", Text(IDC_WIDTH));
    EXPECT_EQ("11", Text(IDC_LENGTH));
    EXPECT_EQ("0.5", Text(IDC_XOFFSET));
    EXPECT_EQ("0.15", Text(IDC_YOFFSET));
    EXPECT_TRUE(Checked(IDC_SIDE_JUSTIFIED));
    EXPECT_TRUE(Enabled(IDC_XOFFSET));

    // Accepted unchanged, the dialog keeps the window it opened with, although
    // 8.21333 inches at 300 dpi is a hair short of 2464 pixels.
    Click(IDC_SET_PARAMETERS);
    EXPECT_EQ(2464, FramePixels().Width);
    EXPECT_EQ(3300, FramePixels().Length);
    EXPECT_EQ(2464, StoredSetting("Scan Width"));
    EXPECT_EQ(150, StoredSetting("X Offset"));
    EXPECT_EQ(45, StoredSetting("Y Offset"));
}

TEST_F(OpeningTest, ResolutionListsFollowTheModel) {
    const std::vector<std::string> Wide = {"600", "450", "300", "250", "200", "150", "100", "50"};
    const std::vector<std::string> WidePlus = {"600", "400", "300", "250",
                                               "200", "150", "100", "50"};
    const std::vector<std::string> Narrow = {"400", "300", "200", "150", "100", "50"};
    const struct {
        const char* Model;
        const std::vector<std::string>& List;
    } cases[] = {
        {"QD140", Wide},      {"QD130", Wide},      {"QB1310", Wide},     {"QB1320", Wide},
        {"QD140+", WidePlus}, {"QD150+", Narrow},   {"QA1200", Narrow},   {"QD120", Fourteen},
        {"QD110", Fourteen},  {"QC1400", Fourteen}, {"QB1300", Fourteen}, {"QA1220", Fourteen},
        {"QA1210", Fourteen}, {"XY9000", Fourteen},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(ShowDialog(c.Model));
        EXPECT_EQ(c.List, ListEntries(IDC_RESOLUTION)) << c.Model;
    }
}

TEST_F(OpeningTest, StoredResolutionTheListLacksSelectsTheResolutionInForce) {
    const struct {
        const char* Model;
        DWORD Stored;
        const char* Selected;
    } cases[] = {
        {"QD150+", 600, "300"}, {"QA1200", 254, "300"}, {"QD120", 500, "400"},
        {"QC1400", 30, "300"},  {"QD110", 30, "400"},   {"QD140", 400, "300"},
        {"QD140+", 450, "300"}, {"QD120", 254, "254"},
    };
    for (const auto& c : cases) {
        ClearStoredSettings();
        StoreSetting("X Resolution", c.Stored);
        StoreSetting("Y Resolution", c.Stored);
        ASSERT_TRUE(ShowDialog(c.Model));
        EXPECT_EQ(c.Selected, SelectedText(IDC_RESOLUTION)) << c.Model << " " << c.Stored;
        Click(IDC_SET_PARAMETERS);
        EXPECT_EQ(static_cast<TW_UINT32>(std::atoi(c.Selected)), CurrentItem(ICAP_XRESOLUTION))
            << c.Model << " " << c.Stored;
    }
}

TEST_F(OpeningTest, ModelAndTransferMechanismDecideTheImageTypes) {
    for (const char* model : {"QD130", "QD110"}) {
        ASSERT_TRUE(ShowDialog(model));
        EXPECT_FALSE(Enabled(IDC_RGB)) << model;
        EXPECT_TRUE(Checked(IDC_GREYSCALE)) << model;
        EXPECT_FALSE(Checked(IDC_RGB)) << model;
    }
    ASSERT_TRUE(ShowDialog("QD120", TWSX_MEMORY));
    EXPECT_TRUE(Enabled(IDC_RGB));
    EXPECT_FALSE(Enabled(IDC_256_COLOUR));
    EXPECT_FALSE(Enabled(IDC_16_COLOUR));
    EXPECT_TRUE(Enabled(IDC_GREYSCALE));
    ASSERT_TRUE(ShowDialog("QD120", TWSX_NATIVE));
    EXPECT_TRUE(Enabled(IDC_256_COLOUR));
    EXPECT_TRUE(Enabled(IDC_16_COLOUR));
}

TEST_F(OpeningTest, StoredCompositionSelectsTheImageType) {
    const struct {
        Composition Stored;
        DWORD Bits;
        int Button;  // 0: none
    } cases[] = {
        {Composition::Bilevel, 1, IDC_BILEVEL},
        {Composition::Greyscale, 8, IDC_GREYSCALE},
        {Composition::PaletteColour, 4, IDC_16_COLOUR},
        {Composition::PaletteColour, 8, IDC_256_COLOUR},
        {Composition::RgbColour, 24, IDC_RGB},
        {static_cast<Composition>(1), 8, 0},  // numbers that name no composition
        {static_cast<Composition>(4), 8, 0},
    };
    for (const auto& c : cases) {
        StoreSetting("Image Composition", static_cast<DWORD>(c.Stored));
        StoreSetting("Bits per Pixel", c.Bits);
        ASSERT_TRUE(ShowDialog("QD120"));
        for (int button : {IDC_RGB, IDC_256_COLOUR, IDC_16_COLOUR, IDC_GREYSCALE, IDC_BILEVEL})
            EXPECT_EQ(button == c.Button, Checked(button))
                << static_cast<int>(c.Stored) << "/" << c.Bits << " " << button;
        EXPECT_EQ(c.Button == IDC_BILEVEL, Enabled(IDC_IAT));
    }
}

TEST_F(OpeningTest, GammaTrackbarTruncatesTheStoredTenths) {
    const struct {
        DWORD Tenths;
        int Position;
    } cases[] = {{10, 10}, {13, 12}, {14, 13}, {15, 15}, {18, 17}, {19, 18}, {20, 20}};
    for (const auto& c : cases) {
        StoreSetting("Gamma", c.Tenths);
        ASSERT_TRUE(ShowDialog("QD120"));
        float gamma = static_cast<float>(c.Tenths * 0.1);
        EXPECT_EQ(Shown(gamma), Text(IDC_GAMMA)) << c.Tenths;
        EXPECT_EQ(c.Position, SendMessageA(Item(IDC_GAMMA_BAR), TBM_GETPOS, 0, 0)) << c.Tenths;
    }
    MoveTrackbar(IDC_GAMMA_BAR, 17);
    EXPECT_EQ("1.7", Text(IDC_GAMMA));
    Click(IDC_SET_PARAMETERS);
    EXPECT_EQ(17, StoredSetting("Gamma"));
}

TEST_F(OpeningTest, SpeedOutsideTheTrackbarRangeShowsUntilMoved) {
    StoreSetting("Fractional Speed", 9);
    ASSERT_TRUE(ShowDialog("QD120"));
    EXPECT_EQ("9", Text(IDC_SPEED));
    EXPECT_EQ(8, SendMessageA(Item(IDC_SPEED_BAR), TBM_GETPOS, 0, 0));
    MoveTrackbar(IDC_SPEED_BAR, 3);
    EXPECT_EQ("3", Text(IDC_SPEED));
}

TEST_F(OpeningTest, StoredAdaptiveThresholdOpensWithIatTicked) {
    StoreSetting("Threshold", 0);
    StoreSetting("Image Composition", static_cast<DWORD>(Composition::Bilevel));
    StoreSetting("Bits per Pixel", 1);
    ASSERT_TRUE(ShowDialog("QD120"));
    EXPECT_TRUE(Checked(IDC_IAT));
    EXPECT_EQ("Adaptive Threshold", Text(IDC_THRESHOLD_LABEL));
    EXPECT_EQ("0", Text(IDC_THRESHOLD));
    Click(IDC_IAT);
    EXPECT_EQ("Threshold", Text(IDC_THRESHOLD_LABEL));
    Click(IDC_IAT);
    EXPECT_EQ("Adaptive Threshold", Text(IDC_THRESHOLD_LABEL));
}

TEST_F(OpeningTest, DiskSpaceShowsTheCurrentDrive) {
    ASSERT_TRUE(ShowDialog("QD120"));
    DWORD sectors = 0, bytes = 0, freeClusters = 0, total = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA(nullptr, &sectors, &bytes, &freeClusters, &total));
    uint64_t cluster = uint64_t(sectors) * bytes;
    uint64_t freeBytes = freeClusters * cluster, totalBytes = total * cluster;
    std::string shown = Text(IDC_FREE_SPACE);
    ASSERT_FALSE(shown.empty());
    // Others write to the same disk meanwhile: allow a little movement.
    if (freeBytes >= 102398976) {
        ASSERT_EQ('M', shown.back());
        EXPECT_NEAR(double(freeBytes >> 20), std::atof(shown.c_str()), 256.0);
    }
    int used = static_cast<int>((1.0 - double(freeBytes) / double(totalBytes)) * 100);
    EXPECT_NEAR(used, SendMessageA(Item(IDC_DISK_FILL), PBM_GETPOS, 0, 0), 1);
}

TEST_F(OpeningTest, SizeTextSwitchesUnitsAndDoesNotWrap) {
    const struct {
        uint64_t Bytes;
        const char* Text;
    } cases[] = {
        {0, "0 bytes"},        {8191, "8191 bytes"}, {8192, "8K"},
        {102398975, "99998K"}, {102398976, "97M"},   {uint64_t(5) << 32, "20480M"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Text, SizeText(c.Bytes)) << c.Bytes;
}

TEST_F(OpeningTest, ScreenshotsOfBothDialogsAsFirstShown) {
    for (const char* model : {"QD120", "QD130"}) {
        ASSERT_TRUE(ShowDialog(model));
        std::string name = std::string(SCREENSHOT_DIR) + "/scan_parameters_" + model + ".png";
        EXPECT_TRUE(SaveWindowPng(Dialog(), name)) << name;
        ModalScript script;
        script.Then("Set White Point", [&](HWND point) {
            std::string pointName = std::string(SCREENSHOT_DIR) + "/white_point_" + model + ".png";
            EXPECT_TRUE(SaveWindowPng(point, pointName)) << pointName;
            PressButton(point, IDCANCEL);
        });
        EXPECT_TRUE(script.Run([&] { Click(IDC_SET_WHITE_POINT); }));
    }
}
