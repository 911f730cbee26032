#include "settings/scan_settings.h"

#include <cstring>

int32_t ScanSettings::*const WindowFields[19] = {
    &ScanSettings::XResolution,   &ScanSettings::YResolution, &ScanSettings::XOffset,
    &ScanSettings::YOffset,       &ScanSettings::ScanWidth,   &ScanSettings::ScanLength,
    &ScanSettings::Brightness,    &ScanSettings::Threshold,   &ScanSettings::ImageComposition,
    &ScanSettings::BitsPerPixel,  &ScanSettings::Flage,       &ScanSettings::CompressionType,
    &ScanSettings::Filter,        &ScanSettings::WhiteValue,  &ScanSettings::InitialThreshold,
    &ScanSettings::ScalingFactor, &ScanSettings::Direction,   &ScanSettings::Termination,
    &ScanSettings::ScaleMode,
};

ScanSettings::ScanSettings()
    : XResolution(400),
      YResolution(400),
      XOffset(0),
      YOffset(0),
      ScanWidth(800),
      ScanLength(800),
      Brightness(10),
      Threshold(128),
      ImageComposition(static_cast<int32_t>(Composition::RgbColour)),
      BitsPerPixel(24),
      Flage(131),
      CompressionType(0),
      Filter(0),
      WhiteValue(240),
      InitialThreshold(120),
      ScalingFactor(100),
      Direction(0),
      Termination(48),
      ScaleMode(0),
      AutoPalette(0),
      PaletteColours(0),
      CenterJustified(0),
      FractionalSpeed(1),
      WhitePoint{255, 255, 255},
      BlackPoint{0, 0, 0},
      Gamma(1.0f) {}

void ScanSettings::ClearWindow() {
    for (int32_t ScanSettings::*field : WindowFields)
        this->*field = 0;
}

bool operator==(const ScanSettings& a, const ScanSettings& b) {
    for (int32_t ScanSettings::*field : WindowFields)
        if (a.*field != b.*field) return false;
    // Gamma compares by its bits, so that a NaN stored by a block equals itself.
    return a.Palette == b.Palette && a.AutoPalette == b.AutoPalette &&
           a.PaletteColours == b.PaletteColours && a.CenterJustified == b.CenterJustified &&
           a.FractionalSpeed == b.FractionalSpeed && a.WhitePoint.R == b.WhitePoint.R &&
           a.WhitePoint.G == b.WhitePoint.G && a.WhitePoint.B == b.WhitePoint.B &&
           a.BlackPoint.R == b.BlackPoint.R && a.BlackPoint.G == b.BlackPoint.G &&
           a.BlackPoint.B == b.BlackPoint.B && std::memcmp(&a.Gamma, &b.Gamma, sizeof a.Gamma) == 0;
}
