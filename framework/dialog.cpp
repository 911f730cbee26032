#include "framework/dialog.h"

#include <windows.h>

#include <commctrl.h>

#include <cstring>
#include <vector>

#include "framework/data_exchange.h"
#include "framework/module_application.h"

namespace {

HINSTANCE Resources() {
    CModuleApplication* application = CModuleApplication::Current();
    return application ? application->ResourceHandle() : GetModuleHandleA(nullptr);
}

// Trackbars, up-down controls and progress bars come from the common controls.
void RegisterCommonControls() {
    static bool registered = false;
    if (registered) return;
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_BAR_CLASSES | ICC_UPDOWN_CLASS |
                                                        ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    registered = InitCommonControlsEx(&classes) != FALSE;
}

}  // namespace

CDialog::CDialog(UINT templateId, CDialog* parent) : templateId_(templateId), parent_(parent) {}

CDialog::~CDialog() {
    DestroyWindow();
}

bool CDialog::Create(HWND owner) {
    if (window_) return true;
    RegisterCommonControls();
    modal_ = false;
    HWND window = CreateDialogParamA(Resources(), MAKEINTRESOURCEA(templateId_), owner,
                                     &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    if (!window) return false;
    if (CModuleApplication* application = CModuleApplication::Current())
        application->AddModeless(this);
    return true;
}

INT_PTR CDialog::DoModal() {
    RegisterCommonControls();
    modal_ = true;
    HWND owner = parent_ ? parent_->Handle() : nullptr;
    return DialogBoxParamA(Resources(), MAKEINTRESOURCEA(templateId_), owner, &CDialog::DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(INT_PTR result) {
    if (!window_) return;
    if (modal_)
        ::EndDialog(window_, result);
    else
        DestroyWindow();
}

void CDialog::DestroyWindow() {
    if (window_) ::DestroyWindow(window_);
    window_ = nullptr;
}

LRESULT CDialog::SendItem(int id, UINT message, WPARAM wParam, LPARAM lParam) const {
    return SendDlgItemMessageA(window_, id, message, wParam, lParam);
}

std::string CDialog::ItemText(int id) const {
    HWND item = Item(id);
    int length = item ? GetWindowTextLengthA(item) : 0;
    if (length <= 0) return std::string();
    std::vector<char> text(length + 1);
    int copied = GetWindowTextA(item, text.data(), length + 1);
    return std::string(text.data(), copied > 0 ? copied : 0);
}

void CDialog::SetItemText(int id, const std::string& text) const {
    // Setting the same text again would raise a change notification for nothing
    // (and handlers that write their own fields back would never settle).
    if (ItemText(id) != text) SetDlgItemTextA(window_, id, text.c_str());
}

void CDialog::EnableItem(int id, bool enable) const {
    if (HWND item = Item(id)) EnableWindow(item, enable ? TRUE : FALSE);
}

bool CDialog::IsChecked(int id) const {
    return IsDlgButtonChecked(window_, id) == BST_CHECKED;
}

void CDialog::FocusAndSelect(int id, WPARAM start, LPARAM end) const {
    HWND item = Item(id);
    if (!item) return;
    SetFocus(item);
    SendMessageA(item, EM_SETSEL, start, end);
    SendMessageA(item, EM_SCROLLCARET, 0, 0);
}

bool CDialog::UpdateData(bool saveAndValidate) {
    if (!window_) return false;
    CDataExchange exchange(*this, saveAndValidate);
    DoDataExchange(exchange);
    return exchange.Commit();
}

bool CDialog::PreTranslateMessage(MSG* message) {
    if (!window_ || modal_ || !message || !message->hwnd) return false;
    if (message->hwnd != window_ && !IsChild(window_, message->hwnd)) return false;
    if (message->message < WM_KEYFIRST || message->message > WM_KEYLAST) return false;
    return IsDialogMessageA(window_, message) != FALSE;
}

bool CDialog::OnInitDialog() {
    SendInitialisationData();
    UpdateData(false);
    return true;
}

void CDialog::SendInitialisationData() {
    HINSTANCE resources = Resources();
    HRSRC found =
        FindResourceA(resources, MAKEINTRESOURCEA(templateId_), MAKEINTRESOURCEA(DialogInitType));
    if (!found) return;
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(resources, found)));
    DWORD size = SizeofResource(resources, found);
    if (!data) return;
    DWORD offset = 0;
    while (offset + sizeof(WORD) <= size) {
        WORD id = 0, message = 0;
        DWORD length = 0;
        std::memcpy(&id, data + offset, sizeof id);
        if (id == 0 || offset + 8 > size) break;
        std::memcpy(&message, data + offset + 2, sizeof message);
        std::memcpy(&length, data + offset + 4, sizeof length);
        offset += 8;
        if (length > size - offset) break;
        std::string argument(reinterpret_cast<const char*>(data + offset), length);
        SendItem(id, message, 0, reinterpret_cast<LPARAM>(argument.c_str()));
        offset += length;
    }
}

void CDialog::OnCommand(int id, int, HWND) {
    if (id == IDOK) OnOK();
    if (id == IDCANCEL) OnCancel();
}

void CDialog::OnOK() {
    if (UpdateData(true)) EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) {
    return false;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        dialog->window_ = window;
        return dialog->OnInitDialog() ? TRUE : FALSE;
    }
    auto* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    if (!dialog) return FALSE;
    switch (message) {
    case WM_COMMAND:
        dialog->OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return TRUE;
    case WM_HSCROLL:
        dialog->OnHScroll(reinterpret_cast<HWND>(lParam), LOWORD(wParam));
        return FALSE;
    case WM_NCDESTROY:
        SetWindowLongPtrA(window, DWLP_USER, 0);
        if (CModuleApplication* application = CModuleApplication::Current())
            application->RemoveModeless(dialog);
        dialog->window_ = nullptr;
        return FALSE;
    default: {
        INT_PTR result = FALSE;
        if (!dialog->OnMessage(message, wParam, lParam, result)) return FALSE;
        SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
        return TRUE;
    }
    }
}
