// DAT_IMAGELAYOUT: the frame in inches, taken from and turned into the window's
// width and length in pixels.
#include <cstdint>
#include <limits>

#include "capabilities/fix32.h"
#include "engine/image_triplets.h"
#include "engine/models.h"
#include "source/twain_source.h"

namespace {

TW_FIX32 Inches(int32_t pixels, int32_t resolution) {
    return FloatToFix32(resolution == 0 ? 0.0 : static_cast<double>(pixels) / resolution);
}

void WriteFrame(const ScanSettings& settings, TW_IMAGELAYOUT& layout) {
    layout.Frame.Left = FloatToFix32(0.0);
    layout.Frame.Top = FloatToFix32(0.0);
    layout.Frame.Right = Inches(settings.ScanWidth, settings.XResolution);
    layout.Frame.Bottom = Inches(settings.ScanLength, settings.YResolution);
}

void WriteNumbers(TW_IMAGELAYOUT& layout) {
    layout.DocumentNumber = 1;
    layout.PageNumber = 1;
    layout.FrameNumber = 1;
}

// (far - near) inches at `resolution`, from the whole parts alone; false when the
// pixel count has no 32-bit value.
bool FramePixels(TW_FIX32 nearEdge, TW_FIX32 farEdge, int32_t resolution, int32_t& pixels) {
    const int64_t value = (static_cast<int64_t>(farEdge.Whole) - nearEdge.Whole) * resolution;
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        return false;
    pixels = static_cast<int32_t>(value);
    return true;
}

double Real(TW_FIX32 value) {
    return value.Whole + value.Frac / 65536.0;
}

// Whether the frame lies on the scanner's physical area.
bool OnPhysicalArea(const TW_FRAME& frame, int32_t modelCode) {
    return Real(frame.Left) >= 0.0 && Real(frame.Top) >= 0.0 &&
           Real(frame.Right) <= PhysicalWidthInches(modelCode) &&
           Real(frame.Bottom) <= PhysicalLengthInches;
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
    settings.ScanWidth = width;
    settings.ScanLength = length;
    WriteFrame(settings, layout);
    return TWRC_SUCCESS;
}

}  // namespace

TW_UINT16 HandleImageLayout(CTwainSource& source, TW_UINT16 msg, pTW_IMAGELAYOUT layout) {
    switch (msg) {
    case MSG_GET:
    case MSG_GETDEFAULT:
        if (source.State == StateTransferring) return source.Fail(TWCC_SEQERROR);
        if (!layout) return source.Fail(TWCC_BADVALUE);
        if (msg == MSG_GET) {
            WriteFrame(source.Settings, *layout);
        } else {
            layout->Frame = TW_FRAME();
        }
        WriteNumbers(*layout);
        return TWRC_SUCCESS;
    case MSG_SET:
        if (source.State != StateOpen) return source.Fail(TWCC_SEQERROR);
        if (!layout) return source.Fail(TWCC_BADVALUE);
        return SetFrame(source, *layout);
    case MSG_RESET:
        if (source.State != StateOpen) return source.Fail(TWCC_SEQERROR);
        source.Settings.Window() = WindowDescriptorType();
        return TWRC_SUCCESS;
    default:
        return source.Fail(TWCC_BADPROTOCOL);
    }
}
