// Capability negotiation with an application that speaks TWAIN 2 (DF_APP2 at the
// open). The TWAIN 2 standard fixes item types, single values for the current and
// default answers, MSG_QUERYSUPPORT, ranges for brightness and threshold, and
// values the scanner cannot honour being refused or corrected; each row below
// says which messages a capability answers and, where TWAIN 2 answers otherwise
// than a 1.x application is answered, how. Messages a row leaves to the 1.x
// answers are answered exactly as a 1.x application is.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "capabilities/capability_handlers.h"
#include "capabilities/capability_table.h"
#include "capabilities/containers.h"
#include "capabilities/fix32.h"
#include "engine/models.h"
#include "source/twain_source.h"

namespace {

constexpr TW_UINT32 AllMessages =
    TWQC_GET | TWQC_SET | TWQC_GETDEFAULT | TWQC_GETCURRENT | TWQC_RESET;
constexpr TW_UINT32 GetsOnly = TWQC_GET | TWQC_GETDEFAULT | TWQC_GETCURRENT;
constexpr int32_t DefaultResolution = 400;

// A TWAIN 2 answer: true when it answered (result set), false to leave the
// message to the 1.x answers.
typedef bool (*Twain2Answer)(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability,
                             TW_UINT16& result);

struct Twain2Row {
    TW_UINT16 Cap;
    TW_UINT32 Messages;  // TWQC_ flags
    Twain2Answer Answer;
};

TW_UINT32 Fix32ItemOfWhole(int32_t value) {
    return Fix32Item(FloatToFix32(value));
}

// The number a one value carries, by its item type: a TW_FIX32 rounded to the
// nearest whole, the integer types by their width and sign. False for a type that
// carries no number.
bool NumberOf(TW_UINT16 itemType, TW_UINT32 item, int32_t& value) {
    switch (itemType) {
    case TWTY_FIX32: {
        const double real = static_cast<int16_t>(item & 0xFFFF) + (item >> 16) / 65536.0;
        value = static_cast<int32_t>(std::floor(real + 0.5));
        return true;
    }
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

// --- resolutions -------------------------------------------------------------

int32_t& ResolutionField(CTwainSource& source, TW_UINT16 cap) {
    return cap == ICAP_XRESOLUTION ? source.Settings.XResolution : source.Settings.YResolution;
}

// The resolutions a TWAIN 2 application is offered: the model's steps with its
// native and interpolated resolutions among them (a 1.x list may lack them),
// ascending and without repeats.
std::vector<int32_t> OfferedResolutions(int32_t modelCode) {
    const ResolutionList list = ResolutionsOfModel(modelCode);
    const ModelRow& model = ModelOf(modelCode);
    std::vector<int32_t> offered(list.Entries, list.Entries + list.Count);
    offered.push_back(model.NativeResolution);
    for (int32_t interpolated : model.InterpolatedResolutions)
        if (IsInterpolatedResolution(modelCode, interpolated)) offered.push_back(interpolated);
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

bool AnswerResolution(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability,
                      TW_UINT16& result) {
    const int32_t code = source.ModelCode();
    const std::vector<int32_t> offered = OfferedResolutions(code);
    int32_t& field = ResolutionField(source, capability->Cap);
    switch (msg) {
    case MSG_GET: {
        std::vector<TW_UINT32> items;
        for (int32_t entry : offered)
            items.push_back(Fix32ItemOfWhole(entry));
        EnumerationHeader header = {TWTY_FIX32, static_cast<TW_UINT32>(items.size()),
                                    PositionIn(offered, field),
                                    PositionIn(offered, DefaultResolution)};
        result = source.MakeEnumeration(capability, header, items.data());
        return true;
    }
    case MSG_GETCURRENT:
        result = source.MakeOneValue(capability, TWTY_FIX32, Fix32ItemOfWhole(field));
        return true;
    case MSG_GETDEFAULT:
        result = source.MakeOneValue(capability, TWTY_FIX32, Fix32ItemOfWhole(DefaultResolution));
        return true;
    case MSG_RESET: {
        const int32_t before = field;
        field = DefaultResolution;
        result = source.MakeOneValue(capability, TWTY_FIX32, Fix32ItemOfWhole(field));
        if (result != TWRC_SUCCESS) field = before;
        return true;
    }
    case MSG_SET: {
        int32_t requested;
        if (!ReadRequest(source, capability, requested, result)) return true;
        // What the scanner scans is taken as it is; past the offered range it is
        // refused; between two offered steps it becomes the nearest, said so.
        if (requested < offered.front() || requested > offered.back()) {
            result = source.Fail(TWCC_BADVALUE);
            return true;
        }
        field = IsSupportedResolution(code, requested) ? requested
                                                       : NearestResolution(offered, requested);
        result = field == requested ? TWRC_SUCCESS : TWRC_CHECKSTATUS;
        return true;
    }
    }
    return false;
}

// --- fixed values of the 1.x answers at their standard types -----------------

// Compression and planar-chunky: one value, TW_UINT16, that MSG_SET may repeat.
bool AnswerFixedUInt16(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability,
                       TW_UINT16 value, TW_UINT16& result) {
    if (msg == MSG_SET) {
        int32_t requested;
        if (!ReadRequest(source, capability, requested, result)) return true;
        result = requested == value ? TWRC_SUCCESS : source.Fail(TWCC_BADVALUE);
        return true;
    }
    result = source.MakeOneValue(capability, TWTY_UINT16, value);
    return true;
}

bool AnswerCompression(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability,
                       TW_UINT16& result) {
    return AnswerFixedUInt16(source, msg, capability, TWCP_NONE, result);
}

bool AnswerPlanarChunky(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability,
                        TW_UINT16& result) {
    return AnswerFixedUInt16(source, msg, capability, TWPC_CHUNKY, result);
}

bool AnswerPixelFlavor(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability,
                       TW_UINT16& result) {
    if (msg != MSG_RESET) return false;
    result = source.MakeOneValue(capability, TWTY_UINT16, TWPF_CHOCOLATE);
    return true;
}

bool AnswerUiControllable(CTwainSource& source, TW_UINT16, pTW_CAPABILITY capability,
                          TW_UINT16& result) {
    result = source.MakeOneValue(capability, TWTY_BOOL, TRUE);
    return true;
}

// Whether the scanner is there and ready now.
bool AnswerDeviceOnline(CTwainSource& source, TW_UINT16, pTW_CAPABILITY capability,
                        TW_UINT16& result) {
    AditionalSenseCodeType sense;
    const bool online = source.ModelCode() != 0 && source.Scanner.UnitReady(&sense);
    result = source.MakeOneValue(capability, TWTY_BOOL, online ? TRUE : FALSE);
    return true;
}

// One image per acquisition: 1, or -1 ("all of them") and any larger count kept
// at 1 with TWRC_CHECKSTATUS.
bool AnswerTransferCount(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability,
                         TW_UINT16& result) {
    if (msg != MSG_SET) return false;
    int32_t requested;
    if (!ReadRequest(source, capability, requested, result)) return true;
    if (requested == 1)
        result = TWRC_SUCCESS;
    else if (requested == -1 || requested > 1)
        result = TWRC_CHECKSTATUS;
    else
        result = source.Fail(TWCC_BADVALUE);
    return true;
}

bool AnswerTransferMechanism(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability,
                             TW_UINT16& result) {
    switch (msg) {
    case MSG_GETCURRENT:
        result = source.MakeOneValue(capability, TWTY_UINT16, source.TransferMechanism);
        return true;
    case MSG_GETDEFAULT:
        result = source.MakeOneValue(capability, TWTY_UINT16, TWSX_NATIVE);
        return true;
    case MSG_SET: {
        int32_t requested;
        if (!ReadRequest(source, capability, requested, result)) return true;
        if (requested != TWSX_NATIVE && requested != TWSX_MEMORY) {
            result = source.Fail(TWCC_BADVALUE);
            return true;
        }
        source.TransferMechanism = static_cast<TW_UINT16>(requested);
        result = TWRC_SUCCESS;
        return true;
    }
    default:
        return false;
    }
}

// --- brightness and threshold: TW_FIX32 ranges --------------------------------

struct Bounds {
    int32_t Min, Max, Default;
};

bool AnswerBounded(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability, int32_t& field,
                   Bounds bounds, TW_UINT16& result) {
    switch (msg) {
    case MSG_GET: {
        RangeValues range = {
            TWTY_FIX32,          Fix32ItemOfWhole(bounds.Min),     Fix32ItemOfWhole(bounds.Max),
            Fix32ItemOfWhole(1), Fix32ItemOfWhole(bounds.Default), Fix32ItemOfWhole(field)};
        result = source.MakeRange(capability, range);
        return true;
    }
    case MSG_GETCURRENT:
        result = source.MakeOneValue(capability, TWTY_FIX32, Fix32ItemOfWhole(field));
        return true;
    case MSG_GETDEFAULT:
        result = source.MakeOneValue(capability, TWTY_FIX32, Fix32ItemOfWhole(bounds.Default));
        return true;
    case MSG_RESET: {
        const int32_t before = field;
        field = bounds.Default;
        result = source.MakeOneValue(capability, TWTY_FIX32, Fix32ItemOfWhole(field));
        if (result != TWRC_SUCCESS) field = before;
        return true;
    }
    case MSG_SET: {
        int32_t requested;
        if (!ReadRequest(source, capability, requested, result)) return true;
        if (requested < bounds.Min || requested > bounds.Max) {
            result = source.Fail(TWCC_BADVALUE);
            return true;
        }
        field = requested;
        result = TWRC_SUCCESS;
        return true;
    }
    }
    return false;
}

bool AnswerBrightness(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability,
                      TW_UINT16& result) {
    return AnswerBounded(source, msg, capability, source.Settings.Brightness, {0, 50, 10}, result);
}

// 0 selects the scanner's adaptive threshold.
bool AnswerThreshold(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability,
                     TW_UINT16& result) {
    return AnswerBounded(source, msg, capability, source.Settings.Threshold, {0, 255, 128}, result);
}

bool AnswerSupportedCaps(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability,
                         TW_UINT16& result);

// The capabilities a TWAIN 2 application is offered, in the order CAP_SUPPORTEDCAPS
// lists them: the 1.x list first, then what only TWAIN 2 applications are answered.
const Twain2Row Twain2Rows[] = {
    {CAP_XFERCOUNT, AllMessages, &AnswerTransferCount},
    {CAP_SUPPORTEDCAPS, GetsOnly, &AnswerSupportedCaps},
    {CAP_UICONTROLLABLE, GetsOnly, &AnswerUiControllable},
    {ICAP_COMPRESSION, AllMessages, &AnswerCompression},
    {ICAP_PLANARCHUNKY, AllMessages, &AnswerPlanarChunky},
    {ICAP_PHYSICALHEIGHT, GetsOnly, nullptr},
    {ICAP_PHYSICALWIDTH, GetsOnly, nullptr},
    {ICAP_PIXELFLAVOR, AllMessages, &AnswerPixelFlavor},
    {ICAP_BITDEPTH, AllMessages, nullptr},
    {ICAP_BITORDER, AllMessages, nullptr},
    {ICAP_PIXELTYPE, AllMessages, nullptr},
    {ICAP_UNITS, AllMessages, nullptr},
    {ICAP_XFERMECH, AllMessages, &AnswerTransferMechanism},
    {ICAP_XRESOLUTION, AllMessages, &AnswerResolution},
    {ICAP_YRESOLUTION, AllMessages, &AnswerResolution},
    {ICAP_BRIGHTNESS, AllMessages, &AnswerBrightness},
    {ICAP_THRESHOLD, AllMessages, &AnswerThreshold},
    {CAP_DEVICEONLINE, GetsOnly, &AnswerDeviceOnline},
};

bool AnswerSupportedCaps(CTwainSource& source, TW_UINT16, pTW_CAPABILITY capability,
                         TW_UINT16& result) {
    TW_UINT16 caps[sizeof Twain2Rows / sizeof Twain2Rows[0]];
    size_t count = 0;
    for (const Twain2Row& row : Twain2Rows)
        caps[count++] = row.Cap;
    result = source.MakeUInt16Array(capability, caps, count);
    return true;
}

const Twain2Row* FindRow(TW_UINT16 cap) {
    for (const Twain2Row& row : Twain2Rows)
        if (row.Cap == cap) return &row;
    return nullptr;
}

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

}  // namespace

TW_UINT16 HandleTwain2Capability(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability) {
    const bool changes = msg == MSG_SET || msg == MSG_RESET;
    if (msg != MSG_QUERYSUPPORT && QueryFlagOf(msg) == 0) return source.Fail(TWCC_BADPROTOCOL);
    if (changes && source.State != StateOpen) return source.Fail(TWCC_SEQERROR);
    if (!capability) return source.Fail(TWCC_BADVALUE);
    const Twain2Row* row = FindRow(capability->Cap);
    if (!row) return source.Fail(TWCC_CAPUNSUPPORTED);
    if (msg == MSG_QUERYSUPPORT) return source.MakeOneValue(capability, TWTY_INT32, row->Messages);
    if ((row->Messages & QueryFlagOf(msg)) == 0) return source.Fail(TWCC_CAPBADOPERATION);
    TW_UINT16 result;
    if (row->Answer && row->Answer(source, msg, capability, result)) return result;
    if (msg == MSG_SET) return SetCapability(source, capability);
    return AnswerCapabilityQuery(source, msg, capability);
}
