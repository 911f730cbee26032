// MSG_SET: which value each capability accepts from the application's container,
// and where it is stored. The container stays the application's: it is locked for
// the reading, unlocked again before returning, and never freed or replaced.
#include "capabilities/capability_handlers.h"
#include "capabilities/capability_table.h"
#include "capabilities/containers.h"
#include "capabilities/fix32.h"
#include "engine/models.h"
#include "source/twain_source.h"

namespace {

// Each setter tests the value in the container, stores it when it is accepted and
// answers whether it was; a refused value changes nothing.
typedef bool (*Setter)(CTwainSource& source, const ApplicationContainer& container);

bool IsEnumeration(const ApplicationContainer& container) {
    return container.ConType() == TWON_ENUMERATION;
}

bool IsOneValue(const ApplicationContainer& container) {
    return container.ConType() == TWON_ONEVALUE;
}

bool SetTransferCount(CTwainSource&, const ApplicationContainer& container) {
    return container.Value32() == 1;
}

bool SetPixelType(CTwainSource& source, const ApplicationContainer& container) {
    TW_UINT32 pixelType;
    if (IsOneValue(container)) {
        pixelType = container.Value32();
        if (pixelType == TWPT_RGB && IsMonochromeModel(source.ModelCode())) return false;
    } else {
        // An enumeration's other entries are not examined.
        if (!container.HasCurrentEntry()) return false;
        pixelType = container.CurrentEntry16();
    }
    if (pixelType > TWPT_PALETTE) return false;
    const PixelTypeMapping& mapping = MappingOfPixelType(static_cast<TW_UINT16>(pixelType));
    source.Settings.ImageComposition = mapping.ImageComposition;
    source.Settings.BitsPerPixel = mapping.BitsPerPixel;
    return true;
}

// Units are always inches.
bool SetUnits(CTwainSource&, const ApplicationContainer& container) {
    return IsOneValue(container) && container.Value32() == TWUN_INCHES;
}

// Any mechanism but a file transfer is stored as it comes. A one value is tested on
// the 16 bits that are stored as well as on its whole Item, so that no Item whose
// low half is TWSX_FILE slips through as another value.
bool SetTransferMechanism(CTwainSource& source, const ApplicationContainer& container) {
    TW_UINT16 mechanism;
    if (IsOneValue(container)) {
        if (container.Value32() == TWSX_FILE || container.Value16() == TWSX_FILE) return false;
        mechanism = container.Value16();
    } else if (IsEnumeration(container)) {
        for (TW_UINT32 i = 0; i < container.NumItems(); ++i)
            if (container.Entry16(i) == TWSX_FILE) return false;
        if (!container.HasCurrentEntry()) return false;
        mechanism = container.CurrentEntry16();
    } else {
        return false;
    }
    source.TransferMechanism = mechanism;
    return true;
}

// The value of a capability that takes any value: a one value's Item, a range's
// MinValue (read where a one value's Item stands), an enumeration's current entry.
// An array names no single value.
bool AnyValue(const ApplicationContainer& container, TW_UINT32& value) {
    switch (container.ConType()) {
    case TWON_ONEVALUE:
    case TWON_RANGE:
        value = container.Value32();
        return true;
    case TWON_ENUMERATION:
        return container.CurrentEntryAtItemWidth(value);
    default:
        return false;
    }
}

// Brightness, threshold and the resolutions are stored without a range check; a
// fixed-point value is used by its whole part for brightness and threshold.
bool SetBrightness(CTwainSource& source, const ApplicationContainer& container) {
    TW_UINT32 value;
    if (!AnyValue(container, value)) return false;
    source.Settings.Brightness = Fix32Whole(value);
    return true;
}

bool SetThreshold(CTwainSource& source, const ApplicationContainer& container) {
    TW_UINT32 value;
    if (!AnyValue(container, value)) return false;
    source.Settings.Threshold = Fix32Whole(value);
    return true;
}

// A resolution sent as a TW_FIX32 is its value in whole dots per inch, not the
// 32 bits that carry it.
bool ResolutionValue(const ApplicationContainer& container, int32_t& dpi) {
    TW_UINT32 value;
    if (!AnyValue(container, value)) return false;
    dpi = container.ItemType() == TWTY_FIX32 ? Fix32Rounded(value) : static_cast<int32_t>(value);
    return true;
}

bool SetXResolution(CTwainSource& source, const ApplicationContainer& container) {
    return ResolutionValue(container, source.Settings.XResolution);
}

bool SetYResolution(CTwainSource& source, const ApplicationContainer& container) {
    return ResolutionValue(container, source.Settings.YResolution);
}

bool SetBitOrder(CTwainSource&, const ApplicationContainer& container) {
    return container.Value32() == TWBO_MSBFIRST;
}

bool SetPixelFlavor(CTwainSource&, const ApplicationContainer& container) {
    return container.Value16() == TWPF_CHOCOLATE;
}

// The depths each composition can be scanned at. RGB is always 24 bits: the scan
// engine relies on it, so 24 is the one depth an RGB image accepts.
bool IsDepthOfComposition(int32_t imageComposition, TW_UINT32 depth) {
    switch (imageComposition) {
    case 0:
        return depth == 1;
    case 2:
        return depth == 8;
    case 3:
        return depth == 4 || depth == 8;
    case 5:
        return depth == 24;
    default:
        return false;
    }
}

bool SetBitDepth(CTwainSource& source, const ApplicationContainer& container) {
    const int32_t composition = source.Settings.ImageComposition;
    TW_UINT16 depth;
    if (IsOneValue(container)) {
        if (!IsDepthOfComposition(composition, container.Value32())) return false;
        depth = container.Value16();
    } else if (IsEnumeration(container)) {
        for (TW_UINT32 i = 0; i < container.NumItems(); ++i)
            if (!IsDepthOfComposition(composition, container.Entry16(i))) return false;
        if (!container.HasCurrentEntry()) return false;
        depth = container.CurrentEntry16();
    } else {
        return false;
    }
    source.Settings.BitsPerPixel = depth;
    return true;
}

struct SettableCapability {
    TW_UINT16 Cap;
    Setter Set;
};

const SettableCapability SettableCapabilities[] = {
    {CAP_XFERCOUNT, &SetTransferCount},
    {ICAP_PIXELTYPE, &SetPixelType},
    {ICAP_UNITS, &SetUnits},
    {ICAP_XFERMECH, &SetTransferMechanism},
    {ICAP_BRIGHTNESS, &SetBrightness},
    {ICAP_XRESOLUTION, &SetXResolution},
    {ICAP_YRESOLUTION, &SetYResolution},
    {ICAP_BITORDER, &SetBitOrder},
    {ICAP_PIXELFLAVOR, &SetPixelFlavor},
    {ICAP_THRESHOLD, &SetThreshold},
    {ICAP_BITDEPTH, &SetBitDepth},
};

Setter FindSetter(TW_UINT16 cap) {
    for (const SettableCapability& settable : SettableCapabilities)
        if (settable.Cap == cap) return settable.Set;
    return nullptr;
}

}  // namespace

TW_UINT16 SetCapability(CTwainSource& source, pTW_CAPABILITY capability) {
    Setter set = FindSetter(capability->Cap);
    if (!set) return source.Fail(TWCC_BADCAP);
    // The pixel type is negotiated only as a one value or an enumeration; any other
    // container is taken for a capability the application has mistaken.
    if (capability->Cap == ICAP_PIXELTYPE && capability->ConType != TWON_ONEVALUE &&
        capability->ConType != TWON_ENUMERATION)
        return source.Fail(TWCC_BADCAP);
    ApplicationContainer container(*capability);
    if (!container.Valid()) return source.Fail(TWCC_BADVALUE);
    return set(source, container) ? TWRC_SUCCESS : source.Fail(TWCC_BADVALUE);
}
