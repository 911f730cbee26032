// DG_CONTROL/DAT_CAPABILITY: the message and state checks that come before any
// capability is looked at.
#include "capabilities/capability_handlers.h"
#include "source/twain_source.h"

TW_UINT16 CTwainSource::HandleCapability(TW_UINT16 msg, pTW_CAPABILITY capability) {
    if (ServesTwain2()) return HandleTwain2Capability(*this, msg, capability);
    switch (msg) {
    case MSG_GET:
    case MSG_GETCURRENT:
    case MSG_GETDEFAULT:
        break;
    case MSG_SET:
    case MSG_RESET:
        // Negotiated values change only while the source is open and not enabled.
        if (State != StateOpen) return Fail(TWCC_SEQERROR);
        break;
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
    if (!capability) return Fail(TWCC_BADVALUE);
    if (msg == MSG_SET) return SetCapability(*this, capability);
    return AnswerCapabilityQuery(*this, msg, capability);
}
