// What one scan will be, worked out once from what was asked and the scanner's
// model when the transfer is announced (state 6): the window the device is given,
// whether it interpolates, the image that reaches the application (its size in
// pixels and bytes, its pixel type, depth and colours), and the tone settings the
// device is loaded with. The image triplets and both transfers read the plan and
// nothing else; nothing in it is ever written back into what was asked.
#pragma once

#include <windows.h>

#include <cstdint>

#include "engine/models.h"
#include "engine/row_geometry.h"
#include "platform/twain.h"
#include "settings/negotiated.h"
#include "settings/scan_settings.h"
#include "tarnscan/tarnscan.h"

struct ScanPlan {
    Model Scanner;
    // TWCC_SUCCESS, or why this scanner transfers no image: colour asked of a model
    // that scans none (TWCC_BADVALUE), a scanner that was not recognised (TWCC_NODS).
    TW_UINT16 Refusal;

    // --- what the device is told ---
    WindowDescriptorType DeviceWindow;
    // RGB at a resolution reached by widening each device line: read with
    // ReadInterpolatedData(WidenedResolution, NativeResolution).
    bool Interpolated;
    int32_t WidenedResolution;
    int32_t NativeResolution;
    uint8_t FractionalSpeed;
    bool LoadsToneTables;  // colour models only
    ColourTriple WhitePoint;
    ColourTriple BlackPoint;
    float Gamma;
    // A native image of palette colours is delivered as palette indices through the
    // colour translation table.
    bool TranslatesColours;
    // The image ends where the sheet ends (at Length rows at the most), and, when
    // LengthUndefined, its length is told only once it is known (memory transfers).
    bool AutomaticLength;
    bool LengthUndefined;

    // --- the image the application receives ---
    int32_t XResolution;
    int32_t YResolution;
    int32_t XOffset;  // as asked: 0 is centred on the feed
    int32_t YOffset;
    int32_t Width;  // an interpolated width is raised to a whole number of widenings
    int32_t Length;
    int32_t BitsPerPixel;
    Composition ImageComposition;
    TW_UINT16 PixelType;
    MemoryImageSize Memory;
    NativeImageSize Native;
    // The colours the pixel values stand for: 2, 16 or 256 entries, none for 16 and
    // 24 bits. DAT_PALETTE8 hands them out for palette and 8-bit grey images.
    uint32_t ColourCount;
    RGBQUAD Colours[256];
    bool HasPalette;
};

// The plan for `asked` on a scanner of `model`. Pure: the same question always
// gets the same plan.
ScanPlan PlanScan(const Negotiated& asked, Model model);
