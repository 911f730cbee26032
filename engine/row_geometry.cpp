#include "engine/row_geometry.h"

#include <limits>

#include "engine/dib_builder.h"

namespace {

// A memory-transfer image is counted in 64 bits, block by block; one row must fit
// the record's 32-bit BytesPerRow.
constexpr int64_t LargestMemoryRow = std::numeric_limits<uint32_t>::max();
// A native image is one block of global memory in a 32-bit process.
constexpr int64_t LargestNativeImage = std::numeric_limits<int32_t>::max();

}  // namespace

int64_t RowLength(int32_t bitsPerPixel, int32_t width) {
    if (width < 1) return 0;
    const int64_t w = width;
    switch (bitsPerPixel) {
    case 1:
        return (w + 7) / 8;
    case 4:
        return (w + 1) / 2;
    case 8:
        return w;
    case 16:
        return 2 * w;
    case 24:
        return 3 * w;
    default:
        return 0;
    }
}

int64_t DibStride(int64_t rowLength) {
    return (rowLength + 3) / 4 * 4;
}

MemoryImageSize MeasureMemoryImage(int32_t bitsPerPixel, int32_t width, int32_t length) {
    const int64_t row = RowLength(bitsPerPixel, width);
    if (row == 0 || length < 1) return {TWCC_BADVALUE, 0, 0};
    if (row > LargestMemoryRow) return {TWCC_LOWMEMORY, 0, 0};
    const uint64_t image = static_cast<uint64_t>(row) * static_cast<uint64_t>(length);
    return {TWCC_SUCCESS, static_cast<uint32_t>(row), image};
}

NativeImageSize MeasureNativeImage(int32_t bitsPerPixel, int32_t width, int32_t length) {
    NativeImageSize size = {};
    const int64_t row = RowLength(bitsPerPixel, width);
    if (row == 0 || length < 1) {
        size.Refusal = TWCC_BADVALUE;
        return size;
    }
    const int64_t stride = DibStride(row);
    const int64_t header = DibHeaderBytes(bitsPerPixel);
    const int64_t total = header + stride * length;
    if (total > LargestNativeImage) {
        size.Refusal = TWCC_LOWMEMORY;
        return size;
    }
    size.Refusal = TWCC_SUCCESS;
    size.RowBytes = static_cast<uint32_t>(row);
    size.Stride = static_cast<uint32_t>(stride);
    size.Rows = static_cast<uint32_t>(length);
    size.HeaderBytes = static_cast<uint32_t>(header);
    size.TotalBytes = static_cast<uint32_t>(total);
    return size;
}
