// Model codes and the resolution table lookups.
#include "engine/models.h"

#include <cstddef>
#include <cstring>

#include "source/twain_source.h"

const ModelResolutionRow ModelResolutionTable[ModelResolutionRows] = {
    {0, 400, 15750, 50, 400, {600, 800}},   // no model matched
    {1, 300, 10500, 50, 300, {450, 600}},   // QD140
    {2, 400, 15750, 50, 400, {600, 800}},   // QD120
    {3, 300, 10500, 50, 300, {450, 600}},   // QD130
    {4, 400, 15750, 50, 400, {600, 800}},   // QD110
    {7, 400, 15750, 50, 300, {400, 600}},   // QD140+
    {8, 400, 15750, 50, 200, {300, 400}},   // QD150+
    {9, 400, 21600, 50, 400, {600, 800}},   // QC1400
    {10, 300, 14400, 50, 300, {450, 600}},  // QB1310
    {11, 300, 12600, 50, 300, {450, 600}},  // QB1320
    {12, 400, 16800, 50, 400, {600, 800}},  // QB1300
    {13, 400, 14400, 50, 400, {600, 800}},  // QA1220
    {15, 400, 14400, 50, 400, {600, 800}},  // QA1210
    {14, 200, 7200, 50, 200, {300, 400}},   // QA1200
};

static_assert(offsetof(DeviceInfoType, Model) == 16, "the model name starts at byte 16");

namespace {

struct ModelName {
    const char* Name;
    size_t Compared;
    int32_t Code;
};

// The six-character names come first so that "QD140+" is not taken for "QD140".
// The Q-series wide models are told apart on their first five characters only.
const ModelName ModelNames[] = {
    {"QD140+", 6, 7},  {"QD150+", 6, 8},  {"QD140", 5, 1},   {"QD130", 5, 3},   {"QD120", 5, 2},
    {"QD110", 5, 4},   {"QC1400", 5, 9},  {"QB1320", 5, 11}, {"QB1310", 5, 10}, {"QB1300", 5, 12},
    {"QA1220", 5, 13}, {"QA1210", 5, 15}, {"QA1200", 5, 14},
};

const ModelResolutionRow* FindRow(int32_t code) {
    for (const ModelResolutionRow& row : ModelResolutionTable)
        if (row.Code == code) return &row;
    return nullptr;
}

const ModelResolutionRow& RowOrFirst(int32_t code) {
    const ModelResolutionRow* row = FindRow(code);
    return row ? *row : ModelResolutionTable[0];
}

}  // namespace

int32_t ModelCodeFromName(const char* name) {
    for (const ModelName& model : ModelNames)
        if (std::strncmp(name, model.Name, model.Compared) == 0) return model.Code;
    return 0;
}

int32_t CTwainSource::ModelCode() const {
    // The name field is not terminated; copy it so the comparison cannot run past it.
    char name[sizeof DeviceInfo.Model + 1] = {};
    std::memcpy(name, DeviceInfo.Model, sizeof DeviceInfo.Model);
    return ModelCodeFromName(name);
}

int32_t NativeResolution(int32_t code) {
    return RowOrFirst(code).NativeResolution;
}

bool IsSupportedResolution(int32_t code, int32_t dpi) {
    const ModelResolutionRow& row = RowOrFirst(code);
    if (dpi >= row.LowestResolution && dpi <= row.HighestResolution) return true;
    return dpi == row.InterpolatedResolutions[0] || dpi == row.InterpolatedResolutions[1];
}

bool IsInterpolatedResolution(int32_t code, int32_t dpi) {
    const ModelResolutionRow* row = FindRow(code);
    if (!row) return false;
    bool listed = dpi == row->InterpolatedResolutions[0] || dpi == row->InterpolatedResolutions[1];
    return listed && dpi > row->NativeResolution;
}

int32_t MaxScanWidth(int32_t code, int32_t dpi) {
    const ModelResolutionRow* row = FindRow(code);
    if (!row || !IsSupportedResolution(code, dpi)) return 0;
    if (dpi == row->NativeResolution) return row->WidestWindow;
    double width = static_cast<double>(dpi) / row->NativeResolution * row->WidestWindow;
    return static_cast<int32_t>(width);
}

double PhysicalWidthInches(int32_t code) {
    const int32_t native = NativeResolution(code);
    return static_cast<double>(MaxScanWidth(code, native)) / native;
}
