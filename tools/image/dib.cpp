#include "tools/image/dib.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

size_t DibStride(int32_t width, int bitsPerPixel) {
    return (static_cast<size_t>(width) * bitsPerPixel + 31) / 32 * 4;
}

namespace {

void CopyRow(const uint8_t* from, uint8_t* to, size_t bytes, int bitsPerPixel) {
    if (bitsPerPixel != 24) {
        std::memcpy(to, from, bytes);
        return;
    }
    for (size_t i = 0; i + 2 < bytes; i += 3) {
        to[i] = from[i + 2];
        to[i + 1] = from[i + 1];
        to[i + 2] = from[i];
    }
}

}  // namespace

bool ImageFromDib(const void* dib, size_t size, Image& image, std::string& error) {
    BITMAPINFOHEADER header;
    if (size < sizeof header) {
        error = "bitmap of " + std::to_string(size) + " bytes is shorter than its header";
        return false;
    }
    std::memcpy(&header, dib, sizeof header);
    if (header.biSize < sizeof header || header.biSize > size) {
        error = "bitmap header size " + std::to_string(header.biSize) + " is not valid";
        return false;
    }
    if (header.biCompression != BI_RGB || header.biPlanes != 1) {
        error = "bitmap is compressed or has more than one plane";
        return false;
    }
    const int bits = header.biBitCount;
    const int32_t width = header.biWidth;
    const bool bottomUp = header.biHeight > 0;
    const int32_t height = bottomUp ? header.biHeight : -header.biHeight;
    if (!AllocateImage(image, width, height, bits, error)) return false;

    size_t colours = 0;
    if (bits <= 8) colours = header.biClrUsed ? header.biClrUsed : size_t{1} << bits;
    if (colours > 256) {
        error = "bitmap colour table of " + std::to_string(colours) + " entries";
        return false;
    }
    const size_t tableOffset = header.biSize;
    const size_t pixelsOffset = tableOffset + 4 * colours;
    const size_t stride = DibStride(width, bits);
    if (pixelsOffset > size || (size - pixelsOffset) / stride < static_cast<size_t>(height)) {
        error = "bitmap block of " + std::to_string(size) + " bytes is shorter than " +
                std::to_string(width) + " x " + std::to_string(height) + " at " +
                std::to_string(bits) + " bits needs";
        return false;
    }
    const uint8_t* bytes = static_cast<const uint8_t*>(dib);
    image.Palette.clear();
    for (size_t i = 0; i < colours; ++i) {
        const uint8_t* quad = bytes + tableOffset + 4 * i;  // blue, green, red, reserved
        image.Palette.push_back({quad[2], quad[1], quad[0]});
    }
    for (int32_t y = 0; y < height; ++y) {
        const int32_t stored = bottomUp ? height - 1 - y : y;
        CopyRow(bytes + pixelsOffset + static_cast<size_t>(stored) * stride, image.Row(y),
                image.RowBytes(), bits);
    }
    return true;
}
