// The Scan Parameters dialog's checks of what the user typed, its file-size
// estimate and its free-disk-space display.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "engine/models.h"
#include "ui/resource.h"
#include "ui/scan_parameters_dialog.h"
#include "ui/units.h"

namespace {

// resolution x inches, truncated toward zero, held in 32 bits (saturating).
// The dialog shows dimensions with six significant digits, so a window reopened
// from its stored pixels reads back a hair below them (384 pixels at 100 dpi show
// as 3.84, which is 383.99997 pixels as a float): a product that falls short of a
// whole pixel by no more than that display error counts as that pixel, so that
// accepting the dialog unchanged scans the window it opened with.
int32_t Pixels(int32_t resolution, float inches) {
    const double product = static_cast<double>(resolution) * static_cast<double>(inches);
    const double nearest = std::round(product);
    const double displayError = std::max(1e-3, 6e-6 * std::fabs(nearest));
    const bool justShort = nearest > product && nearest - product <= displayError;
    double pixels = std::trunc(justShort ? nearest : product);
    if (pixels >= 2147483647.0) return INT32_MAX;
    if (pixels <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(pixels);
}

float InInches(float value, int32_t units) {
    return units == 1 ? MillimetresToInches(value) : value;
}

// A non-negative count from a floating-point product, saturating at 2^64 - 1.
uint64_t Count(long double value) {
    if (!(value > 0)) return 0;
    if (value >= 18446744073709551615.0L) return UINT64_MAX;
    return static_cast<uint64_t>(value);
}

uint64_t Triple(uint64_t pixels) {
    return pixels > UINT64_MAX / 3 ? UINT64_MAX : pixels * 3;
}

}  // namespace

std::string SizeText(uint64_t bytes) {
    if (bytes < 8192) return std::to_string(bytes) + " bytes";
    uint64_t kilo = bytes >> 10;
    if (kilo < 99999) return std::to_string(kilo) + "K";
    return std::to_string(bytes >> 20) + "M";
}

bool CScanParametersDialog::Validate() {
    // Text the exchange could not take has been prompted for; nothing is applied.
    if (Initialised && !ReadControls()) return false;
    ScanSettings& s = WorkingSettings;
    float w = InInches(WidthValue, Units);
    float l = InInches(LengthValue, Units);
    float x = InInches(XOffsetValue, Units);
    float y = InInches(YOffsetValue, Units);

    s.XResolution = s.YResolution = Resolution;
    // The image-type buttons in their order: RGB, 256 colour, 16 colour, grey, bilevel.
    static const struct {
        Composition Kind;
        int32_t BitsPerPixel;
    } ImageTypes[5] = {{Composition::RgbColour, 24},
                       {Composition::PaletteColour, 8},
                       {Composition::PaletteColour, 4},
                       {Composition::Greyscale, 8},
                       {Composition::Bilevel, 1}};
    if (ImageType >= 0 && ImageType <= 4) {
        SetComposition(s, ImageTypes[ImageType].Kind);
        s.BitsPerPixel = ImageTypes[ImageType].BitsPerPixel;
    }

    // Pixel counts are compared unsigned: a negative width or X offset is too wide.
    int32_t width = static_cast<int32_t>(static_cast<uint32_t>(Pixels(Resolution, w)) & ~31u);
    uint32_t limit = static_cast<uint32_t>(MaxScanWidth(Setup.Scanner, Resolution));
    if (static_cast<uint32_t>(width) >= limit) return Refuse(IDC_WIDTH, IDS_WIDTH_TOO_WIDE);
    if (static_cast<uint32_t>(width) < 10) return Refuse(IDC_WIDTH, IDS_WIDTH_TOO_SMALL);
    s.ScanWidth = width;

    int32_t length = Pixels(s.YResolution, l);
    if (length < 10) return Refuse(IDC_LENGTH, IDS_LENGTH_TOO_SMALL);
    s.ScanLength = length;

    if (Justification != 0) {
        s.XOffset = 0;  // centre-justified
    } else {
        int32_t offset = Pixels(s.XResolution, x);
        if (static_cast<uint32_t>(offset) >= limit)
            return Refuse(IDC_XOFFSET, IDS_XOFFSET_OUT_OF_RANGE);
        if (offset == 0) offset = 1;  // 0 marks a centre-justified window
        s.XOffset = offset;
        if (static_cast<uint32_t>(width) + static_cast<uint32_t>(offset) >= limit)
            return Refuse(IDC_XOFFSET, IDS_OFFSET_PLUS_WIDTH);
    }

    int32_t top = Pixels(s.YResolution, y);
    if (top < 0) return Refuse(IDC_YOFFSET, IDS_XOFFSET_OUT_OF_RANGE);
    s.YOffset = top;

    if (AdaptiveThreshold && ImageType == 4) {
        s.Threshold = 0;
        s.InitialThreshold = ThresholdValue;
        int32_t white = static_cast<int32_t>(ThresholdValue * 1.4285714285714286);
        s.WhiteValue = ThresholdValue > 178 ? 255 : std::max(white, 42);
    } else {
        s.Threshold = ThresholdValue;
    }

    if (BrightnessValue > 50) return Refuse(IDC_BRIGHTNESS, IDS_BRIGHTNESS_TOO_HIGH);
    s.Brightness = BrightnessValue;

    if (s.XResolution <= 200) {
        uint32_t requested = SpeedValue;
        if (s.XResolution <= 100 && SpeedValue < 2) SpeedValue = 2;
        if (ImageType == 4 && SpeedValue < 4) SpeedValue = 4;
        // The speed field shows the speed in force (the trackbar stays put).
        if (SpeedValue != requested) SetItemText(IDC_SPEED, std::to_string(SpeedValue));
    }
    s.FractionalSpeed = static_cast<uint8_t>(SpeedValue);
    s.Gamma = GammaValue;
    return true;
}

void CScanParametersDialog::UpdateFileSize() {
    if (!Initialised) return;
    if (LengthValue == 0) {
        FileSizeText = "Unknown";
    } else {
        long double width = WidthValue;
        long double length = LengthValue;
        if (Units == 1) {
            width *= InchesPerMillimetre;
            length *= InchesPerMillimetre;
        }
        uint64_t pixels = Count((width * Resolution) * (length * Resolution));
        uint64_t bytes = pixels;
        switch (ImageType) {
        case 0:
            bytes = Triple(pixels);
            break;
        case 2:
            bytes = pixels >> 1;
            break;
        case 4:
            bytes = pixels >> 3;
            break;
        default:
            break;
        }
        FileSizeText = SizeText(bytes);
    }
    SetItemText(IDC_FILE_SIZE, FileSizeText);
    EnableItem(IDC_IAT, ImageType == 4);
    EnableItem(IDC_THRESHOLD, ImageType == 4);
}

void CScanParametersDialog::ShowDiskSpace() {
    char directory[1024];
    DWORD length = GetCurrentDirectoryA(sizeof directory, directory);
    if (length == 0 || length >= sizeof directory) return;
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (!GetDiskFreeSpaceA(nullptr, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &totalClusters))
        return;
    uint64_t cluster = static_cast<uint64_t>(sectorsPerCluster) * bytesPerSector;
    uint64_t freeBytes = freeClusters * cluster;
    uint64_t totalBytes = totalClusters * cluster;
    SetItemText(IDC_FREE_SPACE, SizeText(freeBytes));
    if (totalBytes == 0) return;
    double used = (1.0 - static_cast<double>(freeBytes) / static_cast<double>(totalBytes)) * 100.0;
    SendItem(IDC_DISK_FILL, PBM_SETPOS, static_cast<WPARAM>(std::max(0.0, std::trunc(used))));
}
