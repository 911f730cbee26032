// DAT_IMAGELAYOUT: the frame in inches, taken from and turned into the window's
// width and length in pixels.
#include <cmath>
#include <cstdint>
#include <limits>

#include "engine/image_triplets.h"
#include "engine/models.h"
#include "source/twain_source.h"
#include "twain/fix32.h"

namespace {

TW_FIX32 Inches(int32_t pixels, int32_t resolution) {
    return FloatToFix32(resolution == 0 ? 0.0 : static_cast<double>(pixels) / resolution);
}

// The frame that will be scanned. A 1.x application is told the size alone, at
// (0, 0); a TWAIN 2 application also where it lies (a window at X offset 0 is
// centred on the paper and reported at the left edge).
void WriteFrame(const CTwainSource& source, TW_IMAGELAYOUT& layout) {
    const ScanSettings& settings = source.Settings;
    if (!source.ServesTwain2()) {
        layout.Frame.Left = FloatToFix32(0.0);
        layout.Frame.Top = FloatToFix32(0.0);
        layout.Frame.Right = Inches(settings.ScanWidth, settings.XResolution);
        layout.Frame.Bottom = Inches(settings.ScanLength, settings.YResolution);
        return;
    }
    layout.Frame.Left = Inches(settings.XOffset, settings.XResolution);
    layout.Frame.Top = Inches(settings.YOffset, settings.YResolution);
    layout.Frame.Right = Inches(settings.XOffset + settings.ScanWidth, settings.XResolution);
    layout.Frame.Bottom = Inches(settings.YOffset + settings.ScanLength, settings.YResolution);
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

// A frame that is refused changes nothing: the window keeps the size it had.
TW_UINT16 SetFrame(CTwainSource& source, TW_IMAGELAYOUT& layout) {
    ScanSettings& settings = source.Settings;
    int32_t width = 0, length = 0;
    if (!OnPhysicalArea(layout.Frame, source.ModelCode()) ||
        !FramePixels(layout.Frame.Left, layout.Frame.Right, settings.XResolution, width) ||
        !FramePixels(layout.Frame.Top, layout.Frame.Bottom, settings.YResolution, length) ||
        width < 1 || length < 1) {
        return source.Fail(TWCC_BADVALUE);
    }
    // A TWAIN 2 application's Left and Top place the window; Left 0 keeps the
    // scanner's centred feed.
    int32_t xOffset = settings.XOffset, yOffset = settings.YOffset;
    if (source.ServesTwain2() &&
        (!Pixels(Fix32ToDouble(layout.Frame.Left), settings.XResolution, xOffset) ||
         !Pixels(Fix32ToDouble(layout.Frame.Top), settings.YResolution, yOffset)))
        return source.Fail(TWCC_BADVALUE);
    settings.ScanWidth = width;
    settings.ScanLength = length;
    settings.XOffset = xOffset;
    settings.YOffset = yOffset;
    const TW_FRAME requested = layout.Frame;
    WriteFrame(source, layout);
    // Told when the frame had to be moved to whole pixels.
    if (source.ServesTwain2() && !SameFrame(requested, layout.Frame)) return TWRC_CHECKSTATUS;
    return TWRC_SUCCESS;
}

}  // namespace

TW_UINT16 HandleImageLayout(CTwainSource& source, TW_UINT16 msg, pTW_IMAGELAYOUT layout) {
    switch (msg) {
    case MSG_GET:
    case MSG_GETDEFAULT:
        if (source.Session.State == StateTransferring) return source.Fail(TWCC_SEQERROR);
        if (!layout) return source.Fail(TWCC_BADVALUE);
        if (msg == MSG_GET) {
            WriteFrame(source, *layout);
        } else {
            layout->Frame = TW_FRAME();
        }
        WriteNumbers(*layout);
        return TWRC_SUCCESS;
    case MSG_SET:
        if (source.Session.State != StateOpen) return source.Fail(TWCC_SEQERROR);
        if (!layout) return source.Fail(TWCC_BADVALUE);
        return SetFrame(source, *layout);
    case MSG_RESET:
        if (source.Session.State != StateOpen) return source.Fail(TWCC_SEQERROR);
        source.Settings.Window() = WindowDescriptorType();
        return TWRC_SUCCESS;
    default:
        return source.Fail(TWCC_BADPROTOCOL);
    }
}
