// The built-in test chart (layout in chart.h). Every pixel is computed on demand
// from the layout, so the chart costs no memory and is the same in every process.
#include "tarnscan/chart.h"

#include <cmath>
#include <cstring>

namespace tarnscan {

namespace {

struct Colour {
    uint8_t r, g, b;
};

const Colour White = {255, 255, 255};
const Colour Black = {0, 0, 0};

const Colour PatchColours[2][6] = {
    {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {0, 255, 255}, {255, 0, 255}, {255, 255, 0}},
    {{255, 128, 128}, {128, 255, 128}, {128, 128, 255}, {255, 128, 0}, {128, 64, 0}, {0, 0, 0}},
};

// 5 x 7 glyphs, one byte a row, bit 4 the leftmost column.
struct Glyph {
    char character;
    uint8_t rows[7];
};

// clang-format off
const Glyph Font[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'D', {0x1C, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1C}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
};
// clang-format on

const char Title[] = "TARNSCAN TEST CHART 200 DPI";

const Glyph* FindGlyph(char character) {
    for (const Glyph& glyph : Font)
        if (glyph.character == character) return &glyph;
    return nullptr;  // a space
}

// Whether (x, y) is an inked pixel of `text` drawn from (left, top) at `scale`,
// glyphs 5 x 7 with one blank column between them.
bool TextCovers(const char* text, int left, int top, int scale, int x, int y) {
    int advance = 6 * scale;
    int length = static_cast<int>(std::strlen(text));
    if (y < top || y >= top + 7 * scale || x < left || x >= left + length * advance) return false;
    int column = (x - left) % advance;
    if (column >= 5 * scale) return false;
    const Glyph* glyph = FindGlyph(text[(x - left) / advance]);
    if (!glyph) return false;
    int row = (y - top) / scale;
    return (glyph->rows[row] >> (4 - column / scale)) & 1;
}

int TickLength(int tick) {
    if (tick % 8 == 0) return 60;
    if (tick % 4 == 0) return 45;
    if (tick % 2 == 0) return 30;
    return 18;
}

// Along a ruler: `along` the position on the ruler's axis, `across` the distance
// from the paper's edge.
bool RulerCovers(int along, int across, bool numbersFirstAlong) {
    if (along % 25 < 2 && across < TickLength(along / 25)) return true;
    int inch = along / 200;
    if (inch < 1) return false;
    char number[8];
    int digits = 0;
    for (int value = inch; value > 0; value /= 10)
        number[digits++] = static_cast<char>('0' + value % 10);
    char text[8];
    for (int i = 0; i < digits; ++i)
        text[i] = number[digits - 1 - i];
    text[digits] = '\0';
    int start = 200 * inch + 6;
    if (numbersFirstAlong) return TextCovers(text, start, 64, 3, along, across);
    return TextCovers(text, 64, start, 3, across, along);
}

int IntegerSquareRoot(int value) {
    int root = static_cast<int>(std::sqrt(static_cast<double>(value)));
    while (root * root > value)
        --root;
    while ((root + 1) * (root + 1) <= value)
        ++root;
    return root;
}

Colour Grey(int level) {
    uint8_t v = static_cast<uint8_t>(level);
    return {v, v, v};
}

Colour ChartColour(int x, int y) {
    // Rulers along the top and left edges.
    if (y < 100 && RulerCovers(x, y, true)) return Black;
    if (x < 100 && RulerCovers(y, x, false)) return Black;

    // A 2-pixel frame around the ramp and the steps.
    bool inFrame = x >= 148 && x < 1652 && y >= 198 && y < 402;
    bool inWedges = x >= 150 && x < 1650 && y >= 200 && y < 400;
    if (inFrame && !inWedges) return Black;
    if (x >= 150 && x < 1650) {
        if (y >= 200 && y < 300) return Grey((x - 150) * 255 / 1499);
        if (y >= 300 && y < 400) return Grey(((x - 150) / 100) * 255 / 14);
    }
    if (x >= 100 && x < 1600 && y >= 500 && y < 900)
        return PatchColours[(y - 500) / 200][(x - 100) / 250];

    bool verticalGratings = y >= 1000 && y < 1200;
    bool horizontalGratings = y >= 1250 && y < 1450;
    if ((verticalGratings || horizontalGratings) && x >= 150 && x < 1500) {
        int box = (x - 150) / 350;
        int inBox = (x - 150) % 350;
        if (inBox < 300) {
            int width = box + 1;
            int offset = verticalGratings ? inBox : y - 1250;
            return (offset / width) % 2 == 0 ? Black : White;
        }
    }
    if (TextCovers(Title, 150, 1550, 4, x, y)) return Black;

    int dx = x - 850;
    int dy = y - 1900;
    if (dx > -200 && dx < 200 && dy > -200 && dy < 200) {
        int squared = dx * dx + dy * dy;
        if (squared < 200 * 200) return (IntegerSquareRoot(squared) / 8) % 2 == 0 ? Black : White;
    }
    return White;
}

}  // namespace

void ChartPixel(int x, int y, uint8_t rgb[3]) {
    Colour colour = White;
    if (x >= 0 && x < ChartWidth && y >= 0 && y < ChartHeight) colour = ChartColour(x, y);
    rgb[0] = colour.r;
    rgb[1] = colour.g;
    rgb[2] = colour.b;
}

void ChartRow(int y, uint8_t* rgb) {
    for (int x = 0; x < ChartWidth; ++x)
        ChartPixel(x, y, rgb + 3 * x);
}

}  // namespace tarnscan
