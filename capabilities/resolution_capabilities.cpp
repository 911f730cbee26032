// ICAP_XRESOLUTION and ICAP_YRESOLUTION. A TWAIN 1.x application is offered the
// model's list as TW_UINT16 whole dots per inch, and a reset of either resets
// both; a TWAIN 2 application is offered every resolution the scanner scans, sets
// and is told each one on its own as TW_FIX32, and its frame stays where it was in
// inches.
#include <algorithm>
#include <cstdlib>

#include "capabilities/capability_table.h"
#include "capabilities/frame.h"
#include "capabilities/resolutions.h"
#include "twain/fix32.h"

namespace {

// The position of dpi in a model's list. A value the list lacks (a resolution set
// by the application or the dialog that is not one of the model's steps, or the
// default 400 on a model whose list skips it) reports the largest entry not above
// it, so that the reported current value never exceeds the real one; below the
// first entry it reports position 0.
TW_UINT32 PositionIn(const ResolutionSteps& list, int32_t dpi) {
    TW_UINT32 position = 0;
    for (TW_UINT32 i = 0; i < list.Count; ++i) {
        if (list.Entries[i] == dpi) return i;
        if (list.Entries[i] < dpi) position = i;
    }
    return position;
}

// Where a resolution stands among the offered ones (the last below it for one the
// scanner does not scan, set by the dialog or a TWAIN 1.x application before).
TW_UINT32 PositionIn(const std::vector<int32_t>& offered, int32_t dpi) {
    TW_UINT32 position = 0;
    for (TW_UINT32 i = 0; i < offered.size(); ++i)
        if (offered[i] <= dpi) position = i;
    return position;
}

// The offered entry nearest to `dpi` (the lower of two as near).
int32_t NearestResolution(const std::vector<int32_t>& offered, int32_t dpi) {
    int32_t nearest = offered.front();
    for (int32_t entry : offered)
        if (std::abs(entry - dpi) < std::abs(nearest - dpi)) nearest = entry;
    return nearest;
}

// The current entry is the resolution truncated to a multiple of 50.
TW_UINT16 Twain1Answer(CapabilityCall& call, int32_t& resolution) {
    ScanSettings& scan = call.Scan();
    switch (call.Message()) {
    case MSG_GET: {
        const ResolutionSteps list = ModelOf(call.Scanner()).OfferedResolutions;
        return call.Enumeration(TWTY_UINT16, list.Count, PositionIn(list, resolution / 50 * 50),
                                PositionIn(list, DefaultResolution), list.Entries);
    }
    case MSG_GETDEFAULT:
        return call.OneValue(TWTY_UINT16, DefaultResolution);
    case MSG_RESET:
        scan.XResolution = scan.YResolution = DefaultResolution;
        return call.OneValue(TWTY_UINT16, static_cast<TW_UINT16>(resolution));
    case MSG_SET: {
        // Stored without a range check; a TW_FIX32 is its value in whole dots per
        // inch, not the 32 bits that carry it.
        TW_UINT32 value;
        TW_UINT16 itemType;
        if (!call.ReadItemOrEntryAtWidth(value, itemType)) return TWRC_FAILURE;
        resolution = itemType == TWTY_FIX32 ? Fix32Rounded(value) : static_cast<int32_t>(value);
        return TWRC_SUCCESS;
    }
    default:
        return call.OneValue(TWTY_UINT16, static_cast<TW_UINT16>(resolution));
    }
}

TW_UINT16 Twain2Answer(CapabilityCall& call, int32_t& resolution, bool across) {
    const Model model = call.Scanner();
    const std::vector<int32_t> offered = OfferedResolutions(model);
    const int32_t byDefault = Twain2DefaultResolution(model);
    switch (call.Message()) {
    case MSG_GET: {
        std::vector<TW_UINT32> items;
        for (int32_t entry : offered)
            items.push_back(Fix32ItemOf(entry));
        return call.Enumeration(TWTY_FIX32, static_cast<TW_UINT32>(items.size()),
                                PositionIn(offered, resolution), PositionIn(offered, byDefault),
                                items.data());
    }
    case MSG_GETDEFAULT:
        return call.OneValue(TWTY_FIX32, Fix32ItemOf(byDefault));
    case MSG_RESET:
        ChangeResolutionKeepingFrame(call.Scan(), model, across, byDefault);
        return call.OneValue(TWTY_FIX32, Fix32ItemOf(resolution));
    case MSG_SET: {
        int32_t requested, scanned;
        if (!call.ReadNumber(requested)) return TWRC_FAILURE;
        if (!ResolutionToScan(model, requested, scanned)) return call.Fail(TWCC_BADVALUE);
        ChangeResolutionKeepingFrame(call.Scan(), model, across, scanned);
        return resolution == requested ? TWRC_SUCCESS : TWRC_CHECKSTATUS;
    }
    default:
        return call.OneValue(TWTY_FIX32, Fix32ItemOf(resolution));
    }
}

}  // namespace

std::vector<int32_t> OfferedResolutions(Model model) {
    const ModelRow& row = ModelOf(model);
    std::vector<int32_t> offered;
    for (int32_t dpi = row.LowestResolution; dpi <= row.HighestResolution; ++dpi)
        offered.push_back(dpi);
    for (int32_t interpolated : row.InterpolatedResolutions)
        offered.push_back(interpolated);
    std::sort(offered.begin(), offered.end());
    offered.erase(std::unique(offered.begin(), offered.end()), offered.end());
    return offered;
}

int32_t Twain2DefaultResolution(Model model) {
    int32_t scanned = DefaultResolution;
    ResolutionToScan(model, DefaultResolution, scanned);
    return scanned;
}

// What the scanner scans is taken as it is; past the offered range it is refused;
// between two offered steps it becomes the nearest.
bool ResolutionToScan(Model model, int32_t requested, int32_t& scanned) {
    const std::vector<int32_t> offered = OfferedResolutions(model);
    if (offered.empty() || requested < offered.front() || requested > offered.back()) return false;
    scanned =
        IsSupportedResolution(model, requested) ? requested : NearestResolution(offered, requested);
    return true;
}

TW_UINT16 AnswerResolution(CapabilityCall& call) {
    const bool across = call.Cap() == ICAP_XRESOLUTION;
    int32_t& resolution = across ? call.Scan().XResolution : call.Scan().YResolution;
    return call.Twain2() ? Twain2Answer(call, resolution, across) : Twain1Answer(call, resolution);
}
