#include "settings/scan_settings.h"

ScanSettings::ScanSettings()
    : WindowDescriptorType{
          400,  // XResolution
          400,  // YResolution
          0,    // XOffset
          0,    // YOffset
          800,  // ScanWidth
          800,  // ScanLength
          10,   // Brightness
          128,  // Threshold
          static_cast<int32_t>(Composition::RgbColour),  // ImageComposition
          24,   // BitsPerPixel
          131,  // Flage
          0,    // CompressionType
          0,    // Filter
          240,  // WhiteValue
          120,  // InitialThreshold
          100,  // ScalingFactor
          0,    // Direction
          48,   // Termination
          0,    // ScaleMode
      },
      AutoPalette(0),
      PaletteColours(0),
      CenterJustified(0),
      FractionalSpeed(1),
      WhitePoint{255, 255, 255},
      BlackPoint{0, 0, 0},
      Gamma(1.0f) {}
