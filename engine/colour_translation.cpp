#include "engine/colour_translation.h"

uint8_t PaletteIndex(uint16_t colour, int32_t bitsPerPixel) {
    const int r = colour >> 11, g = (colour >> 5) & 63, b = colour & 31;
    if (bitsPerPixel == 8) return static_cast<uint8_t>(32 * (r / 4) + 4 * (g / 8) + b / 8);
    return static_cast<uint8_t>(4 * (r / 8) + 2 * (g / 32) + b / 16);
}

void BuildColourTranslationTable(unsigned char* table, int32_t bitsPerPixel) {
    for (int32_t colour = 0; colour < ColourTranslationTableBytes; ++colour) {
        table[colour] = PaletteIndex(static_cast<uint16_t>(colour), bitsPerPixel);
    }
}
