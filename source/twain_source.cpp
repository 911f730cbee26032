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

CTwainSource::CTwainSource()
    : CModuleApplication("DUNMERE.DLL"),
      AppIdentity(),
      SourceIdentity(),
      ScanDialog(nullptr),
      State(StateClosed),
      ConditionCode(TWCC_SUCCESS),
      TransferMechanism(TWSX_NATIVE),
      ManagerEntry(),
      HasManagerEntry(false),
      Twain2Application(false) {}

CTwainSource::~CTwainSource() {
    DestroyDialog();
}

bool CTwainSource::InitInstance() {
    SetRegistryKey("Brightmoor");
    SourceIdentity = TW_IDENTITY();
    SourceIdentity.Id = 0;
    SourceIdentity.Version.MajorNum = 1;
    SourceIdentity.Version.MinorNum = 9;
    SourceIdentity.Version.Language = TWLG_ENGLISH;
    SourceIdentity.Version.Country = TWCY_UNITEDKINGDOM;
    CopyText(SourceIdentity.Version.Info, "TwainSource");
    SourceIdentity.ProtocolMajor = 1;
    SourceIdentity.ProtocolMinor = 6;
    // DF_DS2: a TWAIN 2 Source Manager then hands over its entry point before the
    // open; a TWAIN 1.x Source Manager ignores the flag.
    SourceIdentity.SupportedGroups = DG_CONTROL | DG_IMAGE | DF_DS2;
    CopyText(SourceIdentity.Manufacturer, "Halvard Ltd.");
    CopyText(SourceIdentity.ProductFamily, "Scanners");
    LoadStringA(ResourceHandle(), 1, SourceIdentity.ProductName, sizeof SourceIdentity.ProductName);
    AppIdentity.Id = 0;
    Job.Stopped = false;
    return true;
}

TW_UINT16 CTwainSource::Fail(TW_UINT16 conditionCode) {
    ConditionCode = conditionCode;
    return TWRC_FAILURE;
}

TW_UINT16 CTwainSource::TakeManagerEntry(const TW_ENTRYPOINT* entry) {
    if (!entry || entry->Size < sizeof(TW_ENTRYPOINT) || !entry->DSM_Entry) return TWCC_BADVALUE;
    ManagerEntry = *entry;
    ManagerEntry.Size = sizeof(TW_ENTRYPOINT);
    HasManagerEntry = true;
    return TWCC_SUCCESS;
}

HandoutMemory CTwainSource::Handout() const {
    return HandoutMemory(HasManagerEntry ? &ManagerEntry : nullptr);
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
        return State == StateOpen ? Fail(TWCC_SEQERROR) : TWRC_NOTDSEVENT;
    case DAT_IDENTITY:
        if (msg != MSG_CLOSEDS) return Fail(TWCC_BADPROTOCOL);
        if (State != StateOpen) return Fail(TWCC_OPERATIONERROR);
        State = StateClosed;
        AppIdentity.Id = 0;
        // The next Source Manager to open the source hands over its own entry point.
        HasManagerEntry = false;
        Twain2Application = false;
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
        static_cast<pTW_STATUS>(data)->ConditionCode = ConditionCode;
        ConditionCode = TWCC_SUCCESS;
        return TWRC_SUCCESS;
    case DAT_USERINTERFACE:
        return HandleUserInterface(msg, static_cast<pTW_USERINTERFACE>(data));
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}
