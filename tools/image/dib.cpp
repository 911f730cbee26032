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

bool ReadDibLayout(const void* dib, size_t size, DibLayout& layout, std::string& error) {
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
    if (!IsSupportedDepth(bits) || header.biWidth <= 0 || header.biHeight == 0 ||
        header.biHeight == INT32_MIN) {
        error = "bitmap of " + std::to_string(header.biWidth) + " x " +
                std::to_string(header.biHeight) + " at " + std::to_string(bits) +
                " bits is not one this program reads";
        return false;
    }
    layout.Width = header.biWidth;
    layout.BottomUp = header.biHeight > 0;
    layout.Height = layout.BottomUp ? header.biHeight : -header.biHeight;
    layout.BitsPerPixel = bits;
    layout.XResolution = header.biXPelsPerMeter * 0.0254;
    layout.YResolution = header.biYPelsPerMeter * 0.0254;

    size_t colours = 0;
    if (bits <= 8) colours = header.biClrUsed ? header.biClrUsed : size_t{1} << bits;
    if (colours > 256) {
        error = "bitmap colour table of " + std::to_string(colours) + " entries";
        return false;
    }
    const size_t tableOffset = header.biSize;
    layout.PixelsOffset = tableOffset + 4 * colours;
    layout.Stride = DibStride(layout.Width, bits);
    if (layout.PixelsOffset > size ||
        (size - layout.PixelsOffset) / layout.Stride < static_cast<size_t>(layout.Height)) {
        error = "bitmap block of " + std::to_string(size) + " bytes is shorter than " +
                std::to_string(layout.Width) + " x " + std::to_string(layout.Height) + " at " +
                std::to_string(bits) + " bits needs";
        return false;
    }
    const uint8_t* bytes = static_cast<const uint8_t*>(dib);
    layout.Palette.clear();
    for (size_t i = 0; i < colours; ++i) {
        const uint8_t* quad = bytes + tableOffset + 4 * i;  // blue, green, red, reserved
        layout.Palette.push_back({quad[2], quad[1], quad[0]});
    }
    return true;
}

void CopyDibRow(const void* dib, const DibLayout& layout, int32_t y, uint8_t* to) {
    const int32_t stored = layout.BottomUp ? layout.Height - 1 - y : y;
    const uint8_t* from = static_cast<const uint8_t*>(dib) + layout.PixelsOffset +
                          static_cast<size_t>(stored) * layout.Stride;
    CopyRow(from, to, Image::RowBytesFor(layout.Width, layout.BitsPerPixel), layout.BitsPerPixel);
}

bool ImageFromDib(const void* dib, size_t size, Image& image, std::string& error) {
    DibLayout layout;
    if (!ReadDibLayout(dib, size, layout, error)) return false;
    if (!AllocateImage(image, layout.Width, layout.Height, layout.BitsPerPixel, error))
        return false;
    image.Palette = layout.Palette;
    for (int32_t y = 0; y < layout.Height; ++y)
        CopyDibRow(dib, layout, y, image.Row(y));
    return true;
}
