// ICAP_BRIGHTNESS and ICAP_THRESHOLD. A TWAIN 1.x application may only set them,
// and a value is stored by its whole part without a range check. A TWAIN 2
// application negotiates brightness on the standard's scale, -1000 to +1000 with 0
// as normal, each of the device's steps (0 to 50, normal 10) one value of it; and
// the threshold as a TW_FIX32 range 0 to 255.
#include <algorithm>
#include <cmath>
#include <vector>

#include "capabilities/capability_table.h"
#include "twain/fix32.h"

namespace {

constexpr int32_t DarkestStep = 0, NormalStep = 10, BrightestStep = 50;
constexpr int32_t StandardLimit = 1000;

// Below normal each device step is 100 of the standard's scale, above it 25.
int32_t StandardBrightness(int32_t step) {
    step = std::min(std::max(step, DarkestStep), BrightestStep);
    const int32_t unit = step < NormalStep ? StandardLimit / (NormalStep - DarkestStep)
                                           : StandardLimit / (BrightestStep - NormalStep);
    return (step - NormalStep) * unit;
}

// The device step nearest to a value of the standard's scale.
int32_t DeviceBrightness(int32_t value) {
    const double unit = value < 0 ? StandardLimit / double(NormalStep - DarkestStep)
                                  : StandardLimit / double(BrightestStep - NormalStep);
    return NormalStep + static_cast<int32_t>(std::lround(value / unit));
}

TW_UINT16 Twain1Set(CapabilityCall& call, int32_t& field) {
    TW_UINT32 value;
    TW_UINT16 itemType;
    if (!call.ReadItemOrEntryAtWidth(value, itemType)) return TWRC_FAILURE;
    field = Fix32Whole(value);
    return TWRC_SUCCESS;
}

TW_UINT16 Twain2Brightness(CapabilityCall& call, int32_t& step) {
    switch (call.Message()) {
    case MSG_GET: {
        std::vector<TW_UINT32> values;
        for (int32_t s = DarkestStep; s <= BrightestStep; ++s)
            values.push_back(Fix32ItemOf(StandardBrightness(s)));
        const int32_t current = std::min(std::max(step, DarkestStep), BrightestStep);
        return call.Enumeration(TWTY_FIX32, static_cast<TW_UINT32>(values.size()),
                                current - DarkestStep, NormalStep - DarkestStep, values.data());
    }
    case MSG_GETDEFAULT:
        return call.OneValue(TWTY_FIX32, Fix32ItemOf(0));
    case MSG_RESET:
        step = NormalStep;
        return call.OneValue(TWTY_FIX32, Fix32ItemOf(0));
    case MSG_SET: {
        int32_t requested;
        if (!call.ReadNumber(requested)) return TWRC_FAILURE;
        if (requested < -StandardLimit || requested > StandardLimit)
            return call.Fail(TWCC_BADVALUE);
        step = DeviceBrightness(requested);
        return StandardBrightness(step) == requested ? TWRC_SUCCESS : TWRC_CHECKSTATUS;
    }
    default:
        return call.OneValue(TWTY_FIX32, Fix32ItemOf(StandardBrightness(step)));
    }
}

// 0 selects the scanner's adaptive threshold.
TW_UINT16 Twain2Threshold(CapabilityCall& call, int32_t& field) {
    constexpr int32_t Lowest = 0, Highest = 255, Default = 128;
    switch (call.Message()) {
    case MSG_GET: {
        const TW_RANGE range = {TWTY_FIX32,     Fix32ItemOf(Lowest),  Fix32ItemOf(Highest),
                                Fix32ItemOf(1), Fix32ItemOf(Default), Fix32ItemOf(field)};
        return call.Range(range);
    }
    case MSG_GETDEFAULT:
        return call.OneValue(TWTY_FIX32, Fix32ItemOf(Default));
    case MSG_RESET:
        field = Default;
        return call.OneValue(TWTY_FIX32, Fix32ItemOf(field));
    case MSG_SET: {
        int32_t requested;
        if (!call.ReadNumber(requested)) return TWRC_FAILURE;
        if (requested < Lowest || requested > Highest) return call.Fail(TWCC_BADVALUE);
        field = requested;
        return TWRC_SUCCESS;
    }
    default:
        return call.OneValue(TWTY_FIX32, Fix32ItemOf(field));
    }
}

}  // namespace

TW_UINT16 AnswerBrightness(CapabilityCall& call) {
    int32_t& step = call.Scan().Brightness;
    return call.Twain2() ? Twain2Brightness(call, step) : Twain1Set(call, step);
}

TW_UINT16 AnswerThreshold(CapabilityCall& call) {
    int32_t& threshold = call.Scan().Threshold;
    return call.Twain2() ? Twain2Threshold(call, threshold) : Twain1Set(call, threshold);
}
