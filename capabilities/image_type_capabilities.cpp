// ICAP_PIXELTYPE and ICAP_BITDEPTH: the image type, which is the composition and
// depth the scanner is asked for. Both kinds of application are answered alike.
#include "capabilities/capability_table.h"
#include "engine/pixel_types.h"

namespace {

void ApplyPixelType(ScanSettings& scan, TW_UINT16 pixelType) {
    const PixelTypeMapping& mapping = MappingOfPixelType(pixelType);
    SetComposition(scan, mapping.ImageComposition);
    scan.BitsPerPixel = mapping.BitsPerPixel;
}

TW_UINT16 CurrentPixelType(CapabilityCall& call) {
    return call.OneValue(TWTY_UINT16, PixelTypeOfComposition(CompositionOf(call.Scan())));
}

// A TWAIN 2 application is offered RGB only by a model that scans colour, and
// its default is grey on one that does not.
bool OffersColour(CapabilityCall& call) {
    return !call.Twain2() || !IsMonochromeModel(call.Scanner());
}

TW_UINT16 DefaultPixelType(CapabilityCall& call) {
    return OffersColour(call) ? TWPT_RGB : TWPT_GRAY;
}

TW_UINT16 PixelTypeChoices(CapabilityCall& call) {
    static const TW_UINT16 types[] = {TWPT_BW, TWPT_GRAY, TWPT_PALETTE, TWPT_RGB};
    const TW_UINT32 count = OffersColour(call) ? 4 : 3;
    const TW_UINT16 type = PixelTypeOfComposition(CompositionOf(call.Scan()));
    TW_UINT32 current = 0;
    while (current + 1 < count && types[current] != type)
        ++current;
    return call.Enumeration(TWTY_UINT16, count, current, DefaultPixelType(call) == TWPT_RGB ? 3 : 1,
                            types);
}

// RGB of a model that scans no colour is refused in a one value, and in any
// container from a TWAIN 2 application; a TWAIN 1.x application's enumeration is
// not held to that.
bool IsScannablePixelType(CapabilityCall& call, TW_UINT32 type) {
    const bool held = call.ConType() == TWON_ONEVALUE || call.Twain2();
    if (held && type == TWPT_RGB && IsMonochromeModel(call.Scanner())) return false;
    return type <= TWPT_PALETTE;
}

TW_UINT16 CurrentBitDepth(CapabilityCall& call) {
    return call.OneValue(TWTY_UINT16, static_cast<TW_UINT16>(call.Scan().BitsPerPixel));
}

// A palette image's two depths; any other composition has its one depth, answered
// as a one value.
TW_UINT16 BitDepthChoices(CapabilityCall& call) {
    const ScanSettings& scan = call.Scan();
    if (CompositionOf(scan) != Composition::PaletteColour) return CurrentBitDepth(call);
    static const TW_UINT16 depths[] = {8, 4};
    return call.Enumeration(TWTY_UINT16, 2, scan.BitsPerPixel != 8 ? 1 : 0, 0, depths);
}

}  // namespace

// Any container but a one value or an enumeration is taken for a mistaken
// capability (TWCC_BADCAP).
TW_UINT16 AnswerPixelType(CapabilityCall& call) {
    switch (call.Message()) {
    case MSG_GET:
        return PixelTypeChoices(call);
    case MSG_GETDEFAULT:
        return call.OneValue(TWTY_UINT16, DefaultPixelType(call));
    case MSG_RESET:
        ApplyPixelType(call.Scan(), DefaultPixelType(call));
        return CurrentPixelType(call);
    case MSG_SET: {
        TW_UINT32 type;
        if (!call.ReadItemOrEntry16(
                TWCC_BADCAP, false,
                [&](TW_UINT32 value) { return IsScannablePixelType(call, value); }, type))
            return TWRC_FAILURE;
        ApplyPixelType(call.Scan(), static_cast<TW_UINT16>(type));
        return TWRC_SUCCESS;
    }
    default:
        return CurrentPixelType(call);
    }
}

// The depth is the composition's; a palette image takes 8 or 4 bits. A reset
// brings a palette image back to 8 bits and leaves every other composition's one
// depth as it is.
TW_UINT16 AnswerBitDepth(CapabilityCall& call) {
    ScanSettings& scan = call.Scan();
    switch (call.Message()) {
    case MSG_GET:
        return BitDepthChoices(call);
    case MSG_GETDEFAULT: {
        const PixelTypeMapping* mapping = MappingOfComposition(CompositionOf(scan));
        return call.OneValue(TWTY_UINT16, mapping ? mapping->BitsPerPixel : 0);
    }
    case MSG_RESET:
        if (CompositionOf(scan) == Composition::PaletteColour)
            scan.BitsPerPixel = MappingOfPixelType(TWPT_PALETTE).BitsPerPixel;
        return CurrentBitDepth(call);
    case MSG_SET: {
        TW_UINT32 depth;
        if (!call.ReadItemOrEntry16(
                TWCC_BADVALUE, true,
                [&](TW_UINT32 value) { return IsDepthOf(CompositionOf(scan), value); }, depth))
            return TWRC_FAILURE;
        scan.BitsPerPixel = static_cast<TW_UINT16>(depth);
        return TWRC_SUCCESS;
    }
    default:
        return CurrentBitDepth(call);
    }
}
