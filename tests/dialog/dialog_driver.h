// Drives the data source's dialogs the way a person does: the Scan Parameters
// dialog is created through DS_Entry (MSG_ENABLEDS with the user interface), then
// receives exactly the messages that typing and clicking produce. Modal windows
// (message boxes, the white/black point dialog) are handled by scripted steps run
// from a timer inside their own message loops.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/source_fixture.h"

// A message box as it was caught: caption, text, whether it had the warning icon.
struct CaughtBox {
    std::string Caption;
    std::string Text;
    bool WarningIcon;
};

// Scripted handling of modal windows. Each step waits for an enabled, visible
// dialog window of this thread with the given caption and then runs its action
// on it. A modal window that no step claims within a few seconds is closed and
// recorded as unexpected, so a test never hangs.
class ModalScript {
public:
    using Action = std::function<void(HWND)>;
    ModalScript();
    ~ModalScript();

    void Then(const std::string& caption, Action action);
    // Catches the next message box captioned "DUNMERE.DLL" and presses OK.
    void ThenMessageBox();
    // Runs trigger (which opens the modal windows) and reports whether every step ran.
    bool Run(const std::function<void()>& trigger);

    std::vector<CaughtBox> Boxes;
    std::vector<std::string> Unexpected;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void OnTick();
    struct Step {
        std::string Caption;
        Action Run;
    };
    std::deque<Step> steps_;
    UINT_PTR timer_ = 0;
    int idleTicks_ = 0;
};

CaughtBox ReadMessageBox(HWND box);
void PressButton(HWND dialog, int id);

class DialogTest : public SourceTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads the module for a scanner of this model, opens it, sets ICAP_XFERMECH and
    // enables it with the user interface; the dialog's window.
    HWND ShowDialog(const char* model = "QD120", TW_UINT16 mechanism = TWSX_NATIVE);
    // Loads the module for a QD120 and opens it for a TWAIN 2 application through the
    // fake TWAIN 2 Source Manager; then MSG_ENABLEDSUIONLY shows the dialog for
    // settings only.
    void OpenAsTwain2();
    HWND ShowSettingsOnlyDialog();

    // The window's size in pixels as an application reads it: the DAT_IMAGELAYOUT
    // frame at the current resolutions.
    struct PixelSize {
        int32_t Width;
        int32_t Length;
    };
    PixelSize FramePixels();

    HWND Dialog() const { return dialog_; }
    HWND Item(int id) const { return GetDlgItem(dialog_, id); }

    std::string Text(int id) const;
    bool Enabled(int id) const;
    bool Checked(int id) const;
    std::string SelectedText(int comboId) const;
    std::vector<std::string> ListEntries(int comboId) const;
    // The selected part of an edit's text.
    std::string Selection(int id) const;
    // Whether the keyboard focus is on this control (or the edit inside it).
    bool HasFocus(int id) const;

    // Replaces an edit's text as typing over a selection of all of it does.
    void Type(int id, const std::string& text);
    void Click(int id);
    void SelectEntry(int comboId, int index);
    void SelectEntryText(int comboId, const std::string& text);
    void MoveTrackbar(int id, int position);

    // Clicks a button that is expected to raise exactly one message box; its text.
    CaughtBox ClickExpectingBox(int id);

private:
    // Enables with the user interface (msg: MSG_ENABLEDS or MSG_ENABLEDSUIONLY).
    HWND EnableWithDialog(TW_UINT16 msg);

    HWND dialog_ = nullptr;
    ScopedEnvironment* model_ = nullptr;
    UINT_PTR watchdog_ = 0;
    std::vector<std::string> stray_;
};

// Saves a window's image as a PNG file; false when it cannot be captured or written.
bool SaveWindowPng(HWND window, const std::string& path);
// A window's pixel at client coordinates, read from its device context.
COLORREF ClientPixel(HWND window, int x, int y);
