// What the capability rows read from the source, the lists of choices, what a
// reset changes and what MSG_SET checks and stores, for TWAIN 1.x applications.
#include "capabilities/capability_answers.h"
#include "source/twain_source.h"
#include "twain/fix32.h"

namespace {

// Indexed by pixel type.
const PixelTypeMapping PixelTypes[] = {
    {TWPT_BW, Composition::Bilevel, 1},
    {TWPT_GRAY, Composition::Greyscale, 8},
    {TWPT_RGB, Composition::RgbColour, 24},
    {TWPT_PALETTE, Composition::PaletteColour, 8},
};

// The row of a composition; null for a value that names none.
const PixelTypeMapping* MappingOfComposition(Composition composition) {
    for (const PixelTypeMapping& mapping : PixelTypes)
        if (mapping.ImageComposition == composition) return &mapping;
    return nullptr;
}

void ApplyPixelType(ScanSettings& settings, TW_UINT16 pixelType) {
    const PixelTypeMapping& mapping = MappingOfPixelType(pixelType);
    SetComposition(settings, mapping.ImageComposition);
    settings.BitsPerPixel = mapping.BitsPerPixel;
}

TW_UINT16 UInt16Enumeration(CTwainSource& source, pTW_CAPABILITY capability, const TW_UINT16* items,
                            TW_UINT32 count, TW_UINT32 current, TW_UINT32 defaultIndex) {
    EnumerationHeader header = {TWTY_UINT16, count, current, defaultIndex};
    return source.MakeEnumeration(capability, header, items);
}

// The model's resolutions with the current entry at the resolution truncated to a
// multiple of 50.
TW_UINT16 ResolutionChoices(CTwainSource& source, pTW_CAPABILITY capability, int32_t resolution) {
    ResolutionList list = ResolutionsOfModel(source.ModelCode());
    TW_UINT32 current = ResolutionPosition(list, resolution / 50 * 50);
    TW_UINT32 defaultIndex = ResolutionPosition(list, DefaultResolution);
    return UInt16Enumeration(source, capability, list.Entries, list.Count, current, defaultIndex);
}

// A resolution sent as a TW_FIX32 is its value in whole dots per inch, not the 32
// bits that carry it.
int32_t ResolutionOf(const SetRequest& request) {
    return request.ItemType == TWTY_FIX32 ? Fix32Rounded(request.Value)
                                          : static_cast<int32_t>(request.Value);
}

}  // namespace

// --- values -------------------------------------------------------------------

TW_UINT32 CurrentPixelType(const CTwainSource& source) {
    return PixelTypeOfComposition(CompositionOf(source.Settings));
}

TW_UINT32 CurrentBitDepth(const CTwainSource& source) {
    return static_cast<TW_UINT16>(source.Settings.BitsPerPixel);
}

// The depth each composition is scanned at by default; 0 for a composition that
// is not used.
TW_UINT32 DefaultBitDepth(const CTwainSource& source) {
    const PixelTypeMapping* mapping = MappingOfComposition(CompositionOf(source.Settings));
    return mapping ? mapping->BitsPerPixel : 0;
}

TW_UINT32 CurrentXResolution(const CTwainSource& source) {
    return static_cast<TW_UINT16>(source.Settings.XResolution);
}

TW_UINT32 CurrentYResolution(const CTwainSource& source) {
    return static_cast<TW_UINT16>(source.Settings.YResolution);
}

TW_UINT32 CurrentTransferMechanism(const CTwainSource& source) {
    return source.TransferMechanism;
}

TW_UINT32 PhysicalWidthItem(const CTwainSource& source) {
    return Fix32Item(FloatToFix32(PhysicalWidthInches(source.ModelCode())));
}

TW_UINT32 PhysicalHeightItem(const CTwainSource&) {
    return Fix32Item(FloatToFix32(PhysicalLengthInches));
}

// --- choices --------------------------------------------------------------------

TW_UINT16 PixelTypeChoices(CTwainSource& source, pTW_CAPABILITY capability) {
    static const TW_UINT16 types[] = {TWPT_BW, TWPT_GRAY, TWPT_PALETTE, TWPT_RGB};
    const TW_UINT16 type = PixelTypeOfComposition(CompositionOf(source.Settings));
    TW_UINT32 current = 0;
    while (types[current] != type)
        ++current;
    return UInt16Enumeration(source, capability, types, 4, current, 3);
}

// A palette image's two depths; any other composition has its one depth, answered
// as a one value.
TW_UINT16 BitDepthChoices(CTwainSource& source, pTW_CAPABILITY capability) {
    const ScanSettings& settings = source.Settings;
    if (CompositionOf(settings) != Composition::PaletteColour)
        return source.MakeOneValue(capability, TWTY_UINT16, CurrentBitDepth(source));
    static const TW_UINT16 depths[] = {8, 4};
    return UInt16Enumeration(source, capability, depths, 2, settings.BitsPerPixel != 8 ? 1 : 0, 0);
}

TW_UINT16 TransferMechanismChoices(CTwainSource& source, pTW_CAPABILITY capability) {
    static const TW_UINT16 mechanisms[] = {TWSX_NATIVE, TWSX_MEMORY};
    return UInt16Enumeration(source, capability, mechanisms, 2,
                             source.TransferMechanism != 0 ? 1 : 0, 0);
}

TW_UINT16 XResolutionChoices(CTwainSource& source, pTW_CAPABILITY capability) {
    return ResolutionChoices(source, capability, source.Settings.XResolution);
}

TW_UINT16 YResolutionChoices(CTwainSource& source, pTW_CAPABILITY capability) {
    return ResolutionChoices(source, capability, source.Settings.YResolution);
}

// --- what MSG_RESET changes -------------------------------------------------------

void ResetToRgb(CTwainSource& source) {
    ApplyPixelType(source.Settings, TWPT_RGB);
}

// Only a palette image's depth is reset; every other composition has one depth.
void ResetPaletteDepth(CTwainSource& source) {
    if (CompositionOf(source.Settings) == Composition::PaletteColour)
        source.Settings.BitsPerPixel = MappingOfPixelType(TWPT_PALETTE).BitsPerPixel;
}

void ResetToNativeTransfer(CTwainSource& source) {
    source.TransferMechanism = TWSX_NATIVE;
}

// Resetting either resolution resets both.
void ResetBothResolutions(CTwainSource& source) {
    source.Settings.XResolution = source.Settings.YResolution = DefaultResolution;
}

// --- MSG_SET ----------------------------------------------------------------------

bool IsCurrentValue(const CTwainSource& source, const CapabilityRow& row,
                    const SetRequest& request) {
    const TW_UINT32 current = row.Current.Read ? row.Current.Read(source) : row.Current.Fixed;
    return request.Value == current;
}

bool LowHalfIsCurrentValue(const CTwainSource& source, const CapabilityRow& row,
                           const SetRequest& request) {
    const SetRequest low = {request.Value & 0xFFFF, request.ConType, request.ItemType};
    return IsCurrentValue(source, row, low);
}

// A one value asking for RGB of a model that scans no colour is refused; an
// enumeration's current entry is not held to that.
bool IsScannablePixelType(const CTwainSource& source, const CapabilityRow&,
                          const SetRequest& request) {
    if (request.ConType == TWON_ONEVALUE && request.Value == TWPT_RGB &&
        IsMonochromeModel(source.ModelCode()))
        return false;
    return request.Value <= TWPT_PALETTE;
}

// A one value is tested on its whole Item and on the 16 bits that are stored, so
// that no Item whose low half is TWSX_FILE slips through as another value.
bool IsNotFileTransfer(const CTwainSource&, const CapabilityRow&, const SetRequest& request) {
    return request.Value != TWSX_FILE && (request.Value & 0xFFFF) != TWSX_FILE;
}

// The depths each composition can be scanned at: its one depth, and 4 bits as well
// for a palette image. RGB is always 24 bits: the scan engine relies on it, so 24
// is the one depth an RGB image accepts.
bool IsDepthOfComposition(const CTwainSource& source, const CapabilityRow&,
                          const SetRequest& request) {
    return IsDepthOf(CompositionOf(source.Settings), request.Value);
}

void StorePixelType(CTwainSource& source, const SetRequest& request) {
    ApplyPixelType(source.Settings, static_cast<TW_UINT16>(request.Value));
}

void StoreTransferMechanism(CTwainSource& source, const SetRequest& request) {
    source.TransferMechanism = static_cast<TW_UINT16>(request.Value);
}

void StoreBitDepth(CTwainSource& source, const SetRequest& request) {
    source.Settings.BitsPerPixel = static_cast<TW_UINT16>(request.Value);
}

// Brightness, threshold and the resolutions are stored without a range check; a
// fixed-point value is used by its whole part for brightness and threshold.
void StoreBrightness(CTwainSource& source, const SetRequest& request) {
    source.Settings.Brightness = Fix32Whole(request.Value);
}

void StoreThreshold(CTwainSource& source, const SetRequest& request) {
    source.Settings.Threshold = Fix32Whole(request.Value);
}

void StoreXResolution(CTwainSource& source, const SetRequest& request) {
    source.Settings.XResolution = ResolutionOf(request);
}

void StoreYResolution(CTwainSource& source, const SetRequest& request) {
    source.Settings.YResolution = ResolutionOf(request);
}

// --- resolutions and pixel types ------------------------------------------------

ResolutionList ResolutionsOfModel(Model model) {
    return ModelOf(model).OfferedResolutions;
}

// The position of dpi in the list. A value the list lacks (a resolution set by the
// application or the dialog that is not one of the model's steps, or the default
// 400 on a model whose list skips it) reports the largest entry not above it, so
// that the reported current value never exceeds the real one; below the first
// entry it reports position 0. Either way the position lies within the list.
TW_UINT32 ResolutionPosition(const ResolutionList& list, int32_t dpi) {
    TW_UINT32 position = 0;
    for (TW_UINT32 i = 0; i < list.Count; ++i) {
        if (list.Entries[i] == dpi) return i;
        if (list.Entries[i] < dpi) position = i;
    }
    return position;
}

const PixelTypeMapping& MappingOfPixelType(TW_UINT16 pixelType) {
    return PixelTypes[pixelType];
}

bool IsDepthOf(Composition composition, TW_UINT32 depth) {
    const PixelTypeMapping* mapping = MappingOfComposition(composition);
    if (!mapping) return false;
    return depth == static_cast<TW_UINT32>(mapping->BitsPerPixel) ||
           (composition == Composition::PaletteColour && depth == 4);
}

TW_UINT16 PixelTypeOfComposition(Composition composition) {
    const PixelTypeMapping* mapping = MappingOfComposition(composition);
    return mapping ? mapping->PixelType : TWPT_BW;
}
