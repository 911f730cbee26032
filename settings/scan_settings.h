// The scan parameters as a user or an application asks for them: the window in
// pixels at its own resolutions, the image type, the tone settings, the speed.
// Negotiation, the dialogs, the settings store and the settings block read and
// write it; the scan engine plans a scan from it and never writes it back.
#pragma once

#include <cstdint>
#include <string>

#include "tarnscan/tarnscan.h"

struct ColourTriple {
    uint8_t R;
    uint8_t G;
    uint8_t B;
};
static_assert(sizeof(ColourTriple) == 3, "three bytes with nothing between them");

struct ScanSettings {
    ScanSettings();

    // The window asked for, named and ordered as the device's window descriptor.
    int32_t XResolution;
    int32_t YResolution;
    int32_t XOffset;  // 0: centred on the feed
    int32_t YOffset;
    int32_t ScanWidth;
    int32_t ScanLength;
    int32_t Brightness;
    int32_t Threshold;
    int32_t ImageComposition;
    int32_t BitsPerPixel;
    int32_t Flage;
    int32_t CompressionType;
    int32_t Filter;
    int32_t WhiteValue;
    int32_t InitialThreshold;
    int32_t ScalingFactor;
    int32_t Direction;
    int32_t Termination;
    int32_t ScaleMode;

    std::string Palette;
    uint8_t AutoPalette;
    int32_t PaletteColours;
    uint8_t CenterJustified;
    uint8_t FractionalSpeed;
    ColourTriple WhitePoint;
    ColourTriple BlackPoint;
    float Gamma;

    // Every window field set to 0 (a TWAIN 1.x application's reset of the frame).
    void ClearWindow();
};

// The window's 19 fields in the device descriptor's order.
extern int32_t ScanSettings::*const WindowFields[19];

inline Composition CompositionOf(const ScanSettings& settings) {
    return static_cast<Composition>(settings.ImageComposition);
}
inline void SetComposition(ScanSettings& settings, Composition composition) {
    settings.ImageComposition = static_cast<int32_t>(composition);
}

bool operator==(const ScanSettings& a, const ScanSettings& b);
