// The source object's life, its identity, and the dispatch of the connected
// application's triplets: one table of data arguments for both data groups.
#include "source/twain_source.h"

#include <cstring>
#include <vector>

#include "capabilities/capability_table.h"

namespace {

// The protocol the source speaks to a TWAIN 2 application; a TWAIN 1.x one is told
// 1.6, the protocol of the identity the source reports before any open.
constexpr TW_UINT16 Twain2ProtocolMajor = 2;
constexpr TW_UINT16 Twain2ProtocolMinor = 4;

void CopyText(TW_STR32& field, const char* text) {
    std::memset(field, 0, sizeof field);
    std::strncpy(field, text, 32);
}

}  // namespace

bool IsQueryMessage(TW_UINT16 msg) {
    return msg == MSG_GET || msg == MSG_GETCURRENT || msg == MSG_GETDEFAULT;
}

CTwainSource::CTwainSource() : CModuleApplication("DUNMERE.DLL"), settingsOnly_(false) {}

CTwainSource::~CTwainSource() {
    dialog_.reset();
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
    session_.Describe(identity);
    return true;
}

void CTwainSource::OpenSession(const TW_IDENTITY& application, TW_IDENTITY& source) {
    const bool twain2 = (application.SupportedGroups & DF_APP2) != 0;
    if (twain2) {
        source.ProtocolMajor = Twain2ProtocolMajor;
        source.ProtocolMinor = Twain2ProtocolMinor;
    }
    session_.Open(application, source);
    settingsOnly_ = false;
    if (!twain2) {
        // What only a TWAIN 2 application negotiates does not outlive its session.
        const Negotiated builtIn;
        negotiated_.Indicators = builtIn.Indicators;
        negotiated_.TransferCount = builtIn.TransferCount;
        negotiated_.AutomaticLength = builtIn.AutomaticLength;
        negotiated_.UndefinedImageSize = builtIn.UndefinedImageSize;
        return;
    }
    negotiated_ = Negotiated();
    CapabilityContext context = ContextForCapabilities();
    ResetEveryCapability(context);
}

CapabilityContext CTwainSource::ContextForCapabilities() {
    return {session_.Twain2Application(), negotiated_, job_, Handout(),
            DataArgumentsAnswered(),      TWCC_SUCCESS};
}

TW_UINT16 CTwainSource::Fail(TW_UINT16 conditionCode) {
    session_.SetConditionCode(conditionCode);
    return TWRC_FAILURE;
}

// The data group's rows in the order CAP_SUPPORTEDDATS lists them.
const CTwainSource::DataArgumentRow CTwainSource::DataArguments[] = {
    {DG_CONTROL, DAT_NULL, false, false, &CTwainSource::AnswerNull},
    {DG_CONTROL, DAT_CAPABILITY, false, true, &CTwainSource::AnswerCapability},
    {DG_CONTROL, DAT_EVENT, false, false, &CTwainSource::AnswerEvent},
    {DG_CONTROL, DAT_IDENTITY, false, false, &CTwainSource::AnswerIdentity},
    {DG_CONTROL, DAT_ENTRYPOINT, false, false, &CTwainSource::AnswerEntryPoint},
    {DG_CONTROL, DAT_PENDINGXFERS, false, false, &CTwainSource::AnswerPendingTransfers},
    {DG_CONTROL, DAT_SETUPMEMXFER, false, false, &CTwainSource::AnswerSetupMemXfer},
    {DG_CONTROL, DAT_STATUS, false, false, &CTwainSource::AnswerStatus},
    {DG_CONTROL, DAT_USERINTERFACE, false, true, &CTwainSource::AnswerUserInterface},
    {DG_CONTROL, DAT_XFERGROUP, true, false, &CTwainSource::AnswerTransferGroup},
    {DG_CONTROL, DAT_CUSTOMDSDATA, true, true, &CTwainSource::AnswerCustomData},
    {DG_CONTROL, DAT_STATUSUTF8, true, false, &CTwainSource::AnswerStatusText},
    {DG_IMAGE, DAT_IMAGEINFO, false, false, &CTwainSource::AnswerImageInfo},
    {DG_IMAGE, DAT_IMAGELAYOUT, false, true, &CTwainSource::AnswerImageLayout},
    {DG_IMAGE, DAT_IMAGEMEMXFER, false, false, &CTwainSource::AnswerMemoryTransfer},
    {DG_IMAGE, DAT_PALETTE8, false, false, &CTwainSource::AnswerPalette},
    {DG_IMAGE, DAT_IMAGENATIVEXFER, false, false, &CTwainSource::AnswerNativeTransfer},
};

DataArgumentList CTwainSource::DataArgumentsAnswered() {
    static const std::vector<TW_UINT32> items = [] {
        std::vector<TW_UINT32> listed;
        for (const DataArgumentRow& row : DataArguments)
            // DAT_NULL comes from the source, never to it.
            if (row.Dat != DAT_NULL) listed.push_back(row.Group << 16 | row.Dat);
        return listed;
    }();
    return {items.data(), items.size()};
}

TW_UINT16 CTwainSource::DispatchDataGroup(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                                          TW_MEMREF data) {
    if (dg != DG_CONTROL && dg != DG_IMAGE) return Fail(TWCC_BADPROTOCOL);
    for (const DataArgumentRow& row : DataArguments) {
        if (row.Group != dg || row.Dat != dat) continue;
        if (row.Twain2Only && !session_.Twain2Application()) break;
        if (!row.ChangesAsked) return (this->*row.Answer)(msg, data);
        // A change that fails or is refused leaves what was asked as it was.
        const Negotiated before = negotiated_;
        const TW_UINT16 result = (this->*row.Answer)(msg, data);
        if (result == TWRC_FAILURE) negotiated_ = before;
        return result;
    }
    return Fail(TWCC_BADPROTOCOL);
}
