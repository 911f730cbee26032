#include "engine/dib_builder.h"

namespace {

RGBQUAD Entry(int red, int green, int blue) {
    RGBQUAD entry;
    entry.rgbBlue = static_cast<BYTE>(blue);
    entry.rgbGreen = static_cast<BYTE>(green);
    entry.rgbRed = static_cast<BYTE>(red);
    entry.rgbReserved = 0;
    return entry;
}

// Index 4r + 2g + b: red in four levels, green and blue on or off.
void WriteSixteenColours(RGBQUAD* table) {
    for (int index = 0; index < 16; ++index) {
        const int r = index / 4, g = (index / 2) % 2, b = index % 2;
        table[index] = Entry(85 * r, 255 * g, 255 * b);
    }
}

// Index 32r + 4g + b: red and green in eight levels (0, 36, 73, ... 255), blue in four.
void WriteThreeThreeTwo(RGBQUAD* table) {
    for (int index = 0; index < 256; ++index) {
        const int r = index / 32, g = (index / 4) % 8, b = index % 4;
        table[index] = Entry(36 * r + r / 2, 36 * g + g / 2, 85 * b);
    }
}

}  // namespace

uint32_t ColourTableEntries(int32_t bitsPerPixel) {
    switch (bitsPerPixel) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

uint32_t DibHeaderBytes(int32_t bitsPerPixel) {
    return sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD) * ColourTableEntries(bitsPerPixel);
}

LONG PixelsPerMetre(int32_t dotsPerInch) {
    if (dotsPerInch <= 0) return 0;
    // One inch is 0.0254 metres.
    return static_cast<LONG>((static_cast<int64_t>(dotsPerInch) * 10000 + 127) / 254);
}

void WriteDibHeader(BITMAPINFOHEADER& header, int32_t width, int32_t height, int32_t bitsPerPixel,
                    int32_t xResolution, int32_t yResolution) {
    header = BITMAPINFOHEADER();
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitsPerPixel);
    header.biCompression = BI_RGB;
    const uint64_t stride = (static_cast<uint64_t>(width) * bitsPerPixel + 31) / 32 * 4;
    header.biSizeImage = static_cast<DWORD>(stride * static_cast<uint64_t>(height));
    header.biXPelsPerMeter = PixelsPerMetre(xResolution);
    header.biYPelsPerMeter = PixelsPerMetre(yResolution);
}

void WriteColourTable(RGBQUAD* table, int32_t bitsPerPixel, Composition composition) {
    switch (bitsPerPixel) {
    case 1:
        table[0] = Entry(0, 0, 0);
        table[1] = Entry(255, 255, 255);
        break;
    case 4:
        WriteSixteenColours(table);
        break;
    case 8:
        if (composition == Composition::Greyscale) {
            for (int i = 0; i < 256; ++i)
                table[i] = Entry(i, i, i);
        } else {
            WriteThreeThreeTwo(table);
        }
        break;
    default:
        break;
    }
}
