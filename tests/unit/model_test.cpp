// Model codes from the device's model name, and the resolution table lookups.
#include <string>

#include "engine/models.h"
#include "source/twain_source.h"
#include "tests/support/source_fixture.h"

using ModelTest = SourceTest;

// The simulated scanner reports the name it is given, padded with spaces or cut to
// the sixteen bytes of the field, as the device does.
TEST_F(ModelTest, ModelCodeComesFromTheNameAtByteSixteen) {
    const struct {
        const char* name;
        Model model;
    } cases[] = {
        {"QD140+", Model::QD140Plus},
        {"QD140+ rev 2", Model::QD140Plus},
        {"QD150+", Model::QD150Plus},
        {"QD140", Model::QD140},
        {"QD1405", Model::QD140},
        {"QD130", Model::QD130},
        {"QD120", Model::QD120},
        {"QD110", Model::QD110},
        {"QC1400", Model::QC1400},
        {"QC140X", Model::QC1400},
        {"QB1320", Model::QB1320},
        {"QB1310", Model::QB1310},
        {"QB1300", Model::QB1300},
        {"QA1220", Model::QA1220},
        {"QA1210", Model::QA1210},
        {"QA1200", Model::QA1200},
        {"QD150", Model::Unknown},
        {"qd120", Model::Unknown},
        {"QD12", Model::Unknown},
        {" ", Model::Unknown},  // a blank field
        {"Flatbed", Model::Unknown},
        {"XD120", Model::Unknown},
        {"QD140+XXXXXXXXXX", Model::QD140Plus},  // fills the field, no terminator
    };
    for (const auto& c : cases) {
        ScopedEnvironment scanner("TARNSCAN_MODEL", c.name);
        Reload();
        EXPECT_EQ(c.model, Source().ModelCode()) << "\"" << c.name << "\"";
    }
}

// Each model's row as the product sheet gives it: native resolution, width in
// inches, continuous range and the two resolutions above the range.
struct ModelSheet {
    Model model;
    int32_t native;
    double inches;
    int32_t lowest, highest;
    int32_t interpolated[2];
};

const ModelSheet Sheets[] = {
    {Model::Unknown, 400, 39.375, 50, 400, {600, 800}},
    {Model::QD140, 300, 35, 50, 300, {450, 600}},
    {Model::QD120, 400, 39.375, 50, 400, {600, 800}},
    {Model::QD130, 300, 35, 50, 300, {450, 600}},
    {Model::QD110, 400, 39.375, 50, 400, {600, 800}},
    {Model::QD140Plus, 400, 39.375, 50, 300, {400, 600}},
    {Model::QD150Plus, 400, 39.375, 50, 200, {300, 400}},
    {Model::QC1400, 400, 54, 50, 400, {600, 800}},
    {Model::QB1310, 300, 48, 50, 300, {450, 600}},
    {Model::QB1320, 300, 42, 50, 300, {450, 600}},
    {Model::QB1300, 400, 42, 50, 400, {600, 800}},
    {Model::QA1220, 400, 36, 50, 400, {600, 800}},
    {Model::QA1210, 400, 36, 50, 400, {600, 800}},
    {Model::QA1200, 200, 36, 50, 200, {300, 400}},
};

TEST(ModelTable, EveryRowMatchesItsProductSheet) {
    for (const ModelSheet& sheet : Sheets) {
        SCOPED_TRACE("model " + std::to_string(static_cast<int32_t>(sheet.model)));
        EXPECT_EQ(sheet.native, NativeResolution(sheet.model));
        EXPECT_EQ(static_cast<int32_t>(sheet.inches * sheet.native),
                  MaxScanWidth(sheet.model, sheet.native));
        EXPECT_FALSE(IsSupportedResolution(sheet.model, sheet.lowest - 1));
        EXPECT_TRUE(IsSupportedResolution(sheet.model, sheet.lowest));
        EXPECT_TRUE(IsSupportedResolution(sheet.model, sheet.highest));
        EXPECT_FALSE(IsSupportedResolution(sheet.model, sheet.highest + 1));
        for (int32_t dpi : sheet.interpolated) {
            EXPECT_TRUE(IsSupportedResolution(sheet.model, dpi)) << dpi;
            EXPECT_EQ(dpi > sheet.native, IsInterpolatedResolution(sheet.model, dpi)) << dpi;
        }
        EXPECT_FALSE(IsSupportedResolution(sheet.model, sheet.interpolated[1] + 50));
        EXPECT_FALSE(IsInterpolatedResolution(sheet.model, sheet.native));
        EXPECT_FALSE(IsInterpolatedResolution(sheet.model, sheet.lowest));
    }
}

TEST(ModelTable, Lookups) {
    EXPECT_TRUE(IsSupportedResolution(Model::QD120, 254));
    EXPECT_FALSE(IsSupportedResolution(Model::QD120, 500));
    EXPECT_TRUE(IsSupportedResolution(Model::QD140, 450));
    EXPECT_FALSE(IsInterpolatedResolution(Model::QD140Plus, 400));
    EXPECT_TRUE(IsInterpolatedResolution(Model::QD140Plus, 600));
    EXPECT_FALSE(IsInterpolatedResolution(Model::QD150Plus, 400));
    EXPECT_EQ(14400, MaxScanWidth(Model::QA1200, 400));
    EXPECT_EQ(3600, MaxScanWidth(Model::QA1200, 100));
    EXPECT_EQ(21600, MaxScanWidth(Model::QA1220, 600));
    // Away from the native resolution the width scales and is truncated.
    EXPECT_EQ(9843, MaxScanWidth(Model::QD120, 250));   // 250 / 400 x 15750 = 9843.75
    EXPECT_EQ(1968, MaxScanWidth(Model::QD120, 50));    // 1968.75
    EXPECT_EQ(15750, MaxScanWidth(Model::QD140, 450));  // interpolated: 450 / 300 x 10500
    EXPECT_EQ(0, MaxScanWidth(Model::QD120, 500));      // not supported
    EXPECT_EQ(0, MaxScanWidth(Model::QD150Plus, 250));
}

TEST(ModelTable, CodeWithoutARowAnswersAsTheFirstRowOrNotAtAll) {
    for (int32_t number : {5, 6, 16, -1, 1000}) {
        const Model code{number};
        EXPECT_EQ(400, NativeResolution(code)) << number;
        EXPECT_TRUE(IsSupportedResolution(code, 400)) << number;
        EXPECT_TRUE(IsSupportedResolution(code, 800)) << number;
        EXPECT_FALSE(IsSupportedResolution(code, 450)) << number;
        EXPECT_FALSE(IsInterpolatedResolution(code, 600)) << number;
        EXPECT_EQ(0, MaxScanWidth(code, 300)) << number;
        EXPECT_EQ(0, MaxScanWidth(code, 400)) << number;
    }
}
