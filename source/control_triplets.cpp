// The DG_CONTROL triplets of the connected application, but for the user interface
// and the transfers' bookkeeping (state_machine.cpp): capabilities, events, the
// close, status, the transfer group, the settings block and status texts.
#include <cstring>

#include "capabilities/capability_table.h"
#include "capabilities/custom_data.h"
#include "source/twain_source.h"
#include "twain/names.h"

TW_UINT16 CTwainSource::AnswerNull(TW_UINT16 msg, TW_MEMREF) {
    return msg == MSG_XFERREADY ? TWRC_SUCCESS : Fail(TWCC_BADPROTOCOL);
}

TW_UINT16 CTwainSource::AnswerCapability(TW_UINT16 msg, TW_MEMREF data) {
    CapabilityContext context = ContextForCapabilities();
    const bool changeable = session_.State() == TwainState::Open;
    const TW_UINT16 result =
        NegotiateCapability(msg, static_cast<pTW_CAPABILITY>(data), changeable, context);
    return result == TWRC_FAILURE ? Fail(context.ConditionCode) : result;
}

TW_UINT16 CTwainSource::AnswerEvent(TW_UINT16, TW_MEMREF) {
    return session_.State() == TwainState::Open ? Fail(TWCC_SEQERROR) : TWRC_NOTDSEVENT;
}

TW_UINT16 CTwainSource::AnswerIdentity(TW_UINT16 msg, TW_MEMREF) {
    if (msg != MSG_CLOSEDS) return Fail(TWCC_BADPROTOCOL);
    if (session_.State() != TwainState::Open) return Fail(TWCC_OPERATIONERROR);
    session_.Close();
    return TWRC_SUCCESS;
}

TW_UINT16 CTwainSource::AnswerEntryPoint(TW_UINT16 msg, TW_MEMREF) {
    // Handed over before the open only.
    return Fail(msg == MSG_SET ? TWCC_SEQERROR : TWCC_BADPROTOCOL);
}

TW_UINT16 CTwainSource::AnswerStatus(TW_UINT16, TW_MEMREF data) {
    if (!data) return Fail(TWCC_BADVALUE);
    static_cast<pTW_STATUS>(data)->ConditionCode = session_.TakeConditionCode();
    return TWRC_SUCCESS;
}

// The one data group the source transfers: images. (A TWAIN 1.x application was
// never answered, and is not now.)
TW_UINT16 CTwainSource::AnswerTransferGroup(TW_UINT16 msg, TW_MEMREF data) {
    if (msg != MSG_GET) return Fail(TWCC_BADPROTOCOL);
    if (!data) return Fail(TWCC_BADVALUE);
    *static_cast<TW_UINT32*>(data) = DG_IMAGE;
    return TWRC_SUCCESS;
}

// The condition code the application names, as text in a block of the memory the
// source hands out (the Source Manager's when it gave its functions). The source's
// own condition code is left as it is.
TW_UINT16 CTwainSource::AnswerStatusText(TW_UINT16 msg, TW_MEMREF data) {
    if (msg != MSG_GET) return Fail(TWCC_BADPROTOCOL);
    if (!data) return Fail(TWCC_BADVALUE);
    auto* status = static_cast<pTW_STATUSUTF8>(data);
    const char* meaning = ConditionMeaning(status->Status.ConditionCode);
    const char* text = meaning ? meaning : "unknown condition";
    const size_t bytes = std::strlen(text) + 1;
    HGLOBAL block = Handout().Copy(text, bytes);
    if (!block) return Fail(TWCC_LOWMEMORY);
    status->Size = static_cast<TW_UINT32>(bytes);
    status->UTF8string = block;
    return TWRC_SUCCESS;
}

// TWAIN 2 applications, in state 4: what was asked, as a block the application
// keeps and hands back later.
TW_UINT16 CTwainSource::AnswerCustomData(TW_UINT16 msg, TW_MEMREF data) {
    if (msg != MSG_GET && msg != MSG_SET) return Fail(TWCC_BADPROTOCOL);
    if (session_.State() != TwainState::Open) return Fail(TWCC_SEQERROR);
    auto* custom = static_cast<pTW_CUSTOMDSDATA>(data);
    if (!custom) return Fail(TWCC_BADVALUE);
    TW_UINT16 condition = TWCC_SUCCESS;
    const TW_UINT16 result = msg == MSG_GET
                                 ? GiveSettingsBlock(negotiated_, Handout(), *custom, condition)
                                 : TakeSettingsBlock(negotiated_, ModelCode(), *custom, condition);
    return result == TWRC_FAILURE ? Fail(condition) : result;
}
