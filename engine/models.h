// The scanner models the source serves: one row per model holds everything the
// source decides by model (the name the device reports, the resolutions it scans
// and interpolates, its widest window, whether it scans colour, the resolutions
// offered to applications and in the dialog). Every other module asks here; adding
// a model is adding a row. Models are told apart by their code (0: the device's
// name matched no model).
#pragma once

#include <cstddef>
#include <cstdint>

// A list of resolutions in dots per inch.
struct ResolutionSteps {
    const uint16_t* Entries;
    uint32_t Count;
};

struct ModelRow {
    const char* Name;     // as the device reports it
    size_t NameCompared;  // characters of the name that tell the model apart
    int32_t Code;
    int32_t NativeResolution;
    int32_t WidestWindow;  // pixels at the native resolution
    int32_t LowestResolution;
    int32_t HighestResolution;
    int32_t InterpolatedResolutions[2];
    bool ScansColour;
    ResolutionSteps OfferedResolutions;  // to applications, ascending
    ResolutionSteps DialogResolutions;   // in the dialog, descending; none: the template's
    int32_t DialogDefaultResolution;     // selected when the stored one is not in the list
};

// The row of a model code; an unknown code answers with the row for no model.
const ModelRow& ModelOf(int32_t code);

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
// Models that scan no colour: no 24-bit transfer, no tone tables.
bool IsMonochromeModel(int32_t code);

// The scanner's physical area in inches: the widest window at the native resolution
// across, and a fixed length along the paper.
double PhysicalWidthInches(int32_t code);
constexpr double PhysicalLengthInches = 32000.0;
