// The source's side of its Scan Parameters dialog: shown on enable with the user
// interface, brought to the top if it already exists, destroyed on disable and
// unload; and what the source does with what the user does in it.
#include "settings/settings_store.h"
#include "source/twain_source.h"

bool CTwainSource::ShowScanDialog() {
    if (dialog_) {
        dialog_->BringToTop();
        return true;
    }
    // A TWAIN 2 application's dialog, and every settings-only dialog, shows what was
    // asked as it is now (negotiated, or restored from an application's block); a
    // TWAIN 1.x application's acquiring dialog starts from the user's stored
    // settings, which replace what was negotiated.
    if (!settingsOnly_ && !session_.Twain2Application()) LoadSettings(negotiated_.Scan);
    const ScanDialogSetup setup = {negotiated_.Scan, ModelCode(),
                                   negotiated_.TransferMechanism == TWSX_MEMORY, settingsOnly_};
    dialog_ = MakeScanDialog(*this, setup);
    // Modeless, without an owner: the application's hParent is not used.
    if (!dialog_->Create()) {
        dialog_.reset();
        return false;
    }
    return true;
}

// An image announced but not yet under way is planned again from what the user
// accepted.
void CTwainSource::TakeSettings(const ScanSettings& settings) {
    negotiated_.Scan = settings;
    if (session_.State() == TwainState::TransferReady) job_.Announce(negotiated_);
}

// The settings-only dialog's button accepts the settings: MSG_CLOSEDSOK.
void CTwainSource::Acquire() {
    if (!settingsOnly_) {
        SendXferReady();
        return;
    }
    if (session_.State() == TwainState::Enabled) Notify(MSG_CLOSEDSOK);
}

// A settings-only dialog first puts back the settings it was shown with; then the
// application is asked to close (MSG_CLOSEDSREQ).
void CTwainSource::Cancel() {
    if (settingsOnly_) negotiated_.Scan = settingsBeforeDialog_;
    SendCloseRequest();
}

void CTwainSource::MoveDocument(ObjectCommandType command) {
    job_.MoveDocument(command);
}
