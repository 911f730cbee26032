// The answers an application that speaks TWAIN 2 (DF_APP2 at the open) gets where
// they differ from a TWAIN 1.x application's. The TWAIN 2 standard fixes item
// types, single values for the current and default answers, ranges for brightness
// and threshold, and values the scanner cannot honour being refused or corrected.
// Which messages each function answers is the Twain2 column of the capability
// rows; each is called only for those.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "capabilities/capability_answers.h"
#include "capabilities/containers.h"
#include "engine/models.h"
#include "image/image_frame.h"
#include "source/data_arguments.h"
#include "source/twain_source.h"
#include "twain/fix32.h"

namespace {

TW_UINT32 Fix32ItemOfWhole(int32_t value) {
    return Fix32Item(FloatToFix32(value));
}

// The number a one value carries, by its item type: a TW_FIX32 rounded to the
// nearest whole, the integer types by their width and sign. False for a type that
// carries no number.
bool NumberOf(TW_UINT16 itemType, TW_UINT32 item, int32_t& value) {
    switch (itemType) {
    case TWTY_FIX32:
        value = Fix32Rounded(item);
        return true;
    case TWTY_INT8:
        value = static_cast<int8_t>(item & 0xFF);
        return true;
    case TWTY_UINT8:
        value = static_cast<int32_t>(item & 0xFF);
        return true;
    case TWTY_INT16:
        value = static_cast<int16_t>(item & 0xFFFF);
        return true;
    case TWTY_UINT16:
    case TWTY_BOOL:
        value = static_cast<int32_t>(item & 0xFFFF);
        return true;
    case TWTY_INT32:
    case TWTY_UINT32:
        value = static_cast<int32_t>(item);
        return true;
    default:
        return false;
    }
}

// The single value an application's MSG_SET names: a one value's Item or an
// enumeration's current entry, read at the width of its item type.
bool RequestedNumber(const ApplicationContainer& container, int32_t& value) {
    TW_UINT32 item;
    if (container.ConType() == TWON_ONEVALUE) {
        item = container.Value32();
    } else if (container.ConType() == TWON_ENUMERATION) {
        if (ItemSize(container.ItemType()) == 4) {
            if (!container.CurrentEntryAtItemWidth(item)) return false;
        } else {
            if (!container.HasCurrentEntry()) return false;
            item = container.CurrentEntry16();
        }
    } else {
        return false;
    }
    return NumberOf(container.ItemType(), item, value);
}

// Reads the application's MSG_SET container; BADVALUE when it names no number.
bool ReadRequest(CTwainSource& source, pTW_CAPABILITY capability, int32_t& value,
                 TW_UINT16& result) {
    ApplicationContainer container(*capability);
    if (container.Valid() && RequestedNumber(container, value)) return true;
    result = source.Fail(TWCC_BADVALUE);
    return false;
}

// The resolutions a TWAIN 2 application is offered: the model's steps with its
// native and interpolated resolutions among them (a 1.x list may lack them),
// ascending and without repeats.
std::vector<int32_t> OfferedResolutions(Model model) {
    const ResolutionList list = ResolutionsOfModel(model);
    const ModelRow& row = ModelOf(model);
    std::vector<int32_t> offered(list.Entries, list.Entries + list.Count);
    offered.push_back(row.NativeResolution);
    for (int32_t interpolated : row.InterpolatedResolutions)
        if (IsInterpolatedResolution(model, interpolated)) offered.push_back(interpolated);
    std::sort(offered.begin(), offered.end());
    offered.erase(std::unique(offered.begin(), offered.end()), offered.end());
    return offered;
}

// The offered entry nearest to `dpi` (the lower of two as near).
int32_t NearestResolution(const std::vector<int32_t>& offered, int32_t dpi) {
    int32_t nearest = offered.front();
    for (int32_t entry : offered)
        if (std::abs(entry - dpi) < std::abs(nearest - dpi)) nearest = entry;
    return nearest;
}

TW_UINT32 PositionIn(const std::vector<int32_t>& offered, int32_t dpi) {
    TW_UINT32 position = 0;
    for (TW_UINT32 i = 0; i < offered.size(); ++i)
        if (offered[i] <= dpi) position = i;
    return position;
}

TW_UINT16 Fix32Reply(CTwainSource& source, pTW_CAPABILITY capability, int32_t value) {
    return source.MakeOneValue(capability, TWTY_FIX32, Fix32ItemOfWhole(value));
}

// A reset whose reply cannot be built changes nothing.
TW_UINT16 ResetTo(CTwainSource& source, pTW_CAPABILITY capability, int32_t& field, int32_t value) {
    const int32_t before = field;
    field = value;
    const TW_UINT16 result = Fix32Reply(source, capability, field);
    if (result != TWRC_SUCCESS) field = before;
    return result;
}

// Compression and planar-chunky: MSG_SET may repeat the one value.
TW_UINT16 RepeatUInt16(CTwainSource& source, pTW_CAPABILITY capability, TW_UINT16 value) {
    int32_t requested;
    TW_UINT16 result;
    if (!ReadRequest(source, capability, requested, result)) return result;
    return requested == value ? TWRC_SUCCESS : source.Fail(TWCC_BADVALUE);
}

struct Bounds {
    int32_t Min, Max, Default;
};

// Brightness and threshold: TW_FIX32 ranges.
TW_UINT16 Bounded(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability, int32_t& field,
                  Bounds bounds) {
    switch (msg) {
    case MSG_GET: {
        RangeValues range = {
            TWTY_FIX32,          Fix32ItemOfWhole(bounds.Min),     Fix32ItemOfWhole(bounds.Max),
            Fix32ItemOfWhole(1), Fix32ItemOfWhole(bounds.Default), Fix32ItemOfWhole(field)};
        return source.MakeRange(capability, range);
    }
    case MSG_GETCURRENT:
        return Fix32Reply(source, capability, field);
    case MSG_GETDEFAULT:
        return Fix32Reply(source, capability, bounds.Default);
    case MSG_RESET:
        return ResetTo(source, capability, field, bounds.Default);
    default: {
        int32_t requested;
        TW_UINT16 result;
        if (!ReadRequest(source, capability, requested, result)) return result;
        if (requested < bounds.Min || requested > bounds.Max) return source.Fail(TWCC_BADVALUE);
        field = requested;
        return TWRC_SUCCESS;
    }
    }
}

}  // namespace

// What the scanner scans is taken as it is; past the offered range it is refused;
// between two offered steps it becomes the nearest.
bool ResolutionToScan(Model model, int32_t requested, int32_t& scanned) {
    const std::vector<int32_t> offered = OfferedResolutions(model);
    if (offered.empty() || requested < offered.front() || requested > offered.back()) return false;
    scanned =
        IsSupportedResolution(model, requested) ? requested : NearestResolution(offered, requested);
    return true;
}

// Each resolution on its own, as TW_FIX32; the frame stays where it was in inches.
TW_UINT16 Twain2Resolution(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability) {
    const Model code = source.ModelCode();
    const std::vector<int32_t> offered = OfferedResolutions(code);
    const bool across = capability->Cap == ICAP_XRESOLUTION;
    const int32_t& field = across ? source.Settings.XResolution : source.Settings.YResolution;
    switch (msg) {
    case MSG_GET: {
        std::vector<TW_UINT32> items;
        for (int32_t entry : offered)
            items.push_back(Fix32ItemOfWhole(entry));
        EnumerationHeader header = {TWTY_FIX32, static_cast<TW_UINT32>(items.size()),
                                    PositionIn(offered, field),
                                    PositionIn(offered, DefaultResolution)};
        return source.MakeEnumeration(capability, header, items.data());
    }
    case MSG_GETCURRENT:
        return Fix32Reply(source, capability, field);
    case MSG_GETDEFAULT:
        return Fix32Reply(source, capability, DefaultResolution);
    case MSG_RESET: {
        const ScanSettings before = source.Settings;
        ChangeResolutionKeepingFrame(source, across, DefaultResolution);
        const TW_UINT16 result = Fix32Reply(source, capability, field);
        if (result != TWRC_SUCCESS) source.Settings = before;
        return result;
    }
    default: {
        int32_t requested;
        TW_UINT16 result;
        if (!ReadRequest(source, capability, requested, result)) return result;
        int32_t scanned;
        if (!ResolutionToScan(code, requested, scanned)) return source.Fail(TWCC_BADVALUE);
        ChangeResolutionKeepingFrame(source, across, scanned);
        return field == requested ? TWRC_SUCCESS : TWRC_CHECKSTATUS;
    }
    }
}

TW_UINT16 Twain2Compression(CTwainSource& source, TW_UINT16, pTW_CAPABILITY capability) {
    return RepeatUInt16(source, capability, TWCP_NONE);
}

TW_UINT16 Twain2PlanarChunky(CTwainSource& source, TW_UINT16, pTW_CAPABILITY capability) {
    return RepeatUInt16(source, capability, TWPC_CHUNKY);
}

// Whether the scanner is there and ready now.
TW_UINT16 Twain2DeviceOnline(CTwainSource& source, TW_UINT16, pTW_CAPABILITY capability) {
    return source.MakeOneValue(capability, TWTY_BOOL, source.Job.Online() ? TRUE : FALSE);
}

// One image per acquisition: 1, or -1 ("all of them") and any larger count kept
// at 1 with TWRC_CHECKSTATUS.
TW_UINT16 Twain2TransferCount(CTwainSource& source, TW_UINT16, pTW_CAPABILITY capability) {
    int32_t requested;
    TW_UINT16 result;
    if (!ReadRequest(source, capability, requested, result)) return result;
    if (requested == 1) return TWRC_SUCCESS;
    if (requested == -1 || requested > 1) return TWRC_CHECKSTATUS;
    return source.Fail(TWCC_BADVALUE);
}

// A set takes native or memory transfers only.
TW_UINT16 Twain2TransferMechanism(CTwainSource& source, TW_UINT16, pTW_CAPABILITY capability) {
    int32_t requested;
    TW_UINT16 result;
    if (!ReadRequest(source, capability, requested, result)) return result;
    if (requested != TWSX_NATIVE && requested != TWSX_MEMORY) return source.Fail(TWCC_BADVALUE);
    source.TransferMechanism = static_cast<TW_UINT16>(requested);
    return TWRC_SUCCESS;
}

TW_UINT16 Twain2Brightness(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability) {
    return Bounded(source, msg, capability, source.Settings.Brightness, {0, 50, 10});
}

// 0 selects the scanner's adaptive threshold.
TW_UINT16 Twain2Threshold(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability) {
    return Bounded(source, msg, capability, source.Settings.Threshold, {0, 255, 128});
}

// Every data argument the dispatch answers, as (data group << 16) | data argument.
TW_UINT16 Twain2SupportedDats(CTwainSource& source, TW_UINT16, pTW_CAPABILITY capability) {
    std::vector<TW_UINT32> items;
    for (const DataArgumentTable& table : {ControlDataArguments(), ImageDataArguments()})
        for (size_t i = 0; i < table.Count; ++i)
            items.push_back(table.Group << 16 | table.Rows[i].Dat);
    return source.MakeUInt32Array(capability, items.data(), items.size());
}

// Whether the source may show progress indicators while the user interface is not
// shown. It has none to show, so either answer is kept as it is.
TW_UINT16 Twain2Indicators(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability) {
    switch (msg) {
    case MSG_GETDEFAULT:
        return source.MakeOneValue(capability, TWTY_BOOL, TRUE);
    case MSG_RESET: {
        const bool before = source.Indicators;
        source.Indicators = true;
        const TW_UINT16 result = source.MakeOneValue(capability, TWTY_BOOL, TRUE);
        if (result != TWRC_SUCCESS) source.Indicators = before;
        return result;
    }
    case MSG_SET: {
        int32_t requested;
        TW_UINT16 result;
        if (!ReadRequest(source, capability, requested, result)) return result;
        if (requested != FALSE && requested != TRUE) return source.Fail(TWCC_BADVALUE);
        source.Indicators = requested == TRUE;
        return TWRC_SUCCESS;
    }
    default:
        return source.MakeOneValue(capability, TWTY_BOOL, source.Indicators ? TRUE : FALSE);
    }
}

bool ReadTwain2Request(CTwainSource& source, pTW_CAPABILITY capability, int32_t& value,
                       TW_UINT16& result) {
    return ReadRequest(source, capability, value, result);
}
