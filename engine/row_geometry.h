// Byte counts of one image, worked out in 64 bits so that no window, however wide,
// long or negative, can wrap into a small number that the reads would overrun.
#pragma once

#include <cstdint>

#include "platform/twain.h"

// Unpadded bytes of one device line of `width` pixels; 0 when the depth has no
// row length (not 1, 4, 8, 16 or 24 bits) or the width is below 1.
int64_t RowLength(int32_t bitsPerPixel, int32_t width);

// Bytes of one DIB row: the line raised to a multiple of 4, as every DIB reader
// computes it from biWidth and biBitCount.
int64_t DibStride(int64_t rowLength);

// The image as the memory transfer counts it: device lines one after another.
struct MemoryImageSize {
    TW_UINT16 Refusal;  // TWCC_SUCCESS, or why the window cannot be transferred
    uint32_t RowBytes;
    uint64_t ImageBytes;  // a wide-format image may pass 4 GiB
};

// The image as the native transfer builds it: header, colour table and rows of
// the DIB stride, in one block.
struct NativeImageSize {
    TW_UINT16 Refusal;
    uint32_t RowBytes;
    uint32_t Stride;
    uint32_t Rows;
    uint32_t HeaderBytes;  // BITMAPINFOHEADER and colour table
    uint32_t TotalBytes;
};

// An image of `width` x `length` pixels at `bitsPerPixel`. TWCC_BADVALUE when it
// has no valid size (no row length, a width or length below 1), TWCC_LOWMEMORY when
// its bytes cannot be counted or allocated here.
MemoryImageSize MeasureMemoryImage(int32_t bitsPerPixel, int32_t width, int32_t length);
NativeImageSize MeasureNativeImage(int32_t bitsPerPixel, int32_t width, int32_t length);
