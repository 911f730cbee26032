// The scan-parameter record: built-in defaults and whole-record copies.
#include "settings/scan_settings.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(ScanSettingsTest, BuiltInDefaults) {
    const ScanSettings s;
    const int32_t window[19] = {400, 400, 0, 0,   800, 800, 10, 128, 5, 24,
                                131, 0,   0, 240, 120, 100, 0,  48,  0};
    EXPECT_EQ(0, std::memcmp(window, &s.XResolution, sizeof window));
    EXPECT_EQ("", s.Palette);
    EXPECT_EQ(0, s.AutoPalette);
    EXPECT_EQ(0, s.PaletteColours);
    EXPECT_EQ(0, s.CenterJustified);
    EXPECT_EQ(1, s.FractionalSpeed);
    EXPECT_EQ(255, s.WhitePoint.R);
    EXPECT_EQ(255, s.WhitePoint.G);
    EXPECT_EQ(255, s.WhitePoint.B);
    EXPECT_EQ(0, s.BlackPoint.R + s.BlackPoint.G + s.BlackPoint.B);
    EXPECT_FLOAT_EQ(1.0f, s.Gamma);
}

TEST(ScanSettingsTest, AssignmentCopiesEveryMemberAndBack) {
    ScanSettings original;
    int32_t* fields = &original.XResolution;
    for (int i = 0; i < 19; ++i)
        fields[i] = 1000 + i * 7;
    original.Palette = "Custom palette";
    original.AutoPalette = 1;
    original.PaletteColours = 77;
    original.CenterJustified = 1;
    original.FractionalSpeed = 6;
    original.WhitePoint = {250, 240, 230};
    original.BlackPoint = {3, 4, 5};
    original.Gamma = 1.7f;

    ScanSettings copy;
    copy = original;
    original = ScanSettings();
    original = copy;
    ScanSettings constructed(original);
    for (const ScanSettings* s : {&copy, &original, &constructed}) {
        EXPECT_EQ(0, std::memcmp(&copy.XResolution, &s->XResolution, 19 * sizeof(int32_t)));
        EXPECT_EQ("Custom palette", s->Palette);
        EXPECT_EQ(1, s->AutoPalette);
        EXPECT_EQ(77, s->PaletteColours);
        EXPECT_EQ(1, s->CenterJustified);
        EXPECT_EQ(6, s->FractionalSpeed);
        EXPECT_EQ(240, s->WhitePoint.G);
        EXPECT_EQ(5, s->BlackPoint.B);
        EXPECT_FLOAT_EQ(1.7f, s->Gamma);
    }
}
