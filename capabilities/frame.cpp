#include "capabilities/frame.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "twain/fix32.h"

namespace {

TW_FIX32 Inches(int32_t pixels, int32_t resolution) {
    return FloatToFix32(resolution == 0 ? 0.0 : static_cast<double>(pixels) / resolution);
}

// `inches` at `resolution`, rounded to whole pixels; false when the pixel count
// has no 32-bit value.
bool Pixels(double inches, int32_t resolution, int32_t& pixels) {
    const double value = std::floor(inches * resolution + 0.5);
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        return false;
    pixels = static_cast<int32_t>(value);
    return true;
}

// (far - near) inches at `resolution`, fractions included, in whole pixels.
bool FramePixels(TW_FIX32 nearEdge, TW_FIX32 farEdge, int32_t resolution, int32_t& pixels) {
    return Pixels(Fix32ToDouble(farEdge) - Fix32ToDouble(nearEdge), resolution, pixels);
}

bool SameFrame(const TW_FRAME& a, const TW_FRAME& b) {
    return Fix32ToDouble(a.Left) == Fix32ToDouble(b.Left) &&
           Fix32ToDouble(a.Top) == Fix32ToDouble(b.Top) &&
           Fix32ToDouble(a.Right) == Fix32ToDouble(b.Right) &&
           Fix32ToDouble(a.Bottom) == Fix32ToDouble(b.Bottom);
}

// Whether the frame lies on the scanner's physical area.
bool OnPhysicalArea(const TW_FRAME& frame, Model model) {
    return Fix32ToDouble(frame.Left) >= 0.0 && Fix32ToDouble(frame.Top) >= 0.0 &&
           Fix32ToDouble(frame.Right) <= PhysicalWidthInches(model) &&
           Fix32ToDouble(frame.Bottom) <= PhysicalLengthInches;
}

// The X offset in pixels from the area's left edge of a window `width` pixels wide
// centred on the feed.
int32_t CentredOffset(Model model, int32_t xResolution, int32_t width) {
    int32_t offset = 0;
    Pixels((PhysicalWidthInches(model) - static_cast<double>(width) / xResolution) / 2, xResolution,
           offset);
    return offset;
}

struct Window {
    int32_t XResolution, YResolution, XOffset, YOffset, Width, Length;
};

// The window in inches: its size, at its place or at (0, 0).
TW_FRAME FrameOf(const Window& window, Model model, bool placed) {
    int32_t left = 0, top = 0;
    if (placed) {
        left = window.XOffset != 0 ? window.XOffset
                                   : CentredOffset(model, window.XResolution, window.Width);
        top = window.YOffset;
    }
    TW_FRAME frame;
    frame.Left = Inches(left, window.XResolution);
    frame.Top = Inches(top, window.YResolution);
    frame.Right = Inches(left + window.Width, window.XResolution);
    frame.Bottom = Inches(top + window.Length, window.YResolution);
    return frame;
}

}  // namespace

TW_FRAME CurrentFrame(const ScanSettings& asked, Model model, bool twain2) {
    return FrameOf({asked.XResolution, asked.YResolution, asked.XOffset, asked.YOffset,
                    asked.ScanWidth, asked.ScanLength},
                   model, twain2);
}

TW_FRAME PlannedFrame(const ScanPlan& plan, int32_t length, bool twain2) {
    return FrameOf({plan.XResolution, plan.YResolution, plan.XOffset, plan.YOffset, plan.Width,
                    length < 0 ? plan.Length : length},
                   plan.Scanner, twain2);
}

TW_FRAME DefaultFrame(Model model, int32_t xResolution) {
    const ScanSettings builtIn;
    return CentredFrame(model, xResolution,
                        static_cast<double>(builtIn.ScanWidth) / builtIn.XResolution,
                        static_cast<double>(builtIn.ScanLength) / builtIn.YResolution);
}

TW_FRAME CentredFrame(Model model, int32_t xResolution, double width, double length) {
    int32_t pixels = 0;
    Pixels(width, xResolution, pixels);
    const int32_t left = CentredOffset(model, xResolution, pixels);
    return {Inches(left, xResolution), FloatToFix32(0.0), Inches(left + pixels, xResolution),
            FloatToFix32(length)};
}

TW_UINT16 ApplyFrame(ScanSettings& asked, Model model, bool twain2, TW_FRAME& frame,
                     TW_UINT16& condition) {
    int32_t width = 0, length = 0;
    int32_t xOffset = asked.XOffset, yOffset = asked.YOffset;
    const bool placed = !twain2 || (Pixels(Fix32ToDouble(frame.Left), asked.XResolution, xOffset) &&
                                    Pixels(Fix32ToDouble(frame.Top), asked.YResolution, yOffset));
    if (!OnPhysicalArea(frame, model) ||
        !FramePixels(frame.Left, frame.Right, asked.XResolution, width) ||
        !FramePixels(frame.Top, frame.Bottom, asked.YResolution, length) || width < 1 ||
        length < 1 || !placed) {
        condition = TWCC_BADVALUE;
        return TWRC_FAILURE;
    }
    if (twain2) {
        const int32_t centred = CentredOffset(model, asked.XResolution, width);
        xOffset = xOffset == centred ? 0 : std::max(xOffset, 1);
    }
    asked.ScanWidth = width;
    asked.ScanLength = length;
    asked.XOffset = xOffset;
    asked.YOffset = yOffset;
    const TW_FRAME requested = frame;
    frame = CurrentFrame(asked, model, twain2);
    // Told when the frame had to be moved to whole pixels.
    if (twain2 && !SameFrame(requested, frame)) return TWRC_CHECKSTATUS;
    return TWRC_SUCCESS;
}

void ChangeResolutionKeepingFrame(ScanSettings& asked, Model model, bool across, int32_t dpi) {
    int32_t& resolution = across ? asked.XResolution : asked.YResolution;
    int32_t& offset = across ? asked.XOffset : asked.YOffset;
    int32_t& extent = across ? asked.ScanWidth : asked.ScanLength;
    int32_t newOffset, newExtent;
    if (resolution > 0 && dpi > 0 &&
        Pixels(static_cast<double>(offset) / resolution, dpi, newOffset) &&
        Pixels(static_cast<double>(extent) / resolution, dpi, newExtent)) {
        const int32_t widest = across ? MaxScanWidth(model, dpi) : 0;
        if (widest > 0 && newExtent > widest - newOffset) newExtent = widest - newOffset;
        // A window placed from the left edge stays placed, however near it.
        offset = offset != 0 && newOffset < 1 ? 1 : newOffset;
        extent = std::max(newExtent, 1);
    }
    resolution = dpi;
}
