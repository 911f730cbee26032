// The source object's life, its identity and the dispatch of the connected
// application's triplets by data group and, under DG_CONTROL, by data argument type.
#include "source/twain_source.h"

#include <cstring>

#include "platform/global_memory.h"

namespace {

void CopyText(TW_STR32& field, const char* text) {
    std::memset(field, 0, sizeof field);
    std::strncpy(field, text, 32);
}

}  // namespace

bool IsQueryMessage(TW_UINT16 msg) {
    return msg == MSG_GET || msg == MSG_GETCURRENT || msg == MSG_GETDEFAULT;
}

CTwainSource::CTwainSource() : CModuleApplication("DUNMERE.DLL"), TransferMechanism(TWSX_NATIVE) {}

CTwainSource::~CTwainSource() {
    DestroyDialog();
}

bool CTwainSource::InitInstance() {
    SetRegistryKey("Brightmoor");
    Session.SourceIdentity = TW_IDENTITY();
    Session.SourceIdentity.Id = 0;
    Session.SourceIdentity.Version.MajorNum = 1;
    Session.SourceIdentity.Version.MinorNum = 9;
    Session.SourceIdentity.Version.Language = TWLG_ENGLISH;
    Session.SourceIdentity.Version.Country = TWCY_UNITEDKINGDOM;
    CopyText(Session.SourceIdentity.Version.Info, "TwainSource");
    Session.SourceIdentity.ProtocolMajor = 1;
    Session.SourceIdentity.ProtocolMinor = 6;
    // DF_DS2: a TWAIN 2 Source Manager then hands over its entry point before the
    // open; a TWAIN 1.x Source Manager ignores the flag.
    Session.SourceIdentity.SupportedGroups = DG_CONTROL | DG_IMAGE | DF_DS2;
    CopyText(Session.SourceIdentity.Manufacturer, "Halvard Ltd.");
    CopyText(Session.SourceIdentity.ProductFamily, "Scanners");
    LoadStringA(ResourceHandle(), 1, Session.SourceIdentity.ProductName,
                sizeof Session.SourceIdentity.ProductName);
    Session.AppIdentity.Id = 0;
    Job.Stopped = false;
    return true;
}

TW_UINT16 CTwainSource::Fail(TW_UINT16 conditionCode) {
    Session.ConditionCode = conditionCode;
    return TWRC_FAILURE;
}

TW_UINT16 CTwainSource::TakeManagerEntry(const TW_ENTRYPOINT* entry) {
    if (!entry || entry->Size < sizeof(TW_ENTRYPOINT) || !entry->DSM_Entry) return TWCC_BADVALUE;
    Session.ManagerEntry = *entry;
    Session.ManagerEntry.Size = sizeof(TW_ENTRYPOINT);
    Session.HasManagerEntry = true;
    return TWCC_SUCCESS;
}

HandoutMemory CTwainSource::Handout() const {
    return HandoutMemory(Session.HasManagerEntry ? &Session.ManagerEntry : nullptr);
}

TW_UINT16 CTwainSource::DispatchDataGroup(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat,
                                          TW_UINT16 msg, TW_MEMREF data) {
    switch (dg) {
    case DG_CONTROL:
        return DispatchControl(origin, dat, msg, data);
    case DG_IMAGE:
        return HandleImage(dat, msg, data);
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 CTwainSource::DispatchControl(pTW_IDENTITY, TW_UINT16 dat, TW_UINT16 msg,
                                        TW_MEMREF data) {
    switch (dat) {
    case DAT_NULL:
        return msg == MSG_XFERREADY ? TWRC_SUCCESS : Fail(TWCC_BADPROTOCOL);
    case DAT_CAPABILITY:
        return HandleCapability(msg, static_cast<pTW_CAPABILITY>(data));
    case DAT_EVENT:
        return Session.State == StateOpen ? Fail(TWCC_SEQERROR) : TWRC_NOTDSEVENT;
    case DAT_IDENTITY:
        if (msg != MSG_CLOSEDS) return Fail(TWCC_BADPROTOCOL);
        if (Session.State != StateOpen) return Fail(TWCC_OPERATIONERROR);
        Session.State = StateClosed;
        Session.AppIdentity.Id = 0;
        // The next Source Manager to open the source hands over its own entry point.
        Session.HasManagerEntry = false;
        Session.Twain2Application = false;
        return TWRC_SUCCESS;
    case DAT_ENTRYPOINT:
        // Handed over before the open only.
        return Fail(msg == MSG_SET ? TWCC_SEQERROR : TWCC_BADPROTOCOL);
    case DAT_PENDINGXFERS:
        return HandlePendingTransfers(msg, static_cast<pTW_PENDINGXFERS>(data));
    case DAT_SETUPMEMXFER:
        if (!IsQueryMessage(msg)) return Fail(TWCC_BADPROTOCOL);
        return HandleSetupMemXfer(static_cast<pTW_SETUPMEMXFER>(data));
    case DAT_STATUS:
        if (!data) return Fail(TWCC_BADVALUE);
        static_cast<pTW_STATUS>(data)->ConditionCode = Session.ConditionCode;
        Session.ConditionCode = TWCC_SUCCESS;
        return TWRC_SUCCESS;
    case DAT_USERINTERFACE:
        return HandleUserInterface(msg, static_cast<pTW_USERINTERFACE>(data));
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}
