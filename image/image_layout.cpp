// DAT_IMAGELAYOUT: the frame in inches, taken from and turned into the window's
// width and length in pixels.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "engine/models.h"
#include "image/image_frame.h"
#include "image/image_triplets.h"
#include "source/twain_source.h"
#include "twain/fix32.h"

namespace {

TW_FIX32 Inches(int32_t pixels, int32_t resolution) {
    return FloatToFix32(resolution == 0 ? 0.0 : static_cast<double>(pixels) / resolution);
}

void WriteNumbers(TW_IMAGELAYOUT& layout) {
    layout.DocumentNumber = 1;
    layout.PageNumber = 1;
    layout.FrameNumber = 1;
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

// The window in inches: its size, at its place or at (0, 0).
TW_FRAME FrameOf(const WindowDescriptorType& window, bool placed) {
    const int32_t left = placed ? window.XOffset : 0, top = placed ? window.YOffset : 0;
    TW_FRAME frame;
    frame.Left = Inches(left, window.XResolution);
    frame.Top = Inches(top, window.YResolution);
    frame.Right = Inches(left + window.ScanWidth, window.XResolution);
    frame.Bottom = Inches(top + window.ScanLength, window.YResolution);
    return frame;
}

}  // namespace

// A 1.x application is told the size alone, at (0, 0); a TWAIN 2 application also
// where it lies (a window at X offset 0 is centred on the paper and reported at
// the left edge).
TW_FRAME CurrentFrame(const CTwainSource& source) {
    return FrameOf(source.Settings, source.ServesTwain2());
}

TW_FRAME DefaultFrame() {
    return FrameOf(ScanSettings(), true);
}

// A frame that is refused changes nothing: the window keeps the size it had.
TW_UINT16 ApplyFrame(CTwainSource& source, TW_FRAME& frame) {
    ScanSettings& settings = source.Settings;
    int32_t width = 0, length = 0;
    if (!OnPhysicalArea(frame, source.ModelCode()) ||
        !FramePixels(frame.Left, frame.Right, settings.XResolution, width) ||
        !FramePixels(frame.Top, frame.Bottom, settings.YResolution, length) || width < 1 ||
        length < 1) {
        return source.Fail(TWCC_BADVALUE);
    }
    // A TWAIN 2 application's Left and Top place the window; Left 0 keeps the
    // scanner's centred feed.
    int32_t xOffset = settings.XOffset, yOffset = settings.YOffset;
    if (source.ServesTwain2() &&
        (!Pixels(Fix32ToDouble(frame.Left), settings.XResolution, xOffset) ||
         !Pixels(Fix32ToDouble(frame.Top), settings.YResolution, yOffset)))
        return source.Fail(TWCC_BADVALUE);
    settings.ScanWidth = width;
    settings.ScanLength = length;
    settings.XOffset = xOffset;
    settings.YOffset = yOffset;
    const TW_FRAME requested = frame;
    frame = CurrentFrame(source);
    // Told when the frame had to be moved to whole pixels.
    if (source.ServesTwain2() && !SameFrame(requested, frame)) return TWRC_CHECKSTATUS;
    return TWRC_SUCCESS;
}

void ChangeResolutionKeepingFrame(CTwainSource& source, bool across, int32_t dpi) {
    ScanSettings& settings = source.Settings;
    int32_t& resolution = across ? settings.XResolution : settings.YResolution;
    int32_t& offset = across ? settings.XOffset : settings.YOffset;
    int32_t& extent = across ? settings.ScanWidth : settings.ScanLength;
    int32_t newOffset, newExtent;
    if (resolution > 0 && dpi > 0 &&
        Pixels(static_cast<double>(offset) / resolution, dpi, newOffset) &&
        Pixels(static_cast<double>(extent) / resolution, dpi, newExtent)) {
        const int32_t widest = across ? MaxScanWidth(source.ModelCode(), dpi) : 0;
        if (widest > 0 && newExtent > widest - newOffset) newExtent = widest - newOffset;
        offset = newOffset;
        extent = std::max(newExtent, 1);
    }
    resolution = dpi;
}

TW_UINT16 HandleImageLayout(CTwainSource& source, TW_UINT16 msg, pTW_IMAGELAYOUT layout) {
    switch (msg) {
    case MSG_GET:
    case MSG_GETDEFAULT:
        if (source.Session.State() == StateTransferring) return source.Fail(TWCC_SEQERROR);
        if (!layout) return source.Fail(TWCC_BADVALUE);
        if (msg == MSG_GET) {
            layout->Frame = CurrentFrame(source);
        } else {
            // A TWAIN 2 application is told the frame a reset returns to.
            layout->Frame = source.ServesTwain2() ? DefaultFrame() : TW_FRAME();
        }
        WriteNumbers(*layout);
        return TWRC_SUCCESS;
    case MSG_SET:
        if (source.Session.State() != StateOpen) return source.Fail(TWCC_SEQERROR);
        if (!layout) return source.Fail(TWCC_BADVALUE);
        return ApplyFrame(source, layout->Frame);
    case MSG_RESET: {
        if (source.Session.State() != StateOpen) return source.Fail(TWCC_SEQERROR);
        // A 1.x application's reset clears the whole window, as it always did; a
        // TWAIN 2 application's resets the frame alone.
        if (!source.ServesTwain2()) {
            source.Settings.Window() = WindowDescriptorType();
            return TWRC_SUCCESS;
        }
        TW_FRAME frame = DefaultFrame();
        const TW_UINT16 result = ApplyFrame(source, frame);
        return result == TWRC_CHECKSTATUS ? TWRC_SUCCESS : result;
    }
    default:
        return source.Fail(TWCC_BADPROTOCOL);
    }
}
