// The native image's header and its fixed colour tables.
#pragma once

#include <windows.h>

#include <cstdint>

#include "tarnscan/tarnscan.h"

// Entries of the colour table for a depth: 2, 16 or 256; none for 16 and 24 bits.
uint32_t ColourTableEntries(int32_t bitsPerPixel);

// BITMAPINFOHEADER and colour table together.
uint32_t DibHeaderBytes(int32_t bitsPerPixel);

// A bottom-up BI_RGB header: biHeight positive, biSizeImage the rows' bytes at the
// 4-byte stride, and the scan's resolution in pixels per metre, so that the image
// prints at its true size.
void WriteDibHeader(BITMAPINFOHEADER& header, int32_t width, int32_t height, int32_t bitsPerPixel,
                    int32_t xResolution, int32_t yResolution);

// Pixels per metre of a resolution in dots per inch, rounded to the nearest.
LONG PixelsPerMetre(int32_t dotsPerInch);

// The palette the device's pixel values refer to: black and white for 1 bit, the
// 16-colour palette for 4 bits, a grey ramp for 8-bit greyscale, the 3-3-2
// palette for any other 8-bit composition.
void WriteColourTable(RGBQUAD* table, int32_t bitsPerPixel, Composition composition);
