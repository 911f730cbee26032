// The capabilities the source knows, one row each: whether a TWAIN 1.x application
// is told of it, the messages a TWAIN 2 application is answered, and the one
// function that answers every message of it for both kinds of application. Both
// supported-capabilities lists are read off the rows, in the rows' order.
#pragma once

#include <cstddef>
#include <cstdint>

#include "capabilities/capability_call.h"
#include "platform/twain.h"

typedef TW_UINT16 (*CapabilityAnswer)(CapabilityCall& call);

// What a TWAIN 1.x application knows of a capability.
enum class Twain1Use : uint8_t {
    Listed,   // in its CAP_SUPPORTEDCAPS
    SetOnly,  // not listed, and answers MSG_SET alone
    Unknown,  // every message answered TWCC_BADCAP
};

struct CapabilityRow {
    TW_UINT16 Cap;
    Twain1Use Twain1;
    TW_UINT32 Twain2Messages;  // TWQC_ flags; none: unknown to TWAIN 2 applications
    CapabilityAnswer Answer;
};

// A supported-capabilities list, read off the rows.
struct CapabilityList {
    TW_UINT16 Caps[32];
    size_t Count;
};
CapabilityList Twain1Capabilities();
CapabilityList Twain2Capabilities();

// DG_CONTROL/DAT_CAPABILITY: the message and state checks that come before any
// capability is looked at, then the capability's answer. `changeable`: the source
// is in the state in which MSG_SET, MSG_RESET and MSG_RESETALL are taken.
TW_UINT16 NegotiateCapability(TW_UINT16 msg, pTW_CAPABILITY capability, bool changeable,
                              CapabilityContext& context);

// Every capability the caller's kind of application may reset, reset as MSG_RESET
// resets it (MSG_RESETALL without its state check).
TW_UINT16 ResetEveryCapability(CapabilityContext& context);

// The answers, one function per capability (capabilities/*.cpp).
TW_UINT16 AnswerTransferCount(CapabilityCall& call);
TW_UINT16 AnswerSupportedCaps(CapabilityCall& call);
TW_UINT16 AnswerUiControllable(CapabilityCall& call);
TW_UINT16 AnswerCompression(CapabilityCall& call);
TW_UINT16 AnswerPlanarChunky(CapabilityCall& call);
TW_UINT16 AnswerPhysicalHeight(CapabilityCall& call);
TW_UINT16 AnswerPhysicalWidth(CapabilityCall& call);
TW_UINT16 AnswerPixelFlavor(CapabilityCall& call);
TW_UINT16 AnswerBitDepth(CapabilityCall& call);
TW_UINT16 AnswerBitOrder(CapabilityCall& call);
TW_UINT16 AnswerPixelType(CapabilityCall& call);
TW_UINT16 AnswerUnits(CapabilityCall& call);
TW_UINT16 AnswerTransferMechanism(CapabilityCall& call);
TW_UINT16 AnswerResolution(CapabilityCall& call);
TW_UINT16 AnswerBrightness(CapabilityCall& call);
TW_UINT16 AnswerThreshold(CapabilityCall& call);
TW_UINT16 AnswerDeviceOnline(CapabilityCall& call);
TW_UINT16 AnswerSupportedDats(CapabilityCall& call);
TW_UINT16 AnswerIndicators(CapabilityCall& call);
TW_UINT16 AnswerOnlyTrue(CapabilityCall& call);
TW_UINT16 AnswerOnlyFalse(CapabilityCall& call);
TW_UINT16 AnswerSupportedSizes(CapabilityCall& call);
TW_UINT16 AnswerFrames(CapabilityCall& call);
TW_UINT16 AnswerMaxFrames(CapabilityCall& call);
TW_UINT16 AnswerNativeResolution(CapabilityCall& call);
TW_UINT16 AnswerAutomaticLength(CapabilityCall& call);
TW_UINT16 AnswerUndefinedImageSize(CapabilityCall& call);
