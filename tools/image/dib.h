// Device-independent bitmaps: the native transfer's memory block and the body of a
// .bmp file (a BITMAPINFOHEADER, the colour table, the rows bottom-up, each padded to
// a multiple of 4 bytes, blue-green-red for 24 bits).
#pragma once

#include <cstddef>
#include <string>

#include "tools/image/image.h"

// Reads a packed DIB of `size` bytes into `image`. Checks every size against the
// block before reading; false, with the reason in `error`, for a DIB that is
// compressed, of an unsupported depth, or shorter than its header says.
bool ImageFromDib(const void* dib, size_t size, Image& image, std::string& error);

// Row length of a DIB as every reader computes it: a multiple of 4 bytes.
size_t DibStride(int32_t width, int bitsPerPixel);
