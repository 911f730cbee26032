// The Scan Parameters dialog's commands and its life with the source: Set,
// Acquire, Cancel (also Escape and close), Rewind and Eject, keyboard handling
// through the message-pump filter, and creation and destruction.
#include <windows.h>

#include <fstream>
#include <iterator>

#include "source/twain_source.h"
#include "tests/dialog/dialog_driver.h"
#include "ui/resource.h"
#include "ui/scan_parameters_dialog.h"

namespace {

using ButtonsTest = DialogTest;

std::string ReadLog(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string TemporaryLog(const char* name) {
    char directory[MAX_PATH];
    GetTempPathA(sizeof directory, directory);
    std::string path = std::string(directory) + name;
    DeleteFileA(path.c_str());
    return path;
}

}  // namespace

TEST_F(ButtonsTest, SetParametersSavesEachTimeAndKeepsTheDialogOpen) {
    ASSERT_TRUE(ShowDialog());
    Type(IDC_WIDTH, "3");
    Click(IDC_SET_PARAMETERS);
    EXPECT_EQ(1184, StoredSetting("Scan Width"));  // 1200 rounded down to 32
    StoreSetting("Scan Width", 1);
    Click(IDC_SET_PARAMETERS);
    EXPECT_EQ(1184, StoredSetting("Scan Width"));
    EXPECT_EQ(1184, FramePixels().Width);
    EXPECT_TRUE(IsWindowVisible(Dialog()));
    EXPECT_EQ(TwainState::Enabled, Source().Session().State());
    EXPECT_EQ(0, FakeSourceManager::Calls);
}

TEST_F(ButtonsTest, AcquireAnnouncesTheTransferWithTheDialogsParameters) {
    ASSERT_TRUE(ShowDialog());
    Click(IDC_GREYSCALE);
    Type(IDC_WIDTH, "4");
    Click(IDC_ACQUIRE);
    EXPECT_EQ(1, FakeSourceManager::Calls);
    EXPECT_EQ(MSG_XFERREADY, FakeSourceManager::LastMessage);
    EXPECT_EQ(TwainState::TransferReady, Source().Session().State());
    EXPECT_EQ(1600, ImageInfo().ImageWidth);
    EXPECT_EQ(TWPT_GRAY, ImageInfo().PixelType);
    EXPECT_EQ(-1, StoredSetting("Scan Width")) << "acquiring does not save";
    EXPECT_TRUE(IsWindowVisible(Dialog()));

    // An image is already announced: the parameters are taken, nothing is sent.
    Type(IDC_WIDTH, "2");
    Click(IDC_ACQUIRE);
    EXPECT_EQ(1, FakeSourceManager::Calls);
    EXPECT_EQ(TWCC_SEQERROR, Status());
    EXPECT_EQ(800, ImageInfo().ImageWidth);
}

TEST_F(ButtonsTest, CancelEscapeAndCloseAskTheApplicationToClose) {
    ASSERT_TRUE(ShowDialog());
    Type(IDC_WIDTH, "5");
    Click(IDC_CANCEL_SCAN);
    EXPECT_EQ(1, FakeSourceManager::Calls);
    EXPECT_EQ(MSG_CLOSEDSREQ, FakeSourceManager::LastMessage);

    SetFocus(Item(IDC_BRIGHTNESS));
    MSG escape = {Item(IDC_BRIGHTNESS), WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {0, 0}};
    EXPECT_TRUE(Source().PreTranslateMessage(&escape));
    EXPECT_EQ(2, FakeSourceManager::Calls);

    // The close command arrives as a posted cancel, through the host's loop.
    SendMessageA(Dialog(), WM_CLOSE, 0, 0);
    for (MSG message; PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);) {
        if (Source().PreTranslateMessage(&message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    EXPECT_EQ(3, FakeSourceManager::Calls);
    EXPECT_EQ(MSG_CLOSEDSREQ, FakeSourceManager::LastMessage);

    EXPECT_TRUE(IsWindowVisible(Dialog())) << "the dialog waits for the application";
    EXPECT_EQ(800, FramePixels().Width) << "cancelling touches no settings";
    EXPECT_EQ(-1, StoredSetting("Scan Width"));
    // The application answers with MSG_DISABLEDS.
    TW_USERINTERFACE ui = {FALSE, FALSE, nullptr};
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui));
    EXPECT_FALSE(IsWindow(Dialog()));
    EXPECT_EQ(nullptr, Source().DialogWindow());
}

TEST_F(ButtonsTest, MessageFilterGivesTheDialogItsKeyboard) {
    ASSERT_TRUE(ShowDialog());
    ASSERT_TRUE(HasFocus(IDC_PAPER_SIZE));
    MSG tab = {GetFocus(), WM_KEYDOWN, VK_TAB, 0x000F0001, 0, {0, 0}};
    EXPECT_TRUE(Source().PreTranslateMessage(&tab));
    EXPECT_TRUE(HasFocus(IDC_PORTRAIT));

    HWND other =
        CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    MSG foreign = {other, WM_KEYDOWN, VK_TAB, 0x000F0001, 0, {0, 0}};
    EXPECT_FALSE(Source().PreTranslateMessage(&foreign));
    DestroyWindow(other);
    EXPECT_FALSE(Source().OnIdle(0));
}

TEST_F(ButtonsTest, RewindAndEjectMoveThePaperWhenTheScannerIsReady) {
    const struct {
        int Button;
        const char* Faults;
        const char* Expected;  // the position line, or null when none is sent
    } cases[] = {
        {IDC_REWIND, "", "SetObjectPosition command=1 arg=0 -> 1"},
        {IDC_EJECT, "", "SetObjectPosition command=0 arg=0 -> 1"},
        {IDC_EJECT, "unitready", nullptr},
        {IDC_REWIND, "open", nullptr},
    };
    for (const auto& c : cases) {
        std::string log = TemporaryLog("dunmere_dialog_tarnscan.log");
        ScopedEnvironment logging("TARNSCAN_LOG", log);
        ScopedEnvironment faults("TARNSCAN_FAULTS", "");
        ASSERT_TRUE(ShowDialog("QD120"));
        ScopedEnvironment failing("TARNSCAN_FAULTS", c.Faults);
        DeleteFileA(log.c_str());
        Click(c.Button);
        std::string calls = ReadLog(log);
        EXPECT_EQ(0u, calls.find("Open model=QD120")) << calls;
        bool opened = std::string(c.Faults) != "open";
        EXPECT_EQ(opened, calls.find("UnitReady") != std::string::npos) << calls;
        if (c.Expected)
            EXPECT_NE(std::string::npos, calls.find(c.Expected)) << calls;
        else
            EXPECT_EQ(std::string::npos, calls.find("SetObjectPosition")) << calls;
    }
}

TEST_F(ButtonsTest, DialogLivesFromEnableToDisableOrUnload) {
    ASSERT_TRUE(ShowDialog());
    ScanDialogWindow* dialog = Source().DialogWindow();
    HWND window = Dialog();
    // Shown again while it exists: brought to the top, nothing reloaded.
    StoreSetting("Scan Width", 1600);
    Source().ShowScanDialog();
    EXPECT_EQ(dialog, Source().DialogWindow());
    EXPECT_EQ(800, FramePixels().Width);
    EXPECT_TRUE(IsWindow(window));

    Reload();
    EXPECT_FALSE(IsWindow(window)) << "unloading destroys the dialog";
    ASSERT_TRUE(ShowDialog());
    window = Dialog();
    TW_USERINTERFACE ui = {FALSE, FALSE, nullptr};
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui));
    EXPECT_FALSE(IsWindow(window));
    // Enabled again: a new dialog from the store.
    StoreSetting("Brightness", 21);
    StoreSetting("Scan Width", 1216);
    ui.ShowUI = TRUE;
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    ASSERT_NE(nullptr, Source().DialogWindow());
    char brightness[16] = {};
    GetDlgItemTextA(Source().DialogWindow()->Handle(), IDC_BRIGHTNESS, brightness,
                    sizeof brightness);
    EXPECT_STREQ("21", brightness);
    EXPECT_EQ(1216, FramePixels().Width);
}

TEST_F(ButtonsTest, EnableFailsWhenTheDialogCannotBeCreated) {
    Open();
    // Resources without the dialog templates: the window cannot be made.
    Source().SetResourceHandle(GetModuleHandleA("kernel32.dll"));
    TW_USERINTERFACE ui = {TRUE, TRUE, nullptr};
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    EXPECT_EQ(TWCC_OPERATIONERROR, Status());
    EXPECT_EQ(TwainState::Open, Source().Session().State());
    EXPECT_EQ(nullptr, Source().DialogWindow());
    Source().SetResourceHandle(GetModuleHandleA(nullptr));
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    EXPECT_NE(nullptr, Source().DialogWindow());
}
