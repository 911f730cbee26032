#include "capabilities/capability_table.h"

const TW_UINT16 SupportedCapabilities[SupportedCapabilityCount] = {
    CAP_XFERCOUNT,     CAP_SUPPORTEDCAPS,   CAP_UICONTROLLABLE, ICAP_COMPRESSION,
    ICAP_PLANARCHUNKY, ICAP_PHYSICALHEIGHT, ICAP_PHYSICALWIDTH, ICAP_PIXELFLAVOR,
    ICAP_BITDEPTH,     ICAP_BITORDER,       ICAP_PIXELTYPE,     ICAP_UNITS,
    ICAP_XFERMECH,     ICAP_XRESOLUTION,    ICAP_YRESOLUTION,
};

namespace {

const PixelTypeMapping PixelTypes[] = {
    {TWPT_BW, 0, 1},
    {TWPT_GRAY, 2, 8},
    {TWPT_RGB, 5, 24},
    {TWPT_PALETTE, 3, 8},
};

}  // namespace

ResolutionList ResolutionsOfModel(int32_t modelCode) {
    return ModelOf(modelCode).OfferedResolutions;
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

TW_UINT16 PixelTypeOfComposition(int32_t imageComposition) {
    for (const PixelTypeMapping& mapping : PixelTypes)
        if (mapping.ImageComposition == imageComposition) return mapping.PixelType;
    return TWPT_BW;
}
