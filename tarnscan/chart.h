// The built-in test chart: the paper in the simulated scanner when no document
// is configured. A letter sheet (8.5 x 11 inches) defined at 200 dpi, 1700 x 2200
// pixels, computed row by row with integer arithmetic only, so that tests can
// compute every expected pixel of a scan of it (link `tarnscan_chart`).
//
// Layout in chart pixels (x to the right, y down; ranges are half-open; later
// items paint over earlier ones; everything else is white 255,255,255):
//   grey ramp     x 150..1650, y 200..300: v = (x - 150) * 255 / 1499
//   grey steps    x 150..1650, y 300..400: v = ((x - 150) / 100) * 255 / 14
//   frame         black, x 148..1652, y 198..402 outside ramp and steps
//   colour patches 250 x 200 each, x = 100 + 250 i (i = 0..5), rows y 500..700
//                 and 700..900; first row red, green, blue, cyan, magenta,
//                 yellow (0 or 255 each); second row (255,128,128),
//                 (128,255,128), (128,128,255), (255,128,0), (128,64,0), (0,0,0)
//   gratings      four boxes x = 150 + 350 i .. +300 (i = 0..3), line width
//                 i + 1 pixels, black where ((offset in box) / (i + 1)) is even:
//                 vertical lines in y 1000..1200 (offset along x), horizontal
//                 lines in y 1250..1450 (offset along y)
//   title         "TARNSCAN TEST CHART 200 DPI" in the 5 x 7 font at scale 4
//                 from x 150, y 1550 (24-pixel advance)
//   rings         centre (850, 1900), radius < 200: black where
//                 isqrt(dx*dx + dy*dy) / 8 is even
//   rulers        ticks every 1/8 inch (25 pixels), 2 pixels thick, black:
//                 along the top edge (x = 25 k .. 25 k + 2, y from 0) and the
//                 left edge (y = 25 k .. 25 k + 2, x from 0); tick length 60 at
//                 whole inches, 45 at half, 30 at quarter, 18 at eighth inches;
//                 inch numbers n = 1.. in the font at scale 3: top ruler from
//                 (200 n + 6, 64), left ruler from (64, 200 n + 6)
#pragma once

#include <cstdint>

namespace tarnscan {

constexpr int ChartDpi = 200;
constexpr int ChartWidth = 1700;
constexpr int ChartHeight = 2200;

// Red, green, blue of chart pixel (x, y); white outside the chart.
void ChartPixel(int x, int y, uint8_t rgb[3]);

// Red, green, blue samples of chart row y (0 <= y < ChartHeight): ChartWidth * 3
// bytes at `rgb`.
void ChartRow(int y, uint8_t* rgb);

}  // namespace tarnscan
