#include "engine/pixel_types.h"

namespace {

// Indexed by pixel type.
const PixelTypeMapping PixelTypes[] = {
    {TWPT_BW, Composition::Bilevel, 1},
    {TWPT_GRAY, Composition::Greyscale, 8},
    {TWPT_RGB, Composition::RgbColour, 24},
    {TWPT_PALETTE, Composition::PaletteColour, 8},
};

}  // namespace

const PixelTypeMapping& MappingOfPixelType(TW_UINT16 pixelType) {
    return PixelTypes[pixelType];
}

const PixelTypeMapping* MappingOfComposition(Composition composition) {
    for (const PixelTypeMapping& mapping : PixelTypes)
        if (mapping.ImageComposition == composition) return &mapping;
    return nullptr;
}

TW_UINT16 PixelTypeOfComposition(Composition composition) {
    const PixelTypeMapping* mapping = MappingOfComposition(composition);
    return mapping ? mapping->PixelType : TWPT_BW;
}

bool IsDepthOf(Composition composition, TW_UINT32 depth) {
    const PixelTypeMapping* mapping = MappingOfComposition(composition);
    if (!mapping) return false;
    return depth == static_cast<TW_UINT32>(mapping->BitsPerPixel) ||
           (composition == Composition::PaletteColour && depth == 4);
}
