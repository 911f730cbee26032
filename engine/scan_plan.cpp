// Planning a scan. The interpolated-colour window: RGB asked for at one of the
// model's interpolated resolutions is scanned at the native horizontal resolution
// and widened by the device library, by 3/2 or by 2, so the window the device is
// given differs from the one asked for.
#include "engine/scan_plan.h"

#include <limits>

#include "engine/dib_builder.h"
#include "engine/pixel_types.h"

namespace {

// value x numerator / denominator, truncating toward zero, without 32-bit overflow.
int32_t Scale(int32_t value, int64_t numerator, int64_t denominator) {
    return static_cast<int32_t>(static_cast<int64_t>(value) * numerator / denominator);
}

// The widening is taken from XResolution over the native resolution: below 1.9 it
// is 3/2, from 1.9 on it is 2. (The interpolation itself is decided by YResolution.)
bool WidensByThreeHalves(const ScanSettings& asked, Model model) {
    const float ratio = static_cast<float>(asked.XResolution * 10.0 / NativeResolution(model));
    return ratio < 19.0f;
}

// An interpolated scan's width raised to a multiple of the widening's denominator
// (3 or 2), so that every widened line is exactly that long.
int32_t AlignedWidth(int32_t width, int64_t divisor) {
    int64_t aligned = width;
    const int64_t remainder = aligned % divisor;
    if (remainder > 0) aligned += divisor - remainder;
    if (remainder < 0) aligned -= remainder;
    return aligned <= std::numeric_limits<int32_t>::max() ? static_cast<int32_t>(aligned) : width;
}

WindowDescriptorType WindowAsked(const ScanSettings& s) {
    return {
        s.XResolution,   s.YResolution,     s.XOffset,     s.YOffset,          s.ScanWidth,
        s.ScanLength,    s.Brightness,      s.Threshold,   s.ImageComposition, s.BitsPerPixel,
        s.Flage,         s.CompressionType, s.Filter,      s.WhiteValue,       s.InitialThreshold,
        s.ScalingFactor, s.Direction,       s.Termination, s.ScaleMode};
}

TW_UINT16 RefusalOf(const ScanSettings& asked, Model model) {
    if (asked.BitsPerPixel == 24 && IsMonochromeModel(model)) return TWCC_BADVALUE;
    if (model == Model::Unknown) return TWCC_NODS;
    return TWCC_SUCCESS;
}

void PlanDevice(const ScanSettings& asked, Model model, ScanPlan& plan) {
    plan.DeviceWindow = WindowAsked(asked);
    plan.DeviceWindow.ScanWidth = plan.Width;
    plan.NativeResolution = NativeResolution(model);
    plan.Interpolated =
        asked.BitsPerPixel == 24 && IsInterpolatedResolution(model, asked.YResolution);
    const bool threeHalves = WidensByThreeHalves(asked, model);
    plan.WidenedResolution =
        threeHalves ? plan.NativeResolution * 3 / 2 : plan.NativeResolution * 2;
    if (!plan.Interpolated) return;
    WindowDescriptorType& device = plan.DeviceWindow;
    device.XResolution = plan.NativeResolution;
    if (threeHalves) {
        device.XOffset = Scale(asked.XOffset, 2, 3);
        device.ScanWidth = Scale(plan.Width, 2, 3);
    } else {
        device.XOffset = asked.XOffset / 2;
        device.ScanWidth = plan.Width / 2;
    }
    // A window placed a pixel from the left edge stays placed: 0 would centre it.
    if (asked.XOffset > 0 && device.XOffset == 0) device.XOffset = 1;
}

void PlanColours(ScanPlan& plan) {
    const int32_t bits = plan.BitsPerPixel;
    const Composition composition = plan.ImageComposition;
    plan.ColourCount = ColourTableEntries(bits);
    WriteColourTable(plan.Colours, bits, composition);
    plan.TranslatesColours = bits == 4 || (bits == 8 && composition != Composition::Greyscale);
    plan.HasPalette = composition == Composition::PaletteColour
                          ? bits == 4 || bits == 8
                          : composition == Composition::Greyscale && bits == 8;
}

}  // namespace

ScanPlan PlanScan(const Negotiated& negotiated, Model model) {
    const ScanSettings& asked = negotiated.Scan;
    ScanPlan plan = {};
    plan.AutomaticLength = negotiated.AutomaticLength;
    plan.LengthUndefined = negotiated.AutomaticLength && negotiated.UndefinedImageSize &&
                           negotiated.TransferMechanism == TWSX_MEMORY;
    plan.Scanner = model;
    plan.Refusal = RefusalOf(asked, model);
    plan.XResolution = asked.XResolution;
    plan.YResolution = asked.YResolution;
    plan.XOffset = asked.XOffset;
    plan.YOffset = asked.YOffset;
    plan.Length = asked.ScanLength;
    plan.BitsPerPixel = asked.BitsPerPixel;
    plan.ImageComposition = CompositionOf(asked);
    plan.PixelType = PixelTypeOfComposition(plan.ImageComposition);
    const bool interpolated =
        asked.BitsPerPixel == 24 && IsInterpolatedResolution(model, asked.YResolution);
    plan.Width = interpolated
                     ? AlignedWidth(asked.ScanWidth, WidensByThreeHalves(asked, model) ? 3 : 2)
                     : asked.ScanWidth;
    PlanDevice(asked, model, plan);
    plan.FractionalSpeed = asked.FractionalSpeed;
    plan.LoadsToneTables = !IsMonochromeModel(model);
    plan.WhitePoint = asked.WhitePoint;
    plan.BlackPoint = asked.BlackPoint;
    plan.Gamma = asked.Gamma;
    plan.Memory = MeasureMemoryImage(plan.BitsPerPixel, plan.Width, plan.Length);
    plan.Native = MeasureNativeImage(plan.BitsPerPixel, plan.Width, plan.Length);
    PlanColours(plan);
    return plan;
}
