// Device-independent bitmaps: the native transfer's memory block and the body of a
// .bmp file (a BITMAPINFOHEADER, the colour table, the rows bottom-up, each padded to
// a multiple of 4 bytes, blue-green-red for 24 bits).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tools/image/image.h"

// A packed DIB checked against its block: shape, colour table and where each row is.
struct DibLayout {
    int32_t Width = 0;
    int32_t Height = 0;
    int BitsPerPixel = 0;
    bool BottomUp = true;
    std::vector<RgbColour> Palette;
    size_t PixelsOffset = 0;
    size_t Stride = 0;
    double XResolution = 0;  // dots per inch, 0 when the header gives none
    double YResolution = 0;
};

// False, with the reason in `error`, for a DIB that is compressed, of an unsupported
// depth, or shorter than its header says.
bool ReadDibLayout(const void* dib, size_t size, DibLayout& layout, std::string& error);
// Row y, counted from the top, as an application holds it (unpadded, red-green-
// blue for 24 bits), into `to`.
void CopyDibRow(const void* dib, const DibLayout& layout, int32_t y, uint8_t* to);

// Reads a packed DIB of `size` bytes into `image`. Checks every size against the
// block before reading; false, with the reason in `error`, for a DIB that is
// compressed, of an unsupported depth, or shorter than its header says.
bool ImageFromDib(const void* dib, size_t size, Image& image, std::string& error);

// Row length of a DIB as every reader computes it: a multiple of 4 bytes.
size_t DibStride(int32_t width, int bitsPerPixel);
