// The module's application object: one per process, constructed when the module
// is loaded, initialised right after, destroyed when it is unloaded. It names the
// module (the profile name of its settings and the caption of its message boxes),
// selects the registry key of the per-user profile, knows where the module's
// resources are, and keeps the list of its modeless dialogs for the host's
// message loop (FilterDllMsg) and idle time (ProcessDllIdle).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CDialog;

class CModuleApplication {
public:
    explicit CModuleApplication(const char* appName);
    virtual ~CModuleApplication();
    CModuleApplication(const CModuleApplication&) = delete;
    CModuleApplication& operator=(const CModuleApplication&) = delete;

    // The initialisation step run right after construction.
    virtual bool InitInstance() { return true; }

    // Offered every message of the host's loop; true when a module window used it
    // (dialog keyboard navigation of a modeless dialog).
    virtual bool PreTranslateMessage(MSG* message);
    // One round of idle work; true while there is more to do.
    virtual bool OnIdle(long count);

    const std::string& AppName() const { return appName_; }
    // "software\<key>\<application name>" under HKEY_CURRENT_USER.
    void SetRegistryKey(const char* key);
    const std::string& RegistryKey() const { return registryKey_; }
    std::string ProfilePath() const;

    HINSTANCE ResourceHandle() const { return resources_; }
    void SetResourceHandle(HINSTANCE resources) { resources_ = resources; }

    // A string-table text of the module ("" when it has none under that id).
    std::string LoadText(UINT id) const;
    // A warning box with an OK button, captioned with the application name.
    void ShowWarning(HWND owner, const std::string& text) const;

    // Modeless dialogs register while their window exists.
    void AddModeless(CDialog* dialog);
    void RemoveModeless(CDialog* dialog);

    static CModuleApplication* Current() { return current_; }

private:
    std::string appName_;
    std::string registryKey_;
    HINSTANCE resources_ = nullptr;
    std::vector<CDialog*> modeless_;
    static CModuleApplication* current_;
};
