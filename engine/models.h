// The scanner models the source serves: one row per model holds everything the
// source decides by model (the name the device reports, the resolutions it scans
// and interpolates, its widest window, whether it scans colour, the resolutions
// offered to applications and in the dialog). Every other module asks here; adding
// a model is adding a row. Models are told apart by their code (Model::Unknown:
// the device's name matched no model).
#pragma once

#include <cstddef>
#include <cstdint>

// The models by code. Unknown (the device's name matched no model) is answered by
// the row of an unrecognised scanner, which no name matches.
enum class Model : int32_t {
    Unknown = 0,
    QD140 = 1,
    QD120 = 2,
    QD130 = 3,
    QD110 = 4,
    QD140Plus = 7,
    QD150Plus = 8,
    QC1400 = 9,
    QB1310 = 10,
    QB1320 = 11,
    QB1300 = 12,
    QA1220 = 13,
    QA1200 = 14,
    QA1210 = 15,
};

// A list of resolutions in dots per inch.
struct ResolutionSteps {
    const uint16_t* Entries;
    uint32_t Count;
};

struct ModelRow {
    const char* Name;     // as the device reports it
    size_t NameCompared;  // characters of the name that tell the model apart
    Model Code;
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

// The row of a model code: Unknown's is the unrecognised scanner's (400 dpi native,
// 15750 pixels wide, 600 and 800 interpolated); a code that names no model at all
// answers with that row too.
const ModelRow& ModelOf(Model model);

// The model of a device model name (the text at byte 16 of the device information).
Model ModelFromName(const char* name);
// The model of the name a scanner reported when it was opened.
struct DeviceInfoType;
Model ModelOfDevice(const DeviceInfoType& info);

// The row's native resolution.
int32_t NativeResolution(Model model);
// Whether the model accepts dpi: within its continuous range or one of its two
// interpolated resolutions.
bool IsSupportedResolution(Model model, int32_t dpi);
// Whether dpi is reached by horizontal interpolation (one of the two interpolated
// resolutions and above the native one). False for a code that names no model.
bool IsInterpolatedResolution(Model model, int32_t dpi);
// The widest window in pixels at dpi; 0 for a dpi the model does not accept and for
// a code that names no model.
int32_t MaxScanWidth(Model model, int32_t dpi);
// Models that scan no colour: no 24-bit transfer, no tone tables.
bool IsMonochromeModel(Model model);

// The scanner's physical area in inches: the widest window at the native resolution
// across, and a fixed length along the paper.
double PhysicalWidthInches(Model model);
constexpr double PhysicalLengthInches = 32000.0;
