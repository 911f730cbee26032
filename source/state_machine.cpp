// Enable and disable, pending transfers, memory-transfer set-up, and the two
// notifications the source sends to the application through the Source Manager.
#include "engine/row_geometry.h"
#include "engine/scan_window.h"
#include "platform/source_manager_link.h"
#include "source/twain_source.h"
#include "trace/trace.h"
#include "twain/names.h"

namespace {

// Sends one DG_CONTROL/DAT_NULL notification to the application through the
// Source Manager: through the entry point a TWAIN 2 Source Manager handed over,
// else through "DSM_Entry" of "TWAIN_32.DLL" loaded by name. False when the
// Source Manager cannot be reached.
bool Reach(CTwainSource& source, TW_UINT16 msg, TW_UINT16& result) {
    if (const TW_ENTRYPOINT* entry = source.Session.ManagerEntry()) {
        result = source.Session.CallApplication(entry->DSM_Entry, msg);
        return true;
    }
    const platform::SourceManagerLinkApi& link = platform::SourceManagerLink;
    HMODULE manager = link.LoadLibrary("TWAIN_32.DLL");
    if (!manager) return false;
    auto entry = reinterpret_cast<DSMENTRYPROC>(link.GetProcAddress(manager, "DSM_Entry"));
    if (!entry) {
        link.FreeLibrary(manager);
        return false;
    }
    result = source.Session.CallApplication(entry, msg);
    link.FreeLibrary(manager);
    return true;
}

bool Notify(CTwainSource& source, TW_UINT16 msg, TW_UINT16& result) {
    const bool reached = Reach(source, msg, result);
    if (trace::Enabled())
        trace::Write("notify DG_CONTROL/DAT_NULL/%s through %s -> %s", MessageName(msg),
                     source.Session.ManagerEntry() ? "the entry point" : "TWAIN_32.DLL",
                     reached ? ReturnCodeName(result) : "Source Manager unreachable");
    return reached;
}

// MSG_ENABLEDSUIONLY (TWAIN 2 applications only): the dialog shows the settings
// as they are now, to be accepted (MSG_CLOSEDSOK) or cancelled (MSG_CLOSEDSREQ);
// nothing is scanned and no transfer is announced.
TW_UINT16 EnableSettingsOnly(CTwainSource& source, pTW_USERINTERFACE ui) {
    if (!source.ServesTwain2()) return source.Fail(TWCC_BADPROTOCOL);
    if (source.Session.State() != StateOpen) return source.Fail(TWCC_SEQERROR);
    if (!ui) return source.Fail(TWCC_BADVALUE);
    source.Session.MoveTo(StateEnabled);
    source.SettingsOnly = true;
    source.SettingsBeforeDialog = source.Settings;
    if (!source.ShowScanDialog()) {
        source.Session.MoveTo(StateOpen);
        source.SettingsOnly = false;
        return source.Fail(TWCC_OPERATIONERROR);
    }
    ui->ModalUI = FALSE;
    return TWRC_SUCCESS;
}

}  // namespace

TW_UINT16 CTwainSource::HandleUserInterface(TW_UINT16 msg, pTW_USERINTERFACE ui) {
    switch (msg) {
    case MSG_ENABLEDS: {
        if (Session.State() != StateOpen) return Fail(TWCC_SEQERROR);
        if (!ui) return Fail(TWCC_BADVALUE);
        Session.MoveTo(StateEnabled);
        if (!ui->ShowUI) {
            // Announced at once with the parameters as negotiated; a refused
            // notification leaves the source enabled with TWCC_BADDEST to report.
            SendXferReady();
            return TWRC_SUCCESS;
        }
        const ScanSettings negotiated = Settings;
        if (!ShowScanDialog()) {
            // Nothing on screen for the user to act on: the application must not wait.
            // The refused enable leaves the negotiated settings as they were.
            Settings = negotiated;
            Session.MoveTo(StateOpen);
            return Fail(TWCC_OPERATIONERROR);
        }
        ui->ModalUI = FALSE;
        return TWRC_SUCCESS;
    }
    case MSG_ENABLEDSUIONLY:
        return EnableSettingsOnly(*this, ui);
    case MSG_DISABLEDS:
        if (Session.State() != StateEnabled) return Fail(TWCC_SEQERROR);
        DestroyDialog();
        Session.MoveTo(StateOpen);
        SettingsOnly = false;
        return TWRC_SUCCESS;
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 CTwainSource::HandlePendingTransfers(TW_UINT16 msg, pTW_PENDINGXFERS pending) {
    switch (msg) {
    case MSG_GET:
        if (!pending) return Fail(TWCC_BADVALUE);
        pending->Count = 0xFFFF;
        return TWRC_SUCCESS;
    case MSG_ENDXFER:
        if (Session.State() != StateTransferReady && Session.State() != StateTransferring)
            return Fail(TWCC_SEQERROR);
        if (!pending) return Fail(TWCC_BADVALUE);
        pending->Count = 0;
        Session.MoveTo(StateEnabled);
        Job.ForgetDeliveredImage();
        return TWRC_SUCCESS;
    case MSG_RESET:
        if (Session.State() != StateTransferReady) return Fail(TWCC_SEQERROR);
        if (!pending) return Fail(TWCC_BADVALUE);
        pending->Count = 0;
        Session.MoveTo(StateEnabled);
        return TWRC_SUCCESS;
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 CTwainSource::HandleSetupMemXfer(pTW_SETUPMEMXFER setup) {
    if (Session.State() == StateTransferring) return Fail(TWCC_SEQERROR);
    if (!setup) return Fail(TWCC_BADVALUE);
    // A TWAIN 2 application is told the one row of the current image its buffers
    // must hold; a 1.x application was always told it does not matter.
    setup->MinBufSize = ServesTwain2() ? MinimumBufferBytes() : TWON_DONTCARE32;
    setup->MaxBufSize = 0x400000;
    setup->Preferred = 0x10000;
    return TWRC_SUCCESS;
}

TW_UINT32 CTwainSource::MinimumBufferBytes() const {
    WindowDescriptorType window = Settings;
    window.ScanWidth = InterpolatedScanWidth(Settings, ModelCode());
    const MemoryImageSize size = MeasureMemoryImage(window);
    return size.Refusal == TWCC_SUCCESS ? size.RowBytes : TWON_DONTCARE32;
}

TW_UINT16 CTwainSource::SendXferReady() {
    if (Session.State() != StateEnabled) return Fail(TWCC_SEQERROR);
    TW_UINT16 result = TWRC_FAILURE;
    if (!Notify(*this, MSG_XFERREADY, result) || result != TWRC_SUCCESS) return Fail(TWCC_BADDEST);
    Session.MoveTo(StateTransferReady);
    Job.ForgetDeliveredImage();
    return TWRC_SUCCESS;
}

bool CTwainSource::SendCloseRequest() {
    if (Session.State() < StateEnabled) return false;
    TW_UINT16 result = TWRC_FAILURE;
    if (!Notify(*this, MSG_CLOSEDSREQ, result) || result != TWRC_SUCCESS) return false;
    Session.MoveTo(StateEnabled);
    return true;
}

bool CTwainSource::SendCloseOk() {
    if (Session.State() != StateEnabled || !SettingsOnly) return false;
    TW_UINT16 result = TWRC_FAILURE;
    return Notify(*this, MSG_CLOSEDSOK, result) && result == TWRC_SUCCESS;
}

bool CTwainSource::CancelDialog() {
    if (SettingsOnly) Settings = SettingsBeforeDialog;
    return SendCloseRequest();
}
