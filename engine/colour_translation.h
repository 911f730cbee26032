// The colour translation table: a 16-bit 5-6-5 colour (red in bits 11 to 15, green
// in 5 to 10, blue in 0 to 4) to an index of the native image's fixed palette, so
// that the device itself delivers palette images.
#pragma once

#include <cstdint>

constexpr int32_t ColourTranslationTableBytes = 65536;

// The palette index for one 5-6-5 colour: the 3-3-2 palette for 8 bits, the
// 16-colour palette for any other depth.
uint8_t PaletteIndex(uint16_t colour, int32_t bitsPerPixel);

void BuildColourTranslationTable(unsigned char* table, int32_t bitsPerPixel);
