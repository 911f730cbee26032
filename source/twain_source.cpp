// The source object's life, its identity and the dispatch of the connected
// application's triplets by data group and, under DG_CONTROL, by data argument type.
#include "source/twain_source.h"

#include <cstring>

#include "platform/global_memory.h"
#include "source/data_arguments.h"
#include "twain/names.h"

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
      TransferMechanism(TWSX_NATIVE),
      Indicators(true),
      SettingsOnly(false) {}

CTwainSource::~CTwainSource() {
    DestroyDialog();
}

bool CTwainSource::InitInstance() {
    SetRegistryKey("Brightmoor");
    TW_IDENTITY identity = {};
    identity.Version.MajorNum = 1;
    identity.Version.MinorNum = 9;
    identity.Version.Language = TWLG_ENGLISH;
    identity.Version.Country = TWCY_UNITEDKINGDOM;
    CopyText(identity.Version.Info, "TwainSource");
    identity.ProtocolMajor = 1;
    identity.ProtocolMinor = 6;
    // DF_DS2: a TWAIN 2 Source Manager then hands over its entry point before the
    // open; a TWAIN 1.x Source Manager ignores the flag.
    identity.SupportedGroups = DG_CONTROL | DG_IMAGE | DF_DS2;
    CopyText(identity.Manufacturer, "Halvard Ltd.");
    CopyText(identity.ProductFamily, "Scanners");
    LoadStringA(ResourceHandle(), 1, identity.ProductName, sizeof identity.ProductName);
    Session.Describe(identity);
    return true;
}

TW_UINT16 CTwainSource::Fail(TW_UINT16 conditionCode) {
    Session.SetConditionCode(conditionCode);
    return TWRC_FAILURE;
}

HandoutMemory CTwainSource::Handout() const {
    return HandoutMemory(Session.ManagerEntry());
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
    const DataArgumentRow* row = FindDataArgument(ControlDataArguments(), dat, ServesTwain2());
    return row ? row->Answer(*this, msg, data) : Fail(TWCC_BADPROTOCOL);
}

const DataArgumentRow* FindDataArgument(const DataArgumentTable& table, TW_UINT16 dat,
                                        bool twain2) {
    for (size_t i = 0; i < table.Count; ++i) {
        const DataArgumentRow& row = table.Rows[i];
        if (row.Dat == dat) return row.Twain2Only && !twain2 ? nullptr : &row;
    }
    return nullptr;
}

namespace {

TW_UINT16 AnswerNull(CTwainSource& source, TW_UINT16 msg, TW_MEMREF) {
    return msg == MSG_XFERREADY ? TWRC_SUCCESS : source.Fail(TWCC_BADPROTOCOL);
}

TW_UINT16 AnswerCapability(CTwainSource& source, TW_UINT16 msg, TW_MEMREF data) {
    return source.HandleCapability(msg, static_cast<pTW_CAPABILITY>(data));
}

TW_UINT16 AnswerEvent(CTwainSource& source, TW_UINT16, TW_MEMREF) {
    return source.Session.State() == StateOpen ? source.Fail(TWCC_SEQERROR) : TWRC_NOTDSEVENT;
}

TW_UINT16 AnswerIdentity(CTwainSource& source, TW_UINT16 msg, TW_MEMREF) {
    if (msg != MSG_CLOSEDS) return source.Fail(TWCC_BADPROTOCOL);
    if (source.Session.State() != StateOpen) return source.Fail(TWCC_OPERATIONERROR);
    source.Session.Close();
    return TWRC_SUCCESS;
}

TW_UINT16 AnswerEntryPoint(CTwainSource& source, TW_UINT16 msg, TW_MEMREF) {
    // Handed over before the open only.
    return source.Fail(msg == MSG_SET ? TWCC_SEQERROR : TWCC_BADPROTOCOL);
}

TW_UINT16 AnswerPendingTransfers(CTwainSource& source, TW_UINT16 msg, TW_MEMREF data) {
    return source.HandlePendingTransfers(msg, static_cast<pTW_PENDINGXFERS>(data));
}

TW_UINT16 AnswerSetupMemXfer(CTwainSource& source, TW_UINT16 msg, TW_MEMREF data) {
    if (!IsQueryMessage(msg)) return source.Fail(TWCC_BADPROTOCOL);
    return source.HandleSetupMemXfer(static_cast<pTW_SETUPMEMXFER>(data));
}

TW_UINT16 AnswerStatus(CTwainSource& source, TW_UINT16, TW_MEMREF data) {
    if (!data) return source.Fail(TWCC_BADVALUE);
    static_cast<pTW_STATUS>(data)->ConditionCode = source.Session.TakeConditionCode();
    return TWRC_SUCCESS;
}

TW_UINT16 AnswerUserInterface(CTwainSource& source, TW_UINT16 msg, TW_MEMREF data) {
    return source.HandleUserInterface(msg, static_cast<pTW_USERINTERFACE>(data));
}

// The one data group the source transfers: images. (A TWAIN 1.x application was
// never answered, and is not now.)
TW_UINT16 AnswerTransferGroup(CTwainSource& source, TW_UINT16 msg, TW_MEMREF data) {
    if (msg != MSG_GET) return source.Fail(TWCC_BADPROTOCOL);
    if (!data) return source.Fail(TWCC_BADVALUE);
    *static_cast<TW_UINT32*>(data) = DG_IMAGE;
    return TWRC_SUCCESS;
}

// The condition code the application names, as text in a block of the memory the
// source hands out (the Source Manager's when it gave its functions). The source's
// own condition code is left as it is.
TW_UINT16 AnswerStatusText(CTwainSource& source, TW_UINT16 msg, TW_MEMREF data) {
    if (msg != MSG_GET) return source.Fail(TWCC_BADPROTOCOL);
    if (!data) return source.Fail(TWCC_BADVALUE);
    auto* status = static_cast<pTW_STATUSUTF8>(data);
    const char* meaning = ConditionMeaning(status->Status.ConditionCode);
    const char* text = meaning ? meaning : "unknown condition";
    const size_t bytes = std::strlen(text) + 1;
    const HandoutMemory memory = source.Handout();
    HGLOBAL block = memory.Allocate(GMEM_MOVEABLE, bytes);
    void* bytesAt = block ? memory.Lock(block) : nullptr;
    if (!bytesAt) {
        if (block) memory.Free(block);
        return source.Fail(TWCC_LOWMEMORY);
    }
    std::memcpy(bytesAt, text, bytes);
    memory.Unlock(block);
    status->Size = static_cast<TW_UINT32>(bytes);
    status->UTF8string = block;
    return TWRC_SUCCESS;
}

TW_UINT16 AnswerCustomData(CTwainSource& source, TW_UINT16 msg, TW_MEMREF data) {
    return source.HandleCustomData(msg, static_cast<pTW_CUSTOMDSDATA>(data));
}

const DataArgumentRow ControlRows[] = {
    {DAT_NULL, false, &AnswerNull},
    {DAT_CAPABILITY, false, &AnswerCapability},
    {DAT_EVENT, false, &AnswerEvent},
    {DAT_IDENTITY, false, &AnswerIdentity},
    {DAT_ENTRYPOINT, false, &AnswerEntryPoint},
    {DAT_PENDINGXFERS, false, &AnswerPendingTransfers},
    {DAT_SETUPMEMXFER, false, &AnswerSetupMemXfer},
    {DAT_STATUS, false, &AnswerStatus},
    {DAT_USERINTERFACE, false, &AnswerUserInterface},
    {DAT_XFERGROUP, true, &AnswerTransferGroup},
    {DAT_CUSTOMDSDATA, true, &AnswerCustomData},
    {DAT_STATUSUTF8, true, &AnswerStatusText},
};

}  // namespace

DataArgumentTable ControlDataArguments() {
    return {DG_CONTROL, ControlRows, sizeof ControlRows / sizeof ControlRows[0]};
}
