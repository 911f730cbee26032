// The Scan Parameters dialog as the source sees it: a window it shows on enable
// and closes on disable or unload. The user interface makes it (MakeScanDialog)
// over the source's settings; the source never sees the dialog's class.
#pragma once

#include <windows.h>

#include <memory>

class CTwainSource;

class ScanDialogWindow {
public:
    virtual ~ScanDialogWindow() = default;
    // Creates the modeless window, without an owner; false when it cannot be created.
    virtual bool Create() = 0;
    virtual void BringToTop() = 0;
    virtual HWND Handle() const = 0;
};

// The dialog over `source`'s settings, not yet created (ui/).
std::unique_ptr<ScanDialogWindow> MakeScanDialog(CTwainSource& source);
