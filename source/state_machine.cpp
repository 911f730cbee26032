// Enable and disable, pending transfers, memory-transfer set-up, and the
// notifications the source sends to the application through the Source Manager.
#include "platform/source_manager_link.h"
#include "source/twain_source.h"
#include "trace/trace.h"
#include "twain/names.h"

namespace {

// Sends one DG_CONTROL/DAT_NULL notification to the application through the
// Source Manager: through the entry point a TWAIN 2 Source Manager handed over,
// else through "DSM_Entry" of "TWAIN_32.DLL" loaded by name. False when the
// Source Manager cannot be reached.
bool Reach(TwainSession& session, TW_UINT16 msg, TW_UINT16& result) {
    if (const TW_ENTRYPOINT* entry = session.ManagerEntry()) {
        result = session.CallApplication(entry->DSM_Entry, msg);
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
    result = session.CallApplication(entry, msg);
    link.FreeLibrary(manager);
    return true;
}

}  // namespace

// True when the application took the notification.
bool CTwainSource::Notify(TW_UINT16 msg) {
    TW_UINT16 result = TWRC_FAILURE;
    const bool reached = Reach(session_, msg, result);
    if (trace::Enabled())
        trace::Write("notify DG_CONTROL/DAT_NULL/%s through %s -> %s", MessageName(msg),
                     session_.ManagerEntry() ? "the entry point" : "TWAIN_32.DLL",
                     reached ? ReturnCodeName(result) : "Source Manager unreachable");
    return reached && result == TWRC_SUCCESS;
}

// MSG_ENABLEDSUIONLY (TWAIN 2 applications only): the dialog shows what was asked
// as it is now, to be accepted (MSG_CLOSEDSOK) or cancelled (MSG_CLOSEDSREQ);
// nothing is scanned and no transfer is announced.
TW_UINT16 CTwainSource::EnableSettingsOnly(pTW_USERINTERFACE ui) {
    if (!session_.Twain2Application()) return Fail(TWCC_BADPROTOCOL);
    if (session_.State() != TwainState::Open) return Fail(TWCC_SEQERROR);
    if (!ui) return Fail(TWCC_BADVALUE);
    session_.MoveTo(TwainState::Enabled);
    settingsOnly_ = true;
    settingsBeforeDialog_ = negotiated_.Scan;
    if (!ShowScanDialog()) {
        session_.MoveTo(TwainState::Open);
        settingsOnly_ = false;
        return Fail(TWCC_OPERATIONERROR);
    }
    ui->ModalUI = FALSE;
    return TWRC_SUCCESS;
}

TW_UINT16 CTwainSource::AnswerUserInterface(TW_UINT16 msg, TW_MEMREF data) {
    auto* ui = static_cast<pTW_USERINTERFACE>(data);
    switch (msg) {
    case MSG_ENABLEDS:
        if (session_.State() != TwainState::Open) return Fail(TWCC_SEQERROR);
        if (!ui) return Fail(TWCC_BADVALUE);
        session_.MoveTo(TwainState::Enabled);
        if (!ui->ShowUI) {
            // Announced at once with the parameters as negotiated; a refused
            // notification leaves the source enabled with TWCC_BADDEST to report.
            SendXferReady();
            return TWRC_SUCCESS;
        }
        if (!ShowScanDialog()) {
            // Nothing on screen for the user to act on: the application must not wait.
            session_.MoveTo(TwainState::Open);
            return Fail(TWCC_OPERATIONERROR);
        }
        ui->ModalUI = FALSE;
        return TWRC_SUCCESS;
    case MSG_ENABLEDSUIONLY:
        return EnableSettingsOnly(ui);
    case MSG_DISABLEDS:
        if (session_.State() != TwainState::Enabled) return Fail(TWCC_SEQERROR);
        dialog_.reset();
        session_.MoveTo(TwainState::Open);
        settingsOnly_ = false;
        return TWRC_SUCCESS;
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 CTwainSource::AnswerPendingTransfers(TW_UINT16 msg, TW_MEMREF data) {
    auto* pending = static_cast<pTW_PENDINGXFERS>(data);
    const TwainState state = session_.State();
    switch (msg) {
    case MSG_GET:
        if (!pending) return Fail(TWCC_BADVALUE);
        pending->Count = 0xFFFF;
        return TWRC_SUCCESS;
    case MSG_ENDXFER:
        if (state != TwainState::TransferReady && state != TwainState::Transferring)
            return Fail(TWCC_SEQERROR);
        if (!pending) return Fail(TWCC_BADVALUE);
        pending->Count = 0;
        session_.MoveTo(TwainState::Enabled);
        job_.ForgetDeliveredImage();
        return TWRC_SUCCESS;
    case MSG_RESET:
        if (state != TwainState::TransferReady) return Fail(TWCC_SEQERROR);
        if (!pending) return Fail(TWCC_BADVALUE);
        pending->Count = 0;
        session_.MoveTo(TwainState::Enabled);
        return TWRC_SUCCESS;
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 CTwainSource::AnswerSetupMemXfer(TW_UINT16 msg, TW_MEMREF data) {
    if (!IsQueryMessage(msg)) return Fail(TWCC_BADPROTOCOL);
    if (session_.State() == TwainState::Transferring) return Fail(TWCC_SEQERROR);
    auto* setup = static_cast<pTW_SETUPMEMXFER>(data);
    if (!setup) return Fail(TWCC_BADVALUE);
    // A TWAIN 2 application is told the one row of the image its buffers must hold;
    // a 1.x application was always told it does not matter.
    const MemoryImageSize size = PlanNow().Memory;
    const bool rowKnown = session_.Twain2Application() && size.Refusal == TWCC_SUCCESS;
    setup->MinBufSize = rowKnown ? size.RowBytes : TWON_DONTCARE32;
    setup->MaxBufSize = 0x400000;
    setup->Preferred = 0x10000;
    return TWRC_SUCCESS;
}

TW_UINT16 CTwainSource::SendXferReady() {
    if (session_.State() != TwainState::Enabled) return Fail(TWCC_SEQERROR);
    if (!Notify(MSG_XFERREADY)) return Fail(TWCC_BADDEST);
    job_.Announce(negotiated_);
    session_.MoveTo(TwainState::TransferReady);
    return TWRC_SUCCESS;
}

bool CTwainSource::SendCloseRequest() {
    if (session_.State() < TwainState::Enabled) return false;
    if (!Notify(MSG_CLOSEDSREQ)) return false;
    session_.MoveTo(TwainState::Enabled);
    return true;
}
