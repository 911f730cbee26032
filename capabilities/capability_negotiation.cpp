// DG_CONTROL/DAT_CAPABILITY: the message and state checks that come before any
// capability is looked at, then the capability's row applied to the message, for a
// TWAIN 1.x application or for one that speaks TWAIN 2. An application's MSG_SET
// container stays the application's: it is locked for the reading, unlocked again
// before returning, and never freed or replaced.
#include "capabilities/capability_table.h"
#include "capabilities/containers.h"
#include "source/twain_source.h"

namespace {

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

TW_UINT32 ValueOf(const CapabilityValue& value, const CTwainSource& source) {
    return value.Read ? value.Read(source) : value.Fixed;
}

Reply ReplyTo(const Replies& replies, TW_UINT16 msg) {
    switch (msg) {
    case MSG_GET:
        return replies.Get;
    case MSG_GETCURRENT:
        return replies.GetCurrent;
    case MSG_GETDEFAULT:
        return replies.GetDefault;
    default:
        return replies.Reset;
    }
}

// A reply of the rows' vocabulary, with one values at the caller's item type.
TW_UINT16 Answer(CTwainSource& source, const CapabilityRow& row, Reply reply, bool twain2,
                 pTW_CAPABILITY capability) {
    const TW_UINT16 itemType = twain2 ? row.Twain2.ItemType : row.ItemType;
    switch (reply) {
    case Reply::Current:
        return source.MakeOneValue(capability, itemType, ValueOf(row.Current, source));
    case Reply::Default:
        return source.MakeOneValue(capability, itemType, ValueOf(row.Default, source));
    case Reply::Choices:
        return row.Choices(source, capability);
    case Reply::Supported: {
        const CapabilityList list = twain2 ? Twain2Capabilities() : Twain1Capabilities();
        return source.MakeUInt16Array(capability, list.Caps, list.Count);
    }
    default:
        return source.Fail(TWCC_BADCAP);
    }
}

// MSG_RESET: the row's change, then its reply; a reset whose reply cannot be built
// leaves the negotiated values as they were.
TW_UINT16 Reset(CTwainSource& source, const CapabilityRow& row, Reply reply,
                pTW_CAPABILITY capability) {
    if (reply == Reply::BadCap || !row.Reset) return Answer(source, row, reply, false, capability);
    const ScanSettings settings = source.Settings;
    const TW_UINT16 mechanism = source.TransferMechanism;
    row.Reset(source);
    const TW_UINT16 result = Answer(source, row, reply, false, capability);
    if (result != TWRC_SUCCESS) {
        source.Settings = settings;
        source.TransferMechanism = mechanism;
    }
    return result;
}

// The values of the request the row reads and checks; false when the container
// does not hold one or one is refused.
bool AcceptedRequest(const CTwainSource& source, const CapabilityRow& row,
                     const ApplicationContainer& container, SetRequest& request) {
    const SetRule& rule = row.Set;
    request = {container.Value32(), container.ConType(), container.ItemType()};
    const bool enumeration = container.ConType() == TWON_ENUMERATION;
    if (enumeration && rule.Read == ReadAt::ItemOrEntry16) {
        if (rule.Checked == EntryCheck::Every) {
            for (TW_UINT32 i = 0; i < container.NumItems(); ++i) {
                const SetRequest entry = {container.Entry16(i), request.ConType, request.ItemType};
                if (!rule.Accepts(source, row, entry)) return false;
            }
        }
        if (!container.HasCurrentEntry()) return false;
        request.Value = container.CurrentEntry16();
    } else if (enumeration && rule.Read == ReadAt::ItemOrEntryAtWidth) {
        if (!container.CurrentEntryAtItemWidth(request.Value)) return false;
    }
    return !rule.Accepts || rule.Accepts(source, row, request);
}

TW_UINT16 Set(CTwainSource& source, const CapabilityRow& row, pTW_CAPABILITY capability) {
    const SetRule& rule = row.Set;
    if (rule.Containers == ConNone) return source.Fail(TWCC_BADCAP);
    const TW_UINT16 conType = capability->ConType;
    const uint8_t mask = conType == TWON_ONEVALUE      ? ConOneValue
                         : conType == TWON_ENUMERATION ? ConEnumeration
                         : conType == TWON_RANGE       ? ConRange
                         : conType == TWON_ARRAY       ? ConArray
                                                       : ConNone;
    if ((rule.Containers & mask) == 0) return source.Fail(rule.OtherContainers);
    ApplicationContainer container(*capability);
    if (!container.Valid()) return source.Fail(TWCC_BADVALUE);
    SetRequest request;
    if (!AcceptedRequest(source, row, container, request)) return source.Fail(TWCC_BADVALUE);
    if (rule.Store) rule.Store(source, request);
    return TWRC_SUCCESS;
}

TW_UINT16 AnswerTwain1(CTwainSource& source, const CapabilityRow* row, TW_UINT16 msg,
                       pTW_CAPABILITY capability) {
    if (!row) return source.Fail(TWCC_BADCAP);
    if (msg == MSG_SET) return Set(source, *row, capability);
    const Reply reply = ReplyTo(row->Twain1, msg);
    if (msg == MSG_RESET) return Reset(source, *row, reply, capability);
    return Answer(source, *row, reply, false, capability);
}

TW_UINT16 AnswerTwain2(CTwainSource& source, const CapabilityRow* row, TW_UINT16 msg,
                       pTW_CAPABILITY capability) {
    if (!row || row->Twain2.Messages == 0) return source.Fail(TWCC_CAPUNSUPPORTED);
    if (msg == MSG_QUERYSUPPORT)
        return source.MakeOneValue(capability, TWTY_INT32, row->Twain2.Messages);
    const TW_UINT32 flag = QueryFlagOf(msg);
    if ((row->Twain2.Messages & flag) == 0) return source.Fail(TWCC_CAPBADOPERATION);
    const Reply reply = msg == MSG_SET ? row->Twain2.Set : ReplyTo(row->Twain2.Answers, msg);
    if (reply == Reply::AsTwain1) return AnswerTwain1(source, row, msg, capability);
    if (reply == Reply::Own) return row->Twain2.OwnAnswer(source, msg, capability);
    return Answer(source, *row, reply, true, capability);
}

// MSG_RESETALL (TWAIN 2, state 4): every listed capability that takes MSG_RESET is
// reset as MSG_RESET resets it, and the replies are freed. If one cannot be reset,
// the negotiated values are put back as they were.
TW_UINT16 ResetAll(CTwainSource& source) {
    if (source.Session.State() != StateOpen) return source.Fail(TWCC_SEQERROR);
    const ScanSettings settings = source.Settings;
    const TW_UINT16 mechanism = source.TransferMechanism;
    const bool indicators = source.Indicators;
    const CapabilityList list = Twain2Capabilities();
    for (size_t i = 0; i < list.Count; ++i) {
        const CapabilityRow* row = FindCapability(list.Caps[i]);
        if ((row->Twain2.Messages & TWQC_RESET) == 0) continue;
        TW_CAPABILITY capability = {row->Cap, TWON_DONTCARE16, nullptr};
        const TW_UINT16 result = AnswerTwain2(source, row, MSG_RESET, &capability);
        if (result == TWRC_SUCCESS) {
            source.Handout().Free(capability.hContainer);
            continue;
        }
        source.Settings = settings;
        source.TransferMechanism = mechanism;
        source.Indicators = indicators;
        return result;
    }
    return TWRC_SUCCESS;
}

bool InStates(uint32_t states, int32_t state) {
    return state >= 0 && state < 32 && (states & InState(state)) != 0;
}

}  // namespace

TW_UINT16 CTwainSource::HandleCapability(TW_UINT16 msg, pTW_CAPABILITY capability) {
    const bool twain2 = ServesTwain2();
    if (twain2 && msg == MSG_RESETALL) return ResetAll(*this);
    const TW_UINT32 flag = QueryFlagOf(msg);
    if (flag == 0 && !(twain2 && msg == MSG_QUERYSUPPORT)) return Fail(TWCC_BADPROTOCOL);
    const CapabilityRow* row = capability ? FindCapability(capability->Cap) : nullptr;
    if ((flag & (TWQC_SET | TWQC_RESET)) && !InStates(ChangeStatesOf(row), Session.State()))
        return Fail(TWCC_SEQERROR);
    if (!capability) return Fail(TWCC_BADVALUE);
    return twain2 ? AnswerTwain2(*this, row, msg, capability)
                  : AnswerTwain1(*this, row, msg, capability);
}
