// The source's side of its Scan Parameters dialog: created on enable with the user
// interface (after the stored settings are loaded), brought to the top if it
// already exists, destroyed on disable and unload.
#include "source/scan_dialog.h"

#include "settings/settings_store.h"
#include "source/twain_source.h"

bool CTwainSource::ShowScanDialog() {
    if (ScanDialog) {
        ScanDialog->BringToTop();
        return true;
    }
    // A settings-only dialog shows the settings as they are now (negotiated, or
    // restored from an application's block); the acquiring dialog starts from the
    // stored ones.
    if (!SettingsOnly) LoadSettings(Settings);
    ScanDialog = MakeScanDialog(*this);
    // Modeless, without an owner: the application's hParent is not used.
    if (!ScanDialog->Create()) {
        ScanDialog.reset();
        return false;
    }
    return true;
}

void CTwainSource::DestroyDialog() {
    ScanDialog.reset();
}
