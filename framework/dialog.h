// A dialog made from a resource template of the module: modeless (Create) or
// modal (DoModal). The template's initialisation data (a resource of type
// DialogInitType under the template's id) is sent to its controls before the
// values are first shown; commands, scrolls and other messages are routed to
// virtual handlers; DoDataExchange binds values to controls for UpdateData.
#pragma once

#include <windows.h>

#include <string>

class CDataExchange;

class CDialog {
public:
    // Resource type of a template's initialisation data: records of a WORD
    // control id, a WORD message, a DWORD byte count and that many bytes (sent as
    // the message's text argument), ended by a zero WORD.
    static constexpr WORD DialogInitType = 240;

    CDialog(UINT templateId, CDialog* parent);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Modeless: creates the window (owner may be null); false when it cannot be made.
    bool Create(HWND owner);
    // Modal: runs the dialog's own loop; the value given to EndDialog, or -1.
    INT_PTR DoModal();
    void EndDialog(INT_PTR result);
    void DestroyWindow();

    HWND Handle() const { return window_; }
    HWND Item(int id) const { return GetDlgItem(window_, id); }
    LRESULT SendItem(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    std::string ItemText(int id) const;
    // Leaves the control alone when it already shows the text.
    void SetItemText(int id, const std::string& text) const;
    void EnableItem(int id, bool enable) const;
    bool IsChecked(int id) const;
    // Focus on an edit with its whole text selected and the caret in view.
    void FocusAndSelect(int id, WPARAM start = 65280, LPARAM end = 0) const;

    // Controls to values (true) or values to controls (false). Reading is all or
    // nothing: when a control's text cannot be taken, the standard prompt is
    // shown, the focus goes to it and no value changes.
    bool UpdateData(bool saveAndValidate);

    // Keyboard navigation for a modeless dialog in the host's message loop.
    virtual bool PreTranslateMessage(MSG* message);
    // Idle-time work; true when more remains.
    virtual bool OnIdle() { return false; }

protected:
    // Sends the initialisation data, shows the values; true to let the system
    // place the focus on the first tab stop.
    virtual bool OnInitDialog();
    virtual void DoDataExchange(CDataExchange&) {}
    // WM_COMMAND; the default sends IDOK to OnOK and IDCANCEL to OnCancel.
    virtual void OnCommand(int id, int code, HWND control);
    virtual void OnOK();
    virtual void OnCancel();
    virtual void OnHScroll(HWND bar, int code) { (void)bar, (void)code; }
    // Any other message; return true (and set result) when handled.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

    CDialog* Parent() const { return parent_; }

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void SendInitialisationData();

    UINT templateId_;
    CDialog* parent_;
    HWND window_ = nullptr;
    bool modal_ = false;
};
