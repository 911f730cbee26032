// DS_Entry: the one entry point through which the Source Manager reaches the source.
#include "source/twain_source.h"
#include "trace/trace.h"

namespace {

// The connection is the state, not the Id: an application that leaves its Id at 0
// (as Wine's Source Manager does) is as connected as any other once it has opened.
bool IsConnected(const CTwainSource& source, const TW_IDENTITY* origin) {
    return origin && source.Session().State() != TwainState::Closed &&
           source.Session().AppIdentity().Id == origin->Id;
}

TW_UINT16 FailEntry(TW_UINT16 conditionCode) {
    EntryConditionCode() = conditionCode;
    return TWRC_FAILURE;
}

// The few triplets a caller that is not connected may send: identity get, open,
// status get, and the entry point a TWAIN 2 Source Manager hands over before the open.
TW_UINT16 HandleUnconnected(CTwainSource& source, pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat,
                            TW_UINT16 msg, TW_MEMREF data) {
    if (dg != DG_CONTROL) return FailEntry(TWCC_BADDEST);
    if (dat == DAT_IDENTITY && msg == MSG_GET) {
        if (!data) return FailEntry(TWCC_BADVALUE);
        *static_cast<pTW_IDENTITY>(data) = source.Session().SourceIdentity();
        return TWRC_SUCCESS;
    }
    if (dat == DAT_IDENTITY && msg == MSG_OPENDS) {
        if (source.Session().State() != TwainState::Closed) return FailEntry(TWCC_MAXCONNECTIONS);
        if (!origin) return FailEntry(TWCC_BADDEST);
        if (!data) return FailEntry(TWCC_BADVALUE);
        source.OpenSession(*origin, *static_cast<pTW_IDENTITY>(data));
        return TWRC_SUCCESS;
    }
    if (dat == DAT_ENTRYPOINT && msg == MSG_SET) {
        if (source.Session().State() != TwainState::Closed) return FailEntry(TWCC_SEQERROR);
        const auto* entry = static_cast<const TW_ENTRYPOINT*>(data);
        return entry && source.KeepManagerEntry(*entry) ? TWRC_SUCCESS : FailEntry(TWCC_BADVALUE);
    }
    if (dat == DAT_STATUS && msg == MSG_GET) {
        if (!data) return FailEntry(TWCC_BADVALUE);
        static_cast<pTW_STATUS>(data)->ConditionCode = EntryConditionCode();
        EntryConditionCode() = TWCC_SUCCESS;
        return TWRC_SUCCESS;
    }
    return FailEntry(TWCC_BADDEST);
}

TW_UINT16 Answer(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    // Asked for every message of the application's loop: answered first and at once.
    // Only DAT_EVENT carries a TW_EVENT; any other record is too small to write into.
    if (msg == MSG_PROCESSEVENT && dat == DAT_EVENT) {
        if (data) static_cast<pTW_EVENT>(data)->TWMessage = MSG_NULL;
        return TWRC_NOTDSEVENT;
    }
    CTwainSource* source = TheSource();
    if (!source) return TWRC_FAILURE;
    if (IsConnected(*source, origin)) return source->DispatchDataGroup(dg, dat, msg, data);
    return HandleUnconnected(*source, origin, dg, dat, msg, data);
}

// The triplet answered as above, with its line in the trace. The condition code
// traced is the one the failure left on the caller's path.
TW_UINT16 AnswerTraced(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                       TW_MEMREF data) {
    CTwainSource* source = TheSource();
    const TwainState stateBefore = source ? source->Session().State() : TwainState::Closed;
    const bool connected = source && IsConnected(*source, origin);
    const trace::TripletLine line(origin, dg, dat, msg, data, static_cast<int>(stateBefore));
    const TW_UINT16 rc = Answer(origin, dg, dat, msg, data);
    const TW_UINT16 condition =
        connected ? source->Session().ConditionCode() : EntryConditionCode();
    line.Finish(rc, condition,
                static_cast<int>(source ? source->Session().State() : TwainState::Closed));
    return rc;
}

}  // namespace

extern "C" TW_UINT16 WINAPI DS_Entry(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat,
                                     TW_UINT16 msg, TW_MEMREF data) {
    // Each session traces to the file named when it opens.
    if (dat == DAT_IDENTITY && msg == MSG_OPENDS) trace::Start();
    // The application's event loop asks about every window message: those answers
    // would drown the conversation, so they are not traced.
    if (msg == MSG_PROCESSEVENT || !trace::Enabled()) return Answer(origin, dg, dat, msg, data);
    return AnswerTraced(origin, dg, dat, msg, data);
}
