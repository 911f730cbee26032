// The capabilities whose value never changes: what the scanner is and does. A
// TWAIN 1.x application is answered with the item types it always was; a TWAIN 2
// application with the standard's, and may repeat the value with MSG_SET.
#include "capabilities/capability_table.h"
#include "twain/fix32.h"

namespace {

// A boolean that can take one value alone: a TWAIN 2 application's MSG_GET lists it
// in an enumeration, every other answer is the one value. MSG_SET (where taken)
// repeats it; the other value is refused.
TW_UINT16 OnlyBool(CapabilityCall& call, TW_BOOL value) {
    if (call.Message() == MSG_SET) return call.SetRepeatingNumber(value);
    if (call.Twain2() && call.Message() == MSG_GET)
        return call.Enumeration(TWTY_BOOL, 1, 0, 0, &value);
    return call.OneValue(TWTY_BOOL, value);
}

// Compression and planar-chunky: a TWAIN 1.x application gets the INT16 it always
// did to the gets, and nothing else; a TWAIN 2 application the UINT16 the standard
// gives, a reset, and MSG_SET of the one value.
TW_UINT16 FixedUInt16(CapabilityCall& call, TW_UINT16 value) {
    if (!call.Twain2()) {
        if (call.Message() == MSG_SET || call.Message() == MSG_RESET) return call.Fail(TWCC_BADCAP);
        return call.OneValue(TWTY_INT16, value);
    }
    if (call.Message() == MSG_SET) return call.SetRepeatingNumber(value);
    return call.OneValue(TWTY_UINT16, value);
}

// Gets only, for both kinds of application.
TW_UINT16 PhysicalSize(CapabilityCall& call, double inches) {
    if (call.Message() == MSG_SET || call.Message() == MSG_RESET) return call.Fail(TWCC_BADCAP);
    return call.OneValue(TWTY_FIX32, Fix32ItemOf(inches));
}

}  // namespace

// A TWAIN 1.x application is answered MSG_GET alone.
TW_UINT16 AnswerUiControllable(CapabilityCall& call) {
    if (!call.Twain2() && call.Message() != MSG_GET) return call.Fail(TWCC_BADCAP);
    return OnlyBool(call, TRUE);
}

// The rest are known to TWAIN 2 applications alone. CAP_ENABLEDSUIONLY and
// CAP_CUSTOMDSDATA: the source does both.
TW_UINT16 AnswerOnlyTrue(CapabilityCall& call) {
    return OnlyBool(call, TRUE);
}

// CAP_PAPERDETECTABLE: the device library has no call that asks for paper.
// CAP_FEEDERENABLED and CAP_FEEDERLOADED: the scanner feeds the one sheet the user
// places and has no document feeder to select, so it is never enabled or loaded.
TW_UINT16 AnswerOnlyFalse(CapabilityCall& call) {
    return OnlyBool(call, FALSE);
}

// The scanner's optical resolution, across and down.
TW_UINT16 AnswerNativeResolution(CapabilityCall& call) {
    return call.OneValue(TWTY_FIX32, Fix32ItemOf(NativeResolution(call.Scanner())));
}

TW_UINT16 AnswerCompression(CapabilityCall& call) {
    return FixedUInt16(call, TWCP_NONE);
}

TW_UINT16 AnswerPlanarChunky(CapabilityCall& call) {
    return FixedUInt16(call, TWPC_CHUNKY);
}

TW_UINT16 AnswerPhysicalHeight(CapabilityCall& call) {
    return PhysicalSize(call, PhysicalLengthInches);
}

TW_UINT16 AnswerPhysicalWidth(CapabilityCall& call) {
    return PhysicalSize(call, PhysicalWidthInches(call.Scanner()));
}

// MSG_SET may repeat the low 16 bits of any container; a TWAIN 1.x application's
// reset is refused, a TWAIN 2 application's answered.
TW_UINT16 AnswerPixelFlavor(CapabilityCall& call) {
    if (call.Message() == MSG_SET) return call.SetRepeatingTwain1(ConAny, TWPF_CHOCOLATE, 0xFFFF);
    if (call.Message() == MSG_RESET && !call.Twain2()) return call.Fail(TWCC_BADCAP);
    return call.OneValue(TWTY_UINT16, TWPF_CHOCOLATE);
}

TW_UINT16 AnswerBitOrder(CapabilityCall& call) {
    if (call.Message() == MSG_SET) return call.SetRepeatingTwain1(ConAny, TWBO_MSBFIRST);
    return call.OneValue(TWTY_UINT16, TWBO_MSBFIRST);
}

// Always inches; MSG_SET may repeat it in a one value.
TW_UINT16 AnswerUnits(CapabilityCall& call) {
    if (call.Message() == MSG_SET) return call.SetRepeatingTwain1(ConOneValue, TWUN_INCHES);
    return call.OneValue(TWTY_UINT16, TWUN_INCHES);
}

// One frame a page: more is kept at one with TWRC_CHECKSTATUS; none is refused.
TW_UINT16 AnswerMaxFrames(CapabilityCall& call) {
    if (call.Message() != MSG_SET) return call.OneValue(TWTY_UINT16, 1);
    int32_t requested;
    if (!call.ReadNumber(requested)) return TWRC_FAILURE;
    if (requested == 1) return TWRC_SUCCESS;
    return requested > 1 ? TWRC_CHECKSTATUS : call.Fail(TWCC_BADVALUE);
}
