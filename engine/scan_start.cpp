// Scan start: device open and ready, the window, the speed, the tone tables and,
// for palette colour, the colour translation table, then the scan itself.
#include <cstdint>
#include <limits>

#include "engine/scan_job.h"
#include "engine/scan_window.h"
#include "trace/trace.h"

TW_UINT16 ScanJob::Start(const ScanSettings& settings, bool loadColourTable) {
    bytesTransferred_ = 0;
    rowBytesDelivered_ = 0;
    if (!trace::Device(Scanner.Open(DeviceInfo), "Open")) return TWRC_FAILURE;
    AditionalSenseCodeType sense;
    if (!trace::Device(Scanner.UnitReady(&sense), "UnitReady")) return TWRC_FAILURE;
    // The device gets its own copy; the descriptor everyone else reads keeps the
    // application's resolution, offset and width.
    const WindowDescriptorType device = DeviceWindow(settings, ScannerModel());
    if (trace::Enabled())
        trace::Write("device window %dx%d dpi at (%d,%d) %dx%d pixels, %d bits, composition %d",
                     device.XResolution, device.YResolution, device.XOffset, device.YOffset,
                     device.ScanWidth, device.ScanLength, device.BitsPerPixel,
                     device.ImageComposition);
    if (!trace::Device(Scanner.SetWindow(device, 0), "SetWindow")) return TWRC_FAILURE;
    if (!trace::Device(Scanner.SetFractionalSpeed(settings.FractionalSpeed), "SetFractionalSpeed"))
        return TWRC_FAILURE;
    if (!LoadToneTables(settings)) return TWRC_FAILURE;
    if (loadColourTable && !LoadColourTranslationTable(settings.BitsPerPixel)) return TWRC_FAILURE;
    stopped_ = false;
    return trace::Device(Scanner.StartScan(), "StartScan") ? TWRC_SUCCESS : TWRC_FAILURE;
}
