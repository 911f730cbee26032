// Model codes from the device's model name, and the resolution table lookups.
#include <algorithm>
#include <cstring>
#include <string>

#include "engine/models.h"
#include "source/twain_source.h"
#include "tests/support/source_fixture.h"

namespace {

void WriteModelName(CTwainSource& source, const std::string& name) {
    std::memset(source.DeviceInfo.Model, ' ', sizeof source.DeviceInfo.Model);
    std::memcpy(source.DeviceInfo.Model, name.data(),
                std::min(name.size(), sizeof source.DeviceInfo.Model));
}

}  // namespace

using ModelTest = SourceTest;

TEST_F(ModelTest, ModelCodeComesFromTheNameAtByteSixteen) {
    const struct {
        const char* name;
        int32_t code;
    } cases[] = {
        {"QD140+", 7},  {"QD140+ rev 2", 7},
        {"QD150+", 8},  {"QD140", 1},
        {"QD1405", 1},  {"QD130", 3},
        {"QD120", 2},   {"QD110", 4},
        {"QC1400", 9},  {"QC140X", 9},
        {"QB1320", 11}, {"QB1310", 10},
        {"QB1300", 12}, {"QA1220", 13},
        {"QA1210", 15}, {"QA1200", 14},
        {"QD150", 0},   {"qd120", 0},
        {"QD12", 0},    {"", 0},
        {"XD120", 0},   {"QD140+XXXXXXXXXX", 7},  // fills the field, no terminator
    };
    for (const auto& c : cases) {
        WriteModelName(Source(), c.name);
        EXPECT_EQ(c.code, Source().ModelCode()) << "\"" << c.name << "\"";
    }
}

TEST_F(ModelTest, ModelCodeFollowsTheScannerOpenedAtLoad) {
    for (const auto& c : {std::make_pair("QC1400", 9), std::make_pair("QD140+", 7),
                          std::make_pair("QA1200", 14), std::make_pair("Flatbed", 0)}) {
        ScopedEnvironment model("TARNSCAN_MODEL", c.first);
        Reload();
        EXPECT_EQ(c.second, Source().ModelCode()) << c.first;
    }
}

// Each model's row as the product sheet gives it: native resolution, width in
// inches, continuous range and the two resolutions above the range.
struct ModelSheet {
    int32_t code;
    int32_t native;
    double inches;
    int32_t lowest, highest;
    int32_t interpolated[2];
};

const ModelSheet Sheets[] = {
    {0, 400, 39.375, 50, 400, {600, 800}}, {1, 300, 35, 50, 300, {450, 600}},
    {2, 400, 39.375, 50, 400, {600, 800}}, {3, 300, 35, 50, 300, {450, 600}},
    {4, 400, 39.375, 50, 400, {600, 800}}, {7, 400, 39.375, 50, 300, {400, 600}},
    {8, 400, 39.375, 50, 200, {300, 400}}, {9, 400, 54, 50, 400, {600, 800}},
    {10, 300, 48, 50, 300, {450, 600}},    {11, 300, 42, 50, 300, {450, 600}},
    {12, 400, 42, 50, 400, {600, 800}},    {13, 400, 36, 50, 400, {600, 800}},
    {15, 400, 36, 50, 400, {600, 800}},    {14, 200, 36, 50, 200, {300, 400}},
};

TEST(ModelTable, EveryRowMatchesItsProductSheet) {
    for (const ModelSheet& sheet : Sheets) {
        SCOPED_TRACE("code " + std::to_string(sheet.code));
        EXPECT_EQ(sheet.native, NativeResolution(sheet.code));
        EXPECT_EQ(static_cast<int32_t>(sheet.inches * sheet.native),
                  MaxScanWidth(sheet.code, sheet.native));
        EXPECT_FALSE(IsSupportedResolution(sheet.code, sheet.lowest - 1));
        EXPECT_TRUE(IsSupportedResolution(sheet.code, sheet.lowest));
        EXPECT_TRUE(IsSupportedResolution(sheet.code, sheet.highest));
        EXPECT_FALSE(IsSupportedResolution(sheet.code, sheet.highest + 1));
        for (int32_t dpi : sheet.interpolated) {
            EXPECT_TRUE(IsSupportedResolution(sheet.code, dpi)) << dpi;
            EXPECT_EQ(dpi > sheet.native, IsInterpolatedResolution(sheet.code, dpi)) << dpi;
        }
        EXPECT_FALSE(IsSupportedResolution(sheet.code, sheet.interpolated[1] + 50));
        EXPECT_FALSE(IsInterpolatedResolution(sheet.code, sheet.native));
        EXPECT_FALSE(IsInterpolatedResolution(sheet.code, sheet.lowest));
    }
}

TEST(ModelTable, Lookups) {
    EXPECT_TRUE(IsSupportedResolution(2, 254));
    EXPECT_FALSE(IsSupportedResolution(2, 500));
    EXPECT_TRUE(IsSupportedResolution(1, 450));
    EXPECT_FALSE(IsInterpolatedResolution(7, 400));
    EXPECT_TRUE(IsInterpolatedResolution(7, 600));
    EXPECT_FALSE(IsInterpolatedResolution(8, 400));
    EXPECT_EQ(14400, MaxScanWidth(14, 400));
    EXPECT_EQ(3600, MaxScanWidth(14, 100));
    EXPECT_EQ(21600, MaxScanWidth(13, 600));
    // Away from the native resolution the width scales and is truncated.
    EXPECT_EQ(9843, MaxScanWidth(2, 250));   // 250 / 400 x 15750 = 9843.75
    EXPECT_EQ(1968, MaxScanWidth(2, 50));    // 1968.75
    EXPECT_EQ(15750, MaxScanWidth(1, 450));  // interpolated: 450 / 300 x 10500
    EXPECT_EQ(0, MaxScanWidth(2, 500));      // not supported
    EXPECT_EQ(0, MaxScanWidth(8, 250));
}

TEST(ModelTable, CodeWithoutARowAnswersAsTheFirstRowOrNotAtAll) {
    for (int32_t code : {5, 6, 16, -1, 1000}) {
        EXPECT_EQ(400, NativeResolution(code)) << code;
        EXPECT_TRUE(IsSupportedResolution(code, 400)) << code;
        EXPECT_TRUE(IsSupportedResolution(code, 800)) << code;
        EXPECT_FALSE(IsSupportedResolution(code, 450)) << code;
        EXPECT_FALSE(IsInterpolatedResolution(code, 600)) << code;
        EXPECT_EQ(0, MaxScanWidth(code, 300)) << code;
        EXPECT_EQ(0, MaxScanWidth(code, 400)) << code;
    }
}
