// The source's side of its Scan Parameters dialog: created on enable with the user
// interface (after the stored settings are loaded), brought to the top if it
// already exists, destroyed on disable and unload.
#include "settings/settings_store.h"
#include "source/twain_source.h"
#include "ui/scan_parameters_dialog.h"

bool CTwainSource::ShowScanDialog() {
    if (ScanDialog) {
        BringWindowToTop(ScanDialog->Handle());
        return true;
    }
    // A settings-only dialog shows the settings as they are now (negotiated, or
    // restored from an application's block); the acquiring dialog starts from the
    // stored ones.
    if (!SettingsOnly) LoadSettings(Settings);
    ScanDialog = new CScanParametersDialog(*this, Settings);
    // Modeless, without an owner: the application's hParent is not used.
    if (!ScanDialog->Create(nullptr)) {
        delete ScanDialog;
        ScanDialog = nullptr;
        return false;
    }
    return true;
}

void CTwainSource::DestroyDialog() {
    if (!ScanDialog) return;
    ScanDialog->DestroyWindow();
    delete ScanDialog;
    ScanDialog = nullptr;
}

bool CTwainSource::PreTranslateMessage(MSG* message) {
    return CModuleApplication::PreTranslateMessage(message);
}
