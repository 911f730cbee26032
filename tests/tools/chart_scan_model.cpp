#include "tests/tools/chart_scan_model.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "tarnscan/chart.h"

namespace {

int64_t FloorDivide(int64_t a, int64_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

}  // namespace

// The source's tone table for white 255, black 0, gamma 1.0: entry i is
// 255 i / 4096 rounded half up, in single precision as the source computes it.
uint8_t TonedSample(uint8_t sample) {
    const int level = sample * 16 + sample / 16;
    const float scale = std::pow(255.0f / 4096.0f, 1.0f);
    int value = static_cast<int>(std::pow(static_cast<float>(level), 1.0f) * scale + 0.5f);
    return static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

namespace {

uint8_t Toned(uint8_t sample) {
    return TonedSample(sample);
}

int Grey(const uint8_t toned[3]) {
    return (299 * toned[0] + 587 * toned[1] + 114 * toned[2] + 500) / 1000;
}

// The colour translation table's entry for the 5-6-5 colour of a toned pixel.
int PaletteIndex(const uint8_t toned[3], int bitsPerPixel) {
    const int r = toned[0] >> 3, g = toned[1] >> 2, b = toned[2] >> 3;
    if (bitsPerPixel == 8) return 32 * (r / 4) + 4 * (g / 8) + b / 8;
    return 4 * (r / 8) + 2 * (g / 32) + b / 16;
}

// Paper column of each delivered pixel.
std::vector<int64_t> PaperColumns(const ChartScan& scan) {
    const bool widened = scan.NativeResolution != 0;
    const int64_t deviceResolution = widened ? scan.NativeResolution : scan.XResolution;
    const int64_t deviceWidth =
        widened ? int64_t{scan.ScanWidth} * scan.NativeResolution / scan.XResolution
                : scan.ScanWidth;
    const int64_t paperPixels =
        FloorDivide(int64_t{tarnscan::ChartWidth} * deviceResolution, tarnscan::ChartDpi);
    // An interpolated window's offset is narrowed as its width is.
    const int64_t placed =
        std::max<int64_t>(1, int64_t{scan.XOffset} * deviceResolution / scan.XResolution);
    const int64_t left = scan.XOffset != 0 ? placed : FloorDivide(paperPixels - deviceWidth, 2);
    std::vector<int64_t> columns;
    for (int64_t j = 0; j < scan.ScanWidth; ++j) {
        const int64_t device = widened ? j * deviceWidth / scan.ScanWidth : j;
        columns.push_back(FloorDivide((left + device) * tarnscan::ChartDpi, deviceResolution));
    }
    return columns;
}

}  // namespace

Image ExpectedChartScan(const ChartScan& scan) {
    Image image;
    std::string error;
    int bits = 24;
    switch (scan.Encoding) {
    case ScanEncoding::Rgb24:
        bits = 24;
        break;
    case ScanEncoding::Grey8:
        bits = 8;
        image.Palette = GreyPalette();
        break;
    case ScanEncoding::Bilevel:
        bits = 1;
        image.Palette = BilevelPalette();
        break;
    case ScanEncoding::Palette8:
        bits = 8;
        image.Palette = Colour256Palette();
        break;
    case ScanEncoding::Palette4:
        bits = 4;
        image.Palette = Colour16Palette();
        break;
    }
    std::vector<RgbColour> palette = image.Palette;
    AllocateImage(image, scan.ScanWidth, scan.ScanLength, bits, error);
    image.Palette = palette;

    const std::vector<int64_t> columns = PaperColumns(scan);
    const int32_t rows = scan.DeviceRows >= 0 && scan.DeviceRows < scan.ScanLength
                             ? scan.DeviceRows
                             : scan.ScanLength;
    for (int32_t r = 0; r < rows; ++r) {
        const int64_t y = FloorDivide(int64_t{r} * tarnscan::ChartDpi, scan.YResolution);
        uint8_t* row = image.Row(r);
        for (int32_t c = 0; c < scan.ScanWidth; ++c) {
            uint8_t paper[3];
            tarnscan::ChartPixel(static_cast<int>(columns[c]), static_cast<int>(y), paper);
            const uint8_t toned[3] = {Toned(paper[0]), Toned(paper[1]), Toned(paper[2])};
            switch (scan.Encoding) {
            case ScanEncoding::Rgb24:
                row[3 * c] = toned[0];
                row[3 * c + 1] = toned[1];
                row[3 * c + 2] = toned[2];
                break;
            case ScanEncoding::Grey8:
                row[c] = static_cast<uint8_t>(Grey(toned));
                break;
            case ScanEncoding::Bilevel:
                if (Grey(toned) >= scan.Threshold)
                    row[c / 8] |= static_cast<uint8_t>(0x80 >> (c % 8));
                break;
            case ScanEncoding::Palette8:
                row[c] = static_cast<uint8_t>(PaletteIndex(toned, 8));
                break;
            case ScanEncoding::Palette4:
                row[c / 2] |= static_cast<uint8_t>(PaletteIndex(toned, 4) << (c % 2 ? 0 : 4));
                break;
            }
        }
    }
    return image;
}
