#include "tools/image/image.h"

#include <cstdint>
#include <limits>

bool IsSupportedDepth(int bitsPerPixel) {
    return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 || bitsPerPixel == 16 ||
           bitsPerPixel == 24;
}

bool AllocateImage(Image& image, int32_t width, int32_t height, int bitsPerPixel,
                   std::string& error) {
    if (!IsSupportedDepth(bitsPerPixel)) {
        error = "unsupported depth of " + std::to_string(bitsPerPixel) + " bits per pixel";
        return false;
    }
    if (width <= 0 || height <= 0) {
        error = "invalid image size " + std::to_string(width) + " x " + std::to_string(height);
        return false;
    }
    const uint64_t bytes = static_cast<uint64_t>(Image::RowBytesFor(width, bitsPerPixel)) * height;
    // A 32-bit process cannot hold much more than 1.5 GB in one piece.
    if (bytes > (uint64_t{3} << 29)) {
        error = "image of " + std::to_string(bytes) + " bytes is too large to hold";
        return false;
    }
    try {
        image.Pixels.assign(static_cast<size_t>(bytes), 0);
    } catch (const std::bad_alloc&) {
        error = "not enough memory for an image of " + std::to_string(bytes) + " bytes";
        return false;
    }
    image.Width = width;
    image.Height = height;
    image.BitsPerPixel = bitsPerPixel;
    return true;
}

std::vector<RgbColour> BilevelPalette() {
    return {{0, 0, 0}, {255, 255, 255}};
}

std::vector<RgbColour> Colour16Palette() {
    std::vector<RgbColour> palette;
    for (int index = 0; index < 16; ++index) {
        int r = index / 4, g = (index / 2) % 2, b = index % 2;
        palette.push_back({static_cast<uint8_t>(85 * r), static_cast<uint8_t>(255 * g),
                           static_cast<uint8_t>(255 * b)});
    }
    return palette;
}

std::vector<RgbColour> GreyPalette() {
    std::vector<RgbColour> palette;
    for (int i = 0; i < 256; ++i)
        palette.push_back({uint8_t(i), uint8_t(i), uint8_t(i)});
    return palette;
}

std::vector<RgbColour> Colour256Palette() {
    std::vector<RgbColour> palette;
    for (int index = 0; index < 256; ++index) {
        int r = index / 32, g = (index / 4) % 8, b = index % 4;
        palette.push_back({static_cast<uint8_t>(36 * r + r / 2),
                           static_cast<uint8_t>(36 * g + g / 2), static_cast<uint8_t>(85 * b)});
    }
    return palette;
}

bool IsGreyRamp(const std::vector<RgbColour>& palette, int bitsPerPixel) {
    if (bitsPerPixel > 8) return false;
    const size_t entries = size_t{1} << bitsPerPixel;
    if (palette.size() != entries) return false;
    for (size_t i = 0; i < entries; ++i) {
        const uint8_t level = static_cast<uint8_t>(i * 255 / (entries - 1));
        if (!(palette[i] == RgbColour{level, level, level})) return false;
    }
    return true;
}

RgbColour PixelColour(const Image& image, int32_t x, int32_t y) {
    const uint8_t* row = image.Row(y);
    switch (image.BitsPerPixel) {
    case 24:
        return {row[3 * x], row[3 * x + 1], row[3 * x + 2]};
    case 16:
        return {row[2 * x + 1], row[2 * x + 1], row[2 * x + 1]};
    default: {
        const int bits = image.BitsPerPixel;
        const size_t bit = static_cast<size_t>(x) * bits;
        const int shift = 8 - bits - static_cast<int>(bit % 8);
        const unsigned index = (row[bit / 8] >> shift) & ((1u << bits) - 1);
        if (index < image.Palette.size()) return image.Palette[index];
        return {0, 0, 0};
    }
    }
}
