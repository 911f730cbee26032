// How the image is handed over: the transfer mechanism and count, and, for TWAIN 2
// applications, the indicators, the length of the sheet and whether the scanner is
// there.
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

// A boolean a TWAIN 2 application sets either way: MSG_GET lists both values.
TW_UINT16 SettableBool(CapabilityCall& call, bool& field, bool byDefault) {
    switch (call.Message()) {
    case MSG_GET: {
        static const TW_BOOL values[] = {FALSE, TRUE};
        return call.Enumeration(TWTY_BOOL, 2, field ? 1 : 0, byDefault ? 1 : 0, values);
    }
    case MSG_GETDEFAULT:
        return call.OneValue(TWTY_BOOL, byDefault ? TRUE : FALSE);
    case MSG_RESET:
        field = byDefault;
        return call.OneValue(TWTY_BOOL, field ? TRUE : FALSE);
    case MSG_SET: {
        int32_t requested;
        if (!call.ReadNumber(requested)) return TWRC_FAILURE;
        if (requested != FALSE && requested != TRUE) return call.Fail(TWCC_BADVALUE);
        field = requested == TRUE;
        return TWRC_SUCCESS;
    }
    default:
        return call.OneValue(TWTY_BOOL, field ? TRUE : FALSE);
    }
}

}  // namespace

// One image per acquisition for a TWAIN 1.x application, which may only repeat 1.
// A TWAIN 2 application may ask for -1 (as many as there are, the default) or 1 to
// 32767; the source still scans the one sheet an acquisition, and the pending count
// after it says the acquisition is done.
TW_UINT16 AnswerTransferCount(CapabilityCall& call) {
    if (!call.Twain2()) {
        if (call.Message() == MSG_SET) return call.SetRepeatingTwain1(ConAny, 1);
        return call.OneValue(TWTY_INT16, 1);
    }
    int16_t& count = call.Asked().TransferCount;
    switch (call.Message()) {
    case MSG_GETDEFAULT:
        return call.OneValue(TWTY_INT16, static_cast<TW_UINT16>(-1));
    case MSG_RESET:
        count = -1;
        return call.OneValue(TWTY_INT16, static_cast<TW_UINT16>(count));
    case MSG_SET: {
        int32_t requested;
        if (!call.ReadNumber(requested)) return TWRC_FAILURE;
        if (requested != -1 && (requested < 1 || requested > 32767))
            return call.Fail(TWCC_BADVALUE);
        count = static_cast<int16_t>(requested);
        return TWRC_SUCCESS;
    }
    default:
        return call.OneValue(TWTY_INT16, static_cast<TW_UINT16>(count));
    }
}

// A TWAIN 1.x application is answered every query and reset with the enumeration;
// a TWAIN 2 application its current and default values, and the value after a
// reset, as one values.
TW_UINT16 AnswerTransferMechanism(CapabilityCall& call) {
    switch (call.Message()) {
    case MSG_SET:
        return call.Twain2() ? SetMechanismTwain2(call) : SetMechanismTwain1(call);
    case MSG_RESET:
        call.Asked().TransferMechanism = TWSX_NATIVE;
        if (call.Twain2()) return call.OneValue(TWTY_UINT16, TWSX_NATIVE);
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
    return SettableBool(call, call.Asked().Indicators, true);
}

// The scan ends where the sheet ends, or at the frame's length if that comes first.
TW_UINT16 AnswerAutomaticLength(CapabilityCall& call) {
    return SettableBool(call, call.Asked().AutomaticLength, false);
}

// The application takes an image whose length is not known before the transfer.
TW_UINT16 AnswerUndefinedImageSize(CapabilityCall& call) {
    return SettableBool(call, call.Asked().UndefinedImageSize, false);
}

// Whether the scanner is there and ready now: a reading, the only value it can take.
TW_UINT16 AnswerDeviceOnline(CapabilityCall& call) {
    const TW_BOOL online = call.Job().Online() ? TRUE : FALSE;
    if (call.Message() == MSG_GET) return call.Enumeration(TWTY_BOOL, 1, 0, 0, &online);
    return call.OneValue(TWTY_BOOL, online);
}
