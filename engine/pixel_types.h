// The TWAIN pixel types and the device's image compositions, in one table: the
// composition and default depth each pixel type is scanned with, and the depths
// each composition can be scanned at.
#pragma once

#include <cstdint>

#include "platform/twain.h"
#include "tarnscan/tarnscan.h"

struct PixelTypeMapping {
    TW_UINT16 PixelType;
    Composition ImageComposition;
    int32_t BitsPerPixel;  // the composition's default depth
};

// The mapping for pixel types 0 to 3 (TWPT_BW, TWPT_GRAY, TWPT_RGB, TWPT_PALETTE).
const PixelTypeMapping& MappingOfPixelType(TW_UINT16 pixelType);
// The row of a composition; null for a value that names none.
const PixelTypeMapping* MappingOfComposition(Composition composition);
// The pixel type of a composition; a value that names none reads as TWPT_BW.
TW_UINT16 PixelTypeOfComposition(Composition composition);
// The depths a composition is scanned at: its one depth, and 4 bits as well for a
// palette image. A value that names no composition has none. RGB is always 24
// bits: the scan engine relies on it.
bool IsDepthOf(Composition composition, TW_UINT32 depth);
