// Every capability the source knows, one row each, in the order CAP_SUPPORTEDCAPS
// lists them: the TWAIN 1.x list first, then what only TWAIN 2 applications are
// offered. Then the checks every DAT_CAPABILITY triplet passes before its answer.
#include "capabilities/capability_table.h"

namespace {

constexpr TW_UINT32 AllMessages =
    TWQC_GET | TWQC_SET | TWQC_GETDEFAULT | TWQC_GETCURRENT | TWQC_RESET;
constexpr TW_UINT32 GetsOnly = TWQC_GET | TWQC_GETDEFAULT | TWQC_GETCURRENT;

constexpr Twain1Use Listed = Twain1Use::Listed, SetOnly = Twain1Use::SetOnly,
                    Unknown = Twain1Use::Unknown;

const CapabilityRow Rows[] = {
    {CAP_XFERCOUNT, Listed, AllMessages, &AnswerTransferCount},
    {CAP_SUPPORTEDCAPS, Listed, GetsOnly, &AnswerSupportedCaps},
    {CAP_UICONTROLLABLE, Listed, GetsOnly, &AnswerUiControllable},
    {ICAP_COMPRESSION, Listed, AllMessages, &AnswerCompression},
    {ICAP_PLANARCHUNKY, Listed, AllMessages, &AnswerPlanarChunky},
    {ICAP_PHYSICALHEIGHT, Listed, GetsOnly, &AnswerPhysicalHeight},
    {ICAP_PHYSICALWIDTH, Listed, GetsOnly, &AnswerPhysicalWidth},
    {ICAP_PIXELFLAVOR, Listed, AllMessages, &AnswerPixelFlavor},
    {ICAP_BITDEPTH, Listed, AllMessages, &AnswerBitDepth},
    {ICAP_BITORDER, Listed, AllMessages, &AnswerBitOrder},
    {ICAP_PIXELTYPE, Listed, AllMessages, &AnswerPixelType},
    {ICAP_UNITS, Listed, AllMessages, &AnswerUnits},
    {ICAP_XFERMECH, Listed, AllMessages, &AnswerTransferMechanism},
    {ICAP_XRESOLUTION, Listed, AllMessages, &AnswerResolution},
    {ICAP_YRESOLUTION, Listed, AllMessages, &AnswerResolution},
    {ICAP_BRIGHTNESS, SetOnly, AllMessages, &AnswerBrightness},
    {ICAP_THRESHOLD, SetOnly, AllMessages, &AnswerThreshold},
    {CAP_DEVICEONLINE, Unknown, GetsOnly, &AnswerDeviceOnline},
    {CAP_SUPPORTEDDATS, Unknown, GetsOnly, &AnswerSupportedDats},
    {CAP_INDICATORS, Unknown, AllMessages, &AnswerIndicators},
    {CAP_ENABLEDSUIONLY, Unknown, GetsOnly, &AnswerOnlyTrue},
    {CAP_CUSTOMDSDATA, Unknown, GetsOnly, &AnswerOnlyTrue},
    {CAP_PAPERDETECTABLE, Unknown, GetsOnly, &AnswerOnlyFalse},
    {ICAP_SUPPORTEDSIZES, Unknown, AllMessages, &AnswerSupportedSizes},
    {ICAP_FRAMES, Unknown, AllMessages, &AnswerFrames},
    {ICAP_MAXFRAMES, Unknown, AllMessages, &AnswerMaxFrames},
    {CAP_FEEDERENABLED, Unknown, AllMessages, &AnswerOnlyFalse},
    {CAP_FEEDERLOADED, Unknown, GetsOnly, &AnswerOnlyFalse},
    {ICAP_XNATIVERESOLUTION, Unknown, GetsOnly, &AnswerNativeResolution},
    {ICAP_YNATIVERESOLUTION, Unknown, GetsOnly, &AnswerNativeResolution},
    {ICAP_AUTOMATICLENGTHDETECTION, Unknown, AllMessages, &AnswerAutomaticLength},
    {ICAP_UNDEFINEDIMAGESIZE, Unknown, AllMessages, &AnswerUndefinedImageSize},
};

static_assert(sizeof Rows / sizeof Rows[0] <= sizeof CapabilityList::Caps / sizeof(TW_UINT16),
              "every row fits in a supported-capabilities list");

const CapabilityRow* FindCapability(TW_UINT16 cap) {
    for (const CapabilityRow& row : Rows)
        if (row.Cap == cap) return &row;
    return nullptr;
}

TW_UINT32 QueryFlagOf(TW_UINT16 msg) {
    switch (msg) {
    case MSG_GET:
        return TWQC_GET;
    case MSG_GETCURRENT:
        return TWQC_GETCURRENT;
    case MSG_GETDEFAULT:
        return TWQC_GETDEFAULT;
    case MSG_SET:
        return TWQC_SET;
    case MSG_RESET:
        return TWQC_RESET;
    default:
        return 0;
    }
}

TW_UINT16 AnswerTwain1(const CapabilityRow* row, CapabilityCall& call) {
    if (!row || row->Twain1 == Twain1Use::Unknown) return call.Fail(TWCC_BADCAP);
    if (row->Twain1 == Twain1Use::SetOnly && call.Message() != MSG_SET)
        return call.Fail(TWCC_BADCAP);
    return row->Answer(call);
}

TW_UINT16 AnswerTwain2(const CapabilityRow* row, CapabilityCall& call) {
    if (!row || row->Twain2Messages == 0) return call.Fail(TWCC_CAPUNSUPPORTED);
    if (call.Message() == MSG_QUERYSUPPORT) return call.OneValue(TWTY_INT32, row->Twain2Messages);
    if ((row->Twain2Messages & QueryFlagOf(call.Message())) == 0)
        return call.Fail(TWCC_CAPBADOPERATION);
    return row->Answer(call);
}

// MSG_RESETALL: every capability listed to the caller's kind of application that
// it may reset is reset as MSG_RESET resets it, and the replies are freed. (A
// TWAIN 1.x application is refused MSG_RESET of some: those are skipped.) The first
// that cannot be reset ends it with its failure, and the caller puts back what was
// asked before.
}  // namespace

TW_UINT16 ResetEveryCapability(CapabilityContext& context) {
    for (const CapabilityRow& row : Rows) {
        const bool listed = context.Twain2 ? (row.Twain2Messages & TWQC_RESET) != 0
                                           : row.Twain1 == Twain1Use::Listed;
        if (!listed) continue;
        TW_CAPABILITY capability = {row.Cap, TWON_DONTCARE16, nullptr};
        CapabilityCall call(MSG_RESET, capability, context);
        const TW_UINT16 result = row.Answer(call);
        if (!context.Twain2 && result == TWRC_FAILURE && context.ConditionCode == TWCC_BADCAP)
            continue;
        if (result != TWRC_SUCCESS) return result;
        context.Memory.Free(capability.hContainer);
    }
    return TWRC_SUCCESS;
}

namespace {

TW_UINT16 Refuse(CapabilityContext& context, TW_UINT16 conditionCode) {
    context.ConditionCode = conditionCode;
    return TWRC_FAILURE;
}

}  // namespace

CapabilityList Twain1Capabilities() {
    CapabilityList list = {};
    for (const CapabilityRow& row : Rows)
        if (row.Twain1 == Twain1Use::Listed) list.Caps[list.Count++] = row.Cap;
    return list;
}

CapabilityList Twain2Capabilities() {
    CapabilityList list = {};
    for (const CapabilityRow& row : Rows)
        if (row.Twain2Messages != 0) list.Caps[list.Count++] = row.Cap;
    return list;
}

TW_UINT16 NegotiateCapability(TW_UINT16 msg, pTW_CAPABILITY capability, bool changeable,
                              CapabilityContext& context) {
    if (msg == MSG_RESETALL)
        return changeable ? ResetEveryCapability(context) : Refuse(context, TWCC_SEQERROR);
    const TW_UINT32 flag = QueryFlagOf(msg);
    if (flag == 0 && !(context.Twain2 && msg == MSG_QUERYSUPPORT))
        return Refuse(context, TWCC_BADPROTOCOL);
    // A change is refused for the state before it is refused for the capability.
    if ((flag & (TWQC_SET | TWQC_RESET)) && !changeable) return Refuse(context, TWCC_SEQERROR);
    if (!capability) return Refuse(context, TWCC_BADVALUE);
    const CapabilityRow* row = FindCapability(capability->Cap);
    CapabilityCall call(msg, *capability, context);
    return context.Twain2 ? AnswerTwain2(row, call) : AnswerTwain1(row, call);
}

// The capabilities listed to the caller's kind of application.
TW_UINT16 AnswerSupportedCaps(CapabilityCall& call) {
    if (call.Message() == MSG_SET || (!call.Twain2() && call.Message() != MSG_GET))
        return call.Fail(TWCC_BADCAP);
    const CapabilityList list = call.Twain2() ? Twain2Capabilities() : Twain1Capabilities();
    return call.Array(TWTY_UINT16, list.Caps, list.Count);
}

// Every data argument the dispatch answers.
TW_UINT16 AnswerSupportedDats(CapabilityCall& call) {
    const DataArgumentList dats = call.Context().DataArguments;
    return call.Array(TWTY_UINT32, dats.Items, dats.Count);
}
