// ICAP_BRIGHTNESS and ICAP_THRESHOLD. A TWAIN 1.x application may only set them,
// and a value is stored by its whole part without a range check; a TWAIN 2
// application negotiates them as TW_FIX32 ranges on the device's scale.
#include "capabilities/capability_table.h"
#include "twain/fix32.h"

namespace {

struct Bounds {
    int32_t Min, Max, Default;
};

TW_UINT32 Fix32ItemOfWhole(int32_t value) {
    return Fix32Item(FloatToFix32(value));
}

TW_UINT16 Twain1Set(CapabilityCall& call, int32_t& field) {
    TW_UINT32 value;
    TW_UINT16 itemType;
    if (!call.ReadItemOrEntryAtWidth(value, itemType)) return TWRC_FAILURE;
    field = Fix32Whole(value);
    return TWRC_SUCCESS;
}

TW_UINT16 Bounded(CapabilityCall& call, int32_t& field, Bounds bounds) {
    if (!call.Twain2()) return Twain1Set(call, field);
    switch (call.Message()) {
    case MSG_GET: {
        const TW_RANGE range = {
            TWTY_FIX32,          Fix32ItemOfWhole(bounds.Min),     Fix32ItemOfWhole(bounds.Max),
            Fix32ItemOfWhole(1), Fix32ItemOfWhole(bounds.Default), Fix32ItemOfWhole(field)};
        return call.Range(range);
    }
    case MSG_GETDEFAULT:
        return call.OneValue(TWTY_FIX32, Fix32ItemOfWhole(bounds.Default));
    case MSG_RESET:
        field = bounds.Default;
        return call.OneValue(TWTY_FIX32, Fix32ItemOfWhole(field));
    case MSG_SET: {
        int32_t requested;
        if (!call.ReadNumber(requested)) return TWRC_FAILURE;
        if (requested < bounds.Min || requested > bounds.Max) return call.Fail(TWCC_BADVALUE);
        field = requested;
        return TWRC_SUCCESS;
    }
    default:
        return call.OneValue(TWTY_FIX32, Fix32ItemOfWhole(field));
    }
}

}  // namespace

TW_UINT16 AnswerBrightness(CapabilityCall& call) {
    return Bounded(call, call.Scan().Brightness, {0, 50, 10});
}

// 0 selects the scanner's adaptive threshold.
TW_UINT16 AnswerThreshold(CapabilityCall& call) {
    return Bounded(call, call.Scan().Threshold, {0, 255, 128});
}
