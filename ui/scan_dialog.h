// The Scan Parameters dialog as its host, the source, sees it: a window shown on
// enable and closed on disable or unload, made from what it is shown with, and
// reporting what the user does through the host. The source never sees the
// dialog's class, and the dialog never sees the source's.
#pragma once

#include <windows.h>

#include <memory>

#include "engine/models.h"
#include "settings/scan_settings.h"
#include "tarnscan/tarnscan.h"

class ScanDialogWindow {
public:
    virtual ~ScanDialogWindow() = default;
    // Creates the modeless window, without an owner; false when it cannot be created.
    virtual bool Create() = 0;
    virtual void BringToTop() = 0;
    virtual HWND Handle() const = 0;
};

// What the dialog is shown with.
struct ScanDialogSetup {
    ScanSettings Shown;
    Model Scanner;
    // The palette images are delivered by native transfer alone.
    bool MemoryTransfer;
    // Shown to edit the settings, not to scan: "&Acquire Data" accepts them.
    bool SettingsOnly;
};

// What the user does in the dialog, as the host answers it.
class ScanDialogHost {
public:
    virtual ~ScanDialogHost() = default;
    // "&Set Parameters" (the dialog stores them as the user's) and "&Acquire Data"
    // take the settings the dialog accepted.
    virtual void TakeSettings(const ScanSettings& settings) = 0;
    // "&Acquire Data": the transfer is announced, or the settings accepted.
    virtual void Acquire() = 0;
    // "&Cancel", Escape and the close command.
    virtual void Cancel() = 0;
    // The paper buttons.
    virtual void MoveDocument(ObjectCommandType command) = 0;
};

// The dialog, not yet created.
std::unique_ptr<ScanDialogWindow> MakeScanDialog(ScanDialogHost& host,
                                                 const ScanDialogSetup& setup);
