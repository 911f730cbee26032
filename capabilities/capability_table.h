// The fixed data of capability negotiation: the supported-capabilities list, the
// resolutions offered (from the model table) and the pixel-type mapping.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/twain.h"

constexpr size_t SupportedCapabilityCount = 15;
extern const TW_UINT16 SupportedCapabilities[SupportedCapabilityCount];

#include "engine/models.h"

// The resolutions a model offers to applications, ascending.
using ResolutionList = ResolutionSteps;
ResolutionList ResolutionsOfModel(int32_t modelCode);

// Position reported for a resolution in a model's list (see the definition).
TW_UINT32 ResolutionPosition(const ResolutionList& list, int32_t dpi);

// TWAIN pixel type <-> ImageComposition, with the bit depth set along with it.
struct PixelTypeMapping {
    TW_UINT16 PixelType;
    int32_t ImageComposition;
    int32_t BitsPerPixel;
};
// The mapping for pixel types 0 to 3 (TWPT_BW, TWPT_GRAY, TWPT_RGB, TWPT_PALETTE).
const PixelTypeMapping& MappingOfPixelType(TW_UINT16 pixelType);
// The pixel type of a composition; anything but 2, 3 and 5 reads as TWPT_BW.
TW_UINT16 PixelTypeOfComposition(int32_t imageComposition);
