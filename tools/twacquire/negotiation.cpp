#include "tools/twacquire/negotiation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "tools/twacquire/failure.h"
#include "tools/twain_capability.h"
#include "tools/twain_client.h"
#include "tools/twain_text.h"
#include "twain/fix32.h"

namespace {

bool Set(CTwainClient& client, TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 raw,
         const std::string& shown) {
    TW_UINT16 rc = SetOneValue(client, cap, itemType, raw);
    if (rc == TWRC_SUCCESS) return true;
    if (rc == TWRC_CHECKSTATUS) {
        // Taken, but changed to what the scanner can do; the image information
        // says what will be scanned.
        std::fprintf(stderr, "twacquire: the source took %s as the nearest value it has to %s\n",
                     CapabilityName(cap), shown.c_str());
        return true;
    }
    ReportFailure(client, std::string("setting ") + CapabilityName(cap) + " to " + shown, rc);
    return false;
}

std::string Shown(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

bool SetFix32(CTwainClient& client, TW_UINT16 cap, double value) {
    return Set(client, cap, TWTY_FIX32, Fix32ItemOf(value), Shown(value));
}

// A TWAIN 2 application sends a resolution as the TW_FIX32 the capability holds; a
// 1.x application keeps sending the TW_UINT16 it always sent.
bool SetResolution(CTwainClient& client, TW_UINT16 cap, TW_UINT32 dpi, bool twain1) {
    if (twain1) return Set(client, cap, TWTY_UINT16, dpi, std::to_string(dpi));
    return SetFix32(client, cap, dpi);
}

bool SetFrame(CTwainClient& client, const FrameInches& frame) {
    TW_IMAGELAYOUT layout{};
    layout.Frame.Left = FloatToFix32(frame.Left);
    layout.Frame.Top = FloatToFix32(frame.Top);
    layout.Frame.Right = FloatToFix32(frame.Right);
    layout.Frame.Bottom = FloatToFix32(frame.Bottom);
    layout.DocumentNumber = 1;
    layout.PageNumber = 1;
    layout.FrameNumber = 1;
    TW_UINT16 rc = client.Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &layout);
    if (rc == TWRC_SUCCESS) return true;
    if (rc == TWRC_CHECKSTATUS) {
        // The source writes back the frame it will scan.
        const TW_FRAME& moved = layout.Frame;
        std::fprintf(stderr,
                     "twacquire: the frame scanned is %.4g,%.4g,%.4g,%.4g inches, as near as "
                     "the source can place it\n",
                     Fix32ToDouble(moved.Left), Fix32ToDouble(moved.Top),
                     Fix32ToDouble(moved.Right), Fix32ToDouble(moved.Bottom));
        return true;
    }
    ReportFailure(client, "setting the image frame (DAT_IMAGELAYOUT)", rc);
    return false;
}

}  // namespace

bool Negotiate(CTwainClient& client, const AcquireOptions& o) {
    if (o.PixelType &&
        !Set(client, ICAP_PIXELTYPE, TWTY_UINT16, *o.PixelType, PixelTypeName(*o.PixelType)))
        return false;
    if (o.BitDepth &&
        !Set(client, ICAP_BITDEPTH, TWTY_UINT16, *o.BitDepth, std::to_string(*o.BitDepth)))
        return false;
    if (o.XResolution && !SetResolution(client, ICAP_XRESOLUTION, *o.XResolution, o.Twain1))
        return false;
    if (o.YResolution && !SetResolution(client, ICAP_YRESOLUTION, *o.YResolution, o.Twain1))
        return false;
    if (o.Brightness && !SetFix32(client, ICAP_BRIGHTNESS, *o.Brightness)) return false;
    if (o.Threshold && !SetFix32(client, ICAP_THRESHOLD, *o.Threshold)) return false;
    if (o.TransferMechanism && !Set(client, ICAP_XFERMECH, TWTY_UINT16, *o.TransferMechanism,
                                    *o.TransferMechanism == TWSX_MEMORY ? "memory" : "native"))
        return false;
    if (o.Frame && !SetFrame(client, *o.Frame)) return false;
    return true;
}

namespace {

// Why setting the detection TRUE did not turn it on; empty when it did.
std::string DetectionRefusal(CTwainClient& client, TW_UINT16 rc) {
    if (rc == TWRC_SUCCESS) return "";
    if (rc != TWRC_CHECKSTATUS) return DescribeFailure(rc, client.SourceConditionCode());
    // Taken, but maybe as another value: only TRUE turns the detection on.
    CapabilityValue value;
    const bool on = GetCapability(client, ICAP_AUTOMATICLENGTHDETECTION, MSG_GETCURRENT, value) ==
                        TWRC_SUCCESS &&
                    value.Items.size() == 1 && value.Items[0] != FALSE;
    return on ? "" : "the source kept it FALSE";
}

}  // namespace

bool NegotiateAutomaticLength(CTwainClient& client, bool memory) {
    const std::string refusal = DetectionRefusal(
        client, SetOneValue(client, ICAP_AUTOMATICLENGTHDETECTION, TWTY_BOOL, TRUE));
    if (!refusal.empty()) {
        ReportError(
            "--auto-length: the source does not offer automatic length detection "
            "(setting ICAP_AUTOMATICLENGTHDETECTION to TRUE: " +
            refusal + "); nothing was scanned");
        return false;
    }
    // A source that refuses undefined sizes reports the length after the transfer.
    if (memory) SetOneValue(client, ICAP_UNDEFINEDIMAGESIZE, TWTY_BOOL, TRUE);
    return true;
}

uint32_t FrameRows(CTwainClient& client, const TW_IMAGEINFO& info) {
    TW_IMAGELAYOUT layout{};
    if (client.Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &layout) != TWRC_SUCCESS) return 0;
    const double inches = Fix32ToDouble(layout.Frame.Bottom) - Fix32ToDouble(layout.Frame.Top);
    const double rows = std::ceil(inches * Fix32ToDouble(info.YResolution));
    return rows > 0 && rows < 0x7fffffff ? static_cast<uint32_t>(rows) : 0;
}

TW_UINT16 CurrentTransferMechanism(CTwainClient& client) {
    CapabilityValue value;
    if (GetCapability(client, ICAP_XFERMECH, MSG_GETCURRENT, value) != TWRC_SUCCESS)
        return TWSX_NATIVE;
    if (value.ConType == TWON_ONEVALUE && !value.Items.empty())
        return static_cast<TW_UINT16>(value.Items[0]);
    if (value.ConType == TWON_ENUMERATION && value.CurrentIndex < value.Items.size())
        return static_cast<TW_UINT16>(value.Items[value.CurrentIndex]);
    return TWSX_NATIVE;
}

namespace {

double CurrentNumber(CTwainClient& client, TW_UINT16 cap, double fallback) {
    CapabilityValue value;
    if (GetCapability(client, cap, MSG_GETCURRENT, value) != TWRC_SUCCESS) return fallback;
    if (value.ConType == TWON_ONEVALUE && !value.Items.empty())
        return ItemAsNumber(value.ItemType, value.Items[0]);
    if (value.ConType == TWON_ENUMERATION && value.CurrentIndex < value.Items.size())
        return ItemAsNumber(value.ItemType, value.Items[value.CurrentIndex]);
    if (value.ConType == TWON_RANGE) return ItemAsNumber(value.ItemType, value.CurrentValue);
    return fallback;
}

}  // namespace

bool NegotiateAutomaticTransfer(CTwainClient& client) {
    TW_IMAGELAYOUT layout{};
    uint64_t estimate = 0;
    if (client.Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &layout) == TWRC_SUCCESS) {
        const double inchesWide =
            Fix32ToDouble(layout.Frame.Right) - Fix32ToDouble(layout.Frame.Left);
        const double inchesLong =
            Fix32ToDouble(layout.Frame.Bottom) - Fix32ToDouble(layout.Frame.Top);
        const double xdpi = CurrentNumber(client, ICAP_XRESOLUTION, 0);
        const double ydpi = CurrentNumber(client, ICAP_YRESOLUTION, 0);
        double bits = CurrentNumber(client, ICAP_BITDEPTH, 0);
        if (CurrentNumber(client, ICAP_PIXELTYPE, 0) == TWPT_RGB) bits = 24;
        const double rowBytes = (inchesWide * xdpi * bits / 8 + 3) / 4 * 4;
        estimate = static_cast<uint64_t>(std::max(0.0, rowBytes * inchesLong * ydpi));
    }
    const TW_UINT16 mechanism = estimate > NativeTransferLimit ? TWSX_MEMORY : TWSX_NATIVE;
    return Set(client, ICAP_XFERMECH, TWTY_UINT16, mechanism,
               mechanism == TWSX_MEMORY ? "memory" : "native");
}
