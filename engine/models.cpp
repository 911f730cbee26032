// The model table and its lookups.
#include "engine/models.h"

#include <cstring>

#include "tarnscan/tarnscan.h"

namespace {

template <size_t N>
constexpr ResolutionSteps Steps(const uint16_t (&entries)[N]) {
    return {entries, static_cast<uint32_t>(N)};
}

// Offered to applications.
constexpr uint16_t QD120Offered[] = {50, 100, 150, 200, 250, 300, 350, 400, 600, 800};
constexpr uint16_t QD140PlusOffered[] = {50, 100, 150, 200, 250, 300, 400, 600};
constexpr uint16_t QD150PlusOffered[] = {50, 100, 150, 200, 300, 400};
constexpr uint16_t OtherOffered[] = {50, 100, 150, 200, 250, 300, 450, 600};

// The dialog's lists where they differ from its template's fourteen entries.
constexpr uint16_t WideDialog[] = {600, 450, 300, 250, 200, 150, 100, 50};
constexpr uint16_t WidePlusDialog[] = {600, 400, 300, 250, 200, 150, 100, 50};
constexpr uint16_t NarrowDialog[] = {400, 300, 200, 150, 100, 50};
constexpr ResolutionSteps TemplateDialog = {nullptr, 0};

// name, compared, model, native, widest, lowest, highest, interpolated, colour,
// offered, dialog, dialog default
// clang-format off
// What the source answers while the scanner's name matched no model
// (Model::Unknown): the first wide models' sizes and resolutions. It is kept out of
// the table of models so that no name can match it.
const ModelRow Unrecognised =
    {"",       0, Model::Unknown,   400, 15750, 50, 400, {600, 800}, true,  Steps(OtherOffered),     TemplateDialog,         300};

const ModelRow Models[] = {
    {"QD140",  5, Model::QD140,     300, 10500, 50, 300, {450, 600}, true,  Steps(OtherOffered),     Steps(WideDialog),      300},
    {"QD120",  5, Model::QD120,     400, 15750, 50, 400, {600, 800}, true,  Steps(QD120Offered),     TemplateDialog,         400},
    {"QD130",  5, Model::QD130,     300, 10500, 50, 300, {450, 600}, false, Steps(OtherOffered),     Steps(WideDialog),      300},
    {"QD110",  5, Model::QD110,     400, 15750, 50, 400, {600, 800}, false, Steps(QD120Offered),     TemplateDialog,         400},
    {"QD140+", 6, Model::QD140Plus, 400, 15750, 50, 300, {400, 600}, true,  Steps(QD140PlusOffered), Steps(WidePlusDialog),  300},
    {"QD150+", 6, Model::QD150Plus, 400, 15750, 50, 200, {300, 400}, true,  Steps(QD150PlusOffered), Steps(NarrowDialog),    300},
    {"QC1400", 5, Model::QC1400,    400, 21600, 50, 400, {600, 800}, true,  Steps(OtherOffered),     TemplateDialog,         300},
    {"QB1310", 5, Model::QB1310,    300, 14400, 50, 300, {450, 600}, true,  Steps(OtherOffered),     Steps(WideDialog),      300},
    {"QB1320", 5, Model::QB1320,    300, 12600, 50, 300, {450, 600}, true,  Steps(OtherOffered),     Steps(WideDialog),      300},
    {"QB1300", 5, Model::QB1300,    400, 16800, 50, 400, {600, 800}, true,  Steps(OtherOffered),     TemplateDialog,         300},
    {"QA1220", 5, Model::QA1220,    400, 14400, 50, 400, {600, 800}, true,  Steps(OtherOffered),     TemplateDialog,         300},
    {"QA1210", 5, Model::QA1210,    400, 14400, 50, 400, {600, 800}, true,  Steps(OtherOffered),     TemplateDialog,         300},
    {"QA1200", 5, Model::QA1200,    200,  7200, 50, 200, {300, 400}, true,  Steps(OtherOffered),     Steps(NarrowDialog),    300},
#ifdef DUNMERE_TEST_MODEL_ROW
    DUNMERE_TEST_MODEL_ROW,
#endif
};
// clang-format on

const ModelRow* FindRow(Model model) {
    if (model == Model::Unknown) return &Unrecognised;
    for (const ModelRow& row : Models)
        if (row.Code == model) return &row;
    return nullptr;
}

}  // namespace

static_assert(offsetof(DeviceInfoType, Model) == 16, "the model name starts at byte 16");

const ModelRow& ModelOf(Model model) {
    const ModelRow* row = FindRow(model);
    return row ? *row : Unrecognised;
}

// The longest name that matches wins, so that "QD140+" is not taken for "QD140".
// The Q-series wide models are told apart on their first five characters only.
Model ModelFromName(const char* name) {
    const ModelRow* found = nullptr;
    for (const ModelRow& row : Models) {
        if (std::strncmp(name, row.Name, row.NameCompared) != 0) continue;
        if (!found || row.NameCompared > found->NameCompared) found = &row;
    }
    return found ? found->Code : Model::Unknown;
}

Model ModelOfDevice(const DeviceInfoType& info) {
    // The name field is not terminated; copy it so the comparison cannot run past it.
    char name[sizeof info.Model + 1] = {};
    std::memcpy(name, info.Model, sizeof info.Model);
    return ModelFromName(name);
}

int32_t NativeResolution(Model model) {
    return ModelOf(model).NativeResolution;
}

bool IsSupportedResolution(Model model, int32_t dpi) {
    const ModelRow& row = ModelOf(model);
    if (dpi >= row.LowestResolution && dpi <= row.HighestResolution) return true;
    return dpi == row.InterpolatedResolutions[0] || dpi == row.InterpolatedResolutions[1];
}

bool IsInterpolatedResolution(Model model, int32_t dpi) {
    const ModelRow* row = FindRow(model);
    if (!row) return false;
    bool listed = dpi == row->InterpolatedResolutions[0] || dpi == row->InterpolatedResolutions[1];
    return listed && dpi > row->NativeResolution;
}

int32_t MaxScanWidth(Model model, int32_t dpi) {
    const ModelRow* row = FindRow(model);
    if (!row || !IsSupportedResolution(model, dpi)) return 0;
    if (dpi == row->NativeResolution) return row->WidestWindow;
    double width = static_cast<double>(dpi) / row->NativeResolution * row->WidestWindow;
    return static_cast<int32_t>(width);
}

bool IsMonochromeModel(Model model) {
    return !ModelOf(model).ScansColour;
}

double PhysicalWidthInches(Model model) {
    const int32_t native = NativeResolution(model);
    return static_cast<double>(MaxScanWidth(model, native)) / native;
}
