// The scanner models the source serves, told apart by the model name the device
// reports, and the constant table of their resolutions and widths. Everything
// model-specific is looked up by the model code (0: the name matched no model).
#pragma once

#include <cstdint>

struct ModelResolutionRow {
    int32_t Code;
    int32_t NativeResolution;
    int32_t WidestWindow;  // pixels at the native resolution
    int32_t LowestResolution;
    int32_t HighestResolution;
    int32_t InterpolatedResolutions[2];
};

constexpr int ModelResolutionRows = 14;
extern const ModelResolutionRow ModelResolutionTable[ModelResolutionRows];

// Model code for a device model name (the text at byte 16 of the device information).
// The source object's ModelCode() applies it to its DeviceInfo.
int32_t ModelCodeFromName(const char* name);

// The row's native resolution; an unknown code answers as the first row (400).
int32_t NativeResolution(int32_t code);
// Whether the model accepts dpi: within its continuous range or one of its two
// interpolated resolutions. An unknown code answers as the first row.
bool IsSupportedResolution(int32_t code, int32_t dpi);
// Whether dpi is reached by horizontal interpolation (one of the two interpolated
// resolutions and above the native one). False for an unknown code.
bool IsInterpolatedResolution(int32_t code, int32_t dpi);
// The widest window in pixels at dpi; 0 for an unknown code or an unsupported dpi.
int32_t MaxScanWidth(int32_t code, int32_t dpi);

// The scanner's physical area in inches: the widest window at the native resolution
// across, and a fixed length along the paper.
double PhysicalWidthInches(int32_t code);
constexpr double PhysicalLengthInches = 32000.0;
