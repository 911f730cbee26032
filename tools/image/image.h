// An image as an application holds it after a transfer: rows top to bottom, each of
// the unpadded length, samples as the source delivers them (red, green, blue for
// 24 bits; 16 bits little-endian grey), and the colour table for 1, 4 and 8 bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct RgbColour {
    uint8_t Red;
    uint8_t Green;
    uint8_t Blue;
};

inline bool operator==(const RgbColour& a, const RgbColour& b) {
    return a.Red == b.Red && a.Green == b.Green && a.Blue == b.Blue;
}

struct Image {
    int32_t Width = 0;
    int32_t Height = 0;
    int BitsPerPixel = 0;  // 1, 4, 8, 16 or 24
    std::vector<RgbColour> Palette;
    std::vector<uint8_t> Pixels;

    size_t RowBytes() const { return RowBytesFor(Width, BitsPerPixel); }
    uint8_t* Row(int32_t y) { return Pixels.data() + static_cast<size_t>(y) * RowBytes(); }
    const uint8_t* Row(int32_t y) const {
        return Pixels.data() + static_cast<size_t>(y) * RowBytes();
    }

    static size_t RowBytesFor(int32_t width, int bitsPerPixel) {
        return (static_cast<size_t>(width) * bitsPerPixel + 7) / 8;
    }
};

// Whether a depth is one this program stores.
bool IsSupportedDepth(int bitsPerPixel);

// Sizes the image and zero-fills its pixels. False, with the reason in `error`,
// for a depth that is not supported, a non-positive size, or one too large to hold.
bool AllocateImage(Image& image, int32_t width, int32_t height, int bitsPerPixel,
                   std::string& error);

// The colour tables of the Halvard source's native images, also used for memory
// transfers, which carry no colour table: 1 bit black and white; 4 bits index
// 4r + 2g + b (red 85r, green and blue 255 or 0); 8 bits grey ramp or 3-3-2 colour
// (index 32r + 4g + b, red and green 36 n + n / 2, blue 85 b).
std::vector<RgbColour> BilevelPalette();
std::vector<RgbColour> Colour16Palette();
std::vector<RgbColour> GreyPalette();
std::vector<RgbColour> Colour256Palette();

// Whether the palette is the grey ramp of its depth (black to white in equal steps),
// in which case an index is a grey level.
bool IsGreyRamp(const std::vector<RgbColour>& palette, int bitsPerPixel);

// The colour of pixel (x, y), through the palette for 1 to 8 bits; 16-bit grey gives
// its high byte in all three.
RgbColour PixelColour(const Image& image, int32_t x, int32_t y);
