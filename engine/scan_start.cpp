// Scan start: device open and ready, the window, the speed, the tone tables and,
// for palette colour, the colour translation table, then the scan itself.
#include <cstdint>
#include <limits>

#include "engine/scan_window.h"
#include "source/trace.h"
#include "source/twain_source.h"

void CTwainSource::AlignInterpolatedWidth() {
    if (Settings.BitsPerPixel != 24) return;  // only RGB is interpolated
    const int32_t code = ModelCode();
    if (!IsInterpolatedScan(Settings, code)) return;
    // The device scans 2/3 or 1/2 of the width; a width it divides exactly makes
    // every widened line exactly ScanWidth pixels long.
    const int64_t divisor = WidensByThreeHalves(Settings, code) ? 3 : 2;
    int64_t width = Settings.ScanWidth;
    const int64_t remainder = width % divisor;
    if (remainder > 0) width += divisor - remainder;
    if (remainder < 0) width -= remainder;
    if (width <= std::numeric_limits<int32_t>::max())
        Settings.ScanWidth = static_cast<int32_t>(width);
}

TW_UINT16 CTwainSource::ScanStart(bool loadColourTable) {
    BytesTransferred = 0;
    PartialRow = false;
    if (!trace::Device(Scanner.Open(DeviceInfo), "Open")) return TWRC_FAILURE;
    AditionalSenseCodeType sense;
    if (!trace::Device(Scanner.UnitReady(&sense), "UnitReady")) return TWRC_FAILURE;
    // The device gets its own copy; the descriptor everyone else reads keeps the
    // application's resolution, offset and width.
    const WindowDescriptorType device = DeviceWindow(Settings, ModelCode());
    if (trace::Enabled())
        trace::Write("device window %dx%d dpi at (%d,%d) %dx%d pixels, %d bits, composition %d",
                     device.XResolution, device.YResolution, device.XOffset, device.YOffset,
                     device.ScanWidth, device.ScanLength, device.BitsPerPixel,
                     device.ImageComposition);
    if (!trace::Device(Scanner.SetWindow(device, 0), "SetWindow")) return TWRC_FAILURE;
    if (!trace::Device(Scanner.SetFractionalSpeed(Settings.FractionalSpeed), "SetFractionalSpeed"))
        return TWRC_FAILURE;
    if (!LoadToneTables()) return TWRC_FAILURE;
    if (loadColourTable && !LoadColourTranslationTable(Settings.BitsPerPixel)) return TWRC_FAILURE;
    ScanStopped = false;
    return trace::Device(Scanner.StartScan(), "StartScan") ? TWRC_SUCCESS : TWRC_FAILURE;
}
