// What the simulated scanner delivers for a scan of its built-in chart, computed
// from the imaging model: the window centred on the paper or placed from its left
// edge, nearest-neighbour
// sampling, 12-bit levels through the tone table the source loads with its
// built-in settings (white 255, black 0, gamma 1.0), then RGB, grey, bilevel or a
// palette index through the colour translation table. Interpolated colour is
// scanned at the native resolution and widened by replication.
#pragma once

#include <cstdint>

#include "tools/image/image.h"

enum class ScanEncoding { Rgb24, Grey8, Bilevel, Palette8, Palette4 };

struct ChartScan {
    int32_t XResolution;
    int32_t YResolution;
    int32_t ScanWidth;   // pixels delivered per row
    int32_t ScanLength;  // rows
    ScanEncoding Encoding;
    int Threshold = 128;           // bilevel
    int32_t NativeResolution = 0;  // non-zero: interpolated colour from this resolution
    int32_t DeviceRows = -1;       // the device ended after this many rows: the rest are 0
    int32_t XOffset = 0;           // 0: centred on the paper; else pixels from its left edge
};

// The image an application should hold after the transfer, with the colour table
// of the source's native images.
Image ExpectedChartScan(const ChartScan& scan);

// A 8-bit sample of the paper as the source delivers it with its built-in tone
// table (white 255, black 0, gamma 1.0).
uint8_t TonedSample(uint8_t paperSample);
