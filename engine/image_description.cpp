#include "engine/image_description.h"

namespace {

constexpr TW_UINT16 PaletteTypeRgb = 0;   // TWPA_RGB
constexpr TW_UINT16 PaletteTypeGray = 1;  // TWPA_GRAY

TW_FIX32 WholeFix32(int32_t value) {
    TW_FIX32 fix;
    fix.Whole = static_cast<TW_INT16>(value);
    fix.Frac = 0;
    return fix;
}

}  // namespace

void DescribeImage(const ScanPlan& plan, int32_t length, TW_IMAGEINFO& info) {
    info.XResolution = WholeFix32(plan.XResolution);
    info.YResolution = WholeFix32(plan.YResolution);
    info.ImageWidth = plan.Width;
    info.ImageLength = length;
    info.Planar = FALSE;
    info.Compression = TWCP_NONE;
    info.PixelType = plan.PixelType;
    info.SamplesPerPixel = 1;
    info.BitsPerSample[0] = static_cast<TW_INT16>(plan.BitsPerPixel);
    info.BitsPerPixel = static_cast<TW_INT16>(plan.BitsPerPixel);
    if (plan.PixelType == TWPT_RGB) {
        info.SamplesPerPixel = 3;
        for (int sample = 0; sample < 3; ++sample)
            info.BitsPerSample[sample] = 8;
        info.BitsPerPixel = 24;
    }
}

void DescribePalette(const ScanPlan& plan, TW_PALETTE8& palette) {
    palette = TW_PALETTE8();
    palette.NumColors = static_cast<TW_UINT16>(plan.ColourCount);
    palette.PaletteType =
        plan.ImageComposition == Composition::Greyscale ? PaletteTypeGray : PaletteTypeRgb;
    for (TW_UINT16 i = 0; i < palette.NumColors; ++i) {
        palette.Colors[i].Index = static_cast<TW_UINT8>(i);
        palette.Colors[i].Channel1 = plan.Colours[i].rgbRed;
        palette.Colors[i].Channel2 = plan.Colours[i].rgbGreen;
        palette.Colors[i].Channel3 = plan.Colours[i].rgbBlue;
    }
}
