// How the image is handed over: the transfer mechanism and count, and, for TWAIN 2
// applications, the indicators and whether the scanner is there.
#include "capabilities/capability_table.h"

namespace {

TW_UINT16 MechanismChoices(CapabilityCall& call) {
    static const TW_UINT16 mechanisms[] = {TWSX_NATIVE, TWSX_MEMORY};
    return call.Enumeration(TWTY_UINT16, 2, call.Asked().TransferMechanism != 0 ? 1 : 0, 0,
                            mechanisms);
}

// A TWAIN 1.x application's one value is tested on its whole Item and on the 16
// bits that are stored, so that no Item whose low half is TWSX_FILE slips through
// as another value; any other mechanism is stored as it comes.
TW_UINT16 SetMechanismTwain1(CapabilityCall& call) {
    TW_UINT32 mechanism;
    auto notFile = [](TW_UINT32 value) {
        return value != TWSX_FILE && (value & 0xFFFF) != TWSX_FILE;
    };
    if (!call.ReadItemOrEntry16(TWCC_BADVALUE, true, notFile, mechanism)) return TWRC_FAILURE;
    call.Asked().TransferMechanism = static_cast<TW_UINT16>(mechanism);
    return TWRC_SUCCESS;
}

// A TWAIN 2 application may set native or memory transfers only.
TW_UINT16 SetMechanismTwain2(CapabilityCall& call) {
    int32_t requested;
    if (!call.ReadNumber(requested)) return TWRC_FAILURE;
    if (requested != TWSX_NATIVE && requested != TWSX_MEMORY) return call.Fail(TWCC_BADVALUE);
    call.Asked().TransferMechanism = static_cast<TW_UINT16>(requested);
    return TWRC_SUCCESS;
}

}  // namespace

// One image per acquisition. A TWAIN 1.x application may only repeat 1; a TWAIN 2
// application's -1 ("all of them") or any larger count is kept at 1 with
// TWRC_CHECKSTATUS.
TW_UINT16 AnswerTransferCount(CapabilityCall& call) {
    if (call.Message() != MSG_SET) return call.OneValue(TWTY_INT16, 1);
    if (!call.Twain2()) return call.SetRepeatingTwain1(ConAny, 1);
    int32_t requested;
    if (!call.ReadNumber(requested)) return TWRC_FAILURE;
    if (requested == 1) return TWRC_SUCCESS;
    if (requested == -1 || requested > 1) return TWRC_CHECKSTATUS;
    return call.Fail(TWCC_BADVALUE);
}

// A TWAIN 1.x application is answered every query with the enumeration; a TWAIN 2
// application its current and default values as one values.
TW_UINT16 AnswerTransferMechanism(CapabilityCall& call) {
    switch (call.Message()) {
    case MSG_SET:
        return call.Twain2() ? SetMechanismTwain2(call) : SetMechanismTwain1(call);
    case MSG_RESET:
        call.Asked().TransferMechanism = TWSX_NATIVE;
        return MechanismChoices(call);
    case MSG_GETCURRENT:
        if (call.Twain2()) return call.OneValue(TWTY_UINT16, call.Asked().TransferMechanism);
        return MechanismChoices(call);
    case MSG_GETDEFAULT:
        if (call.Twain2()) return call.OneValue(TWTY_UINT16, TWSX_NATIVE);
        return MechanismChoices(call);
    default:
        return MechanismChoices(call);
    }
}

// Whether the source may show progress indicators while the user interface is not
// shown. It has none to show, so either answer is kept as it is.
TW_UINT16 AnswerIndicators(CapabilityCall& call) {
    bool& indicators = call.Asked().Indicators;
    switch (call.Message()) {
    case MSG_GETDEFAULT:
        return call.OneValue(TWTY_BOOL, TRUE);
    case MSG_RESET:
        indicators = true;
        return call.OneValue(TWTY_BOOL, TRUE);
    case MSG_SET: {
        int32_t requested;
        if (!call.ReadNumber(requested)) return TWRC_FAILURE;
        if (requested != FALSE && requested != TRUE) return call.Fail(TWCC_BADVALUE);
        indicators = requested == TRUE;
        return TWRC_SUCCESS;
    }
    default:
        return call.OneValue(TWTY_BOOL, indicators ? TRUE : FALSE);
    }
}

// Whether the scanner is there and ready now.
TW_UINT16 AnswerDeviceOnline(CapabilityCall& call) {
    return call.OneValue(TWTY_BOOL, call.Job().Online() ? TRUE : FALSE);
}
