#include "framework/module_application.h"

#include <algorithm>

#include "framework/dialog.h"

CModuleApplication* CModuleApplication::current_ = nullptr;

CModuleApplication::CModuleApplication(const char* appName) : appName_(appName) {
    current_ = this;
}

CModuleApplication::~CModuleApplication() {
    if (current_ == this) current_ = nullptr;
}

bool CModuleApplication::PreTranslateMessage(MSG* message) {
    // A copy: a dialog may be destroyed while it handles the message.
    std::vector<CDialog*> dialogs = modeless_;
    for (CDialog* dialog : dialogs)
        if (dialog->PreTranslateMessage(message)) return true;
    return false;
}

bool CModuleApplication::OnIdle(long count) {
    // First round: let each modeless dialog bring its controls up to date.
    if (count > 0) return false;
    std::vector<CDialog*> dialogs = modeless_;
    bool more = false;
    for (CDialog* dialog : dialogs)
        more = dialog->OnIdle() || more;
    return more;
}

void CModuleApplication::SetRegistryKey(const char* key) {
    registryKey_ = key;
}

std::string CModuleApplication::ProfilePath() const {
    return "software\\" + registryKey_ + "\\" + appName_;
}

std::string CModuleApplication::LoadText(UINT id) const {
    char text[512];
    int length = LoadStringA(resources_, id, text, sizeof text);
    return std::string(text, length > 0 ? length : 0);
}

void CModuleApplication::ShowWarning(HWND owner, const std::string& text) const {
    MessageBoxA(owner, text.c_str(), appName_.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

void CModuleApplication::AddModeless(CDialog* dialog) {
    if (std::find(modeless_.begin(), modeless_.end(), dialog) == modeless_.end())
        modeless_.push_back(dialog);
}

void CModuleApplication::RemoveModeless(CDialog* dialog) {
    modeless_.erase(std::remove(modeless_.begin(), modeless_.end(), dialog), modeless_.end());
}
