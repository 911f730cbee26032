// The one record of scan parameters shared by negotiation, the dialogs, the
// settings store and the scan engine. It opens with the device window descriptor.
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

struct ScanSettings : WindowDescriptorType {
    ScanSettings();

    std::string Palette;
    uint8_t AutoPalette;
    int32_t PaletteColours;
    uint8_t CenterJustified;
    uint8_t FractionalSpeed;
    ColourTriple WhitePoint;
    ColourTriple BlackPoint;
    float Gamma;

    WindowDescriptorType& Window() { return *this; }
    const WindowDescriptorType& Window() const { return *this; }
};
