// The simulated scanner's imaging model, so that tests compute every byte they
// expect: which paper pixel each delivered pixel shows, how a pixel becomes bytes
// (tone tables of white 255, black 0, gamma 1.0; grey; 16-bit grey; threshold; the
// source's colour translation), and where the native image puts each line.
// Header-only: the unit and the integration tests share it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tarnscan/tarnscan.h"

// A small paper: every pixel a different colour, so that a misplaced pixel shows.
struct TestPaper {
    int Width = 0;
    int Height = 0;
    int Dpi = 100;
    std::vector<uint8_t> Rgb;  // Width x Height x 3, top row first

    const uint8_t* Pixel(int x, int y) const {
        return &Rgb[(static_cast<size_t>(y) * Width + x) * 3];
    }
};

// What the device is given and what it delivers.
struct ModelWindow {
    int XResolution = 100;  // as programmed into the device
    int YResolution = 100;
    int XOffset = 1;  // 0: centred on the paper
    int YOffset = 0;
    int DeviceWidth = 0;  // pixels the device scans
    int OutputWidth = 0;  // pixels of each delivered line (wider when interpolated)
    int Length = 0;
    int BitsPerPixel = 24;
    Composition ImageComposition = Composition::RgbColour;
    int Threshold = 128;
    int InitialThreshold = 120;
};

namespace imaging_model {

inline int64_t FloorDivide(int64_t a, int64_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// The tone table of white 255, black 0, gamma 1.0 at the 12-bit level of an 8-bit
// sample: 255 x level / 4096, rounded half up.
inline uint8_t Toned(uint8_t sample) {
    const int level = sample * 16 + sample / 16;
    return static_cast<uint8_t>((255 * level + 2048) / 4096);
}

inline int Grey(const uint8_t* rgb) {
    return (299 * rgb[0] + 587 * rgb[1] + 114 * rgb[2] + 500) / 1000;
}

// The palette index the source's colour translation table gives a toned pixel.
inline int PaletteIndexOf(const uint8_t* rgb, int bitsPerPixel) {
    const int r = rgb[0] >> 3, g = rgb[1] >> 2, b = rgb[2] >> 3;
    if (bitsPerPixel == 8) return 32 * (r / 4) + 4 * (g / 8) + b / 8;
    return 4 * (r / 8) + 2 * (g / 32) + b / 16;
}

inline void EncodePixel(const uint8_t* rgb, int j, const ModelWindow& window, uint8_t* line) {
    switch (window.BitsPerPixel) {
    case 24:
        std::copy(rgb, rgb + 3, line + 3 * j);
        break;
    case 16: {
        const int value = Grey(rgb) * 257;
        line[2 * j] = static_cast<uint8_t>(value & 0xFF);
        line[2 * j + 1] = static_cast<uint8_t>(value >> 8);
        break;
    }
    case 8:
        line[j] = static_cast<uint8_t>(
            window.ImageComposition == Composition::Greyscale ? Grey(rgb) : PaletteIndexOf(rgb, 8));
        break;
    case 4:
        line[j / 2] |= static_cast<uint8_t>(PaletteIndexOf(rgb, 4) << (j % 2 == 0 ? 4 : 0));
        break;
    case 1: {
        const int threshold = window.Threshold != 0 ? window.Threshold : window.InitialThreshold;
        if (Grey(rgb) >= threshold) line[j / 8] |= static_cast<uint8_t>(0x80 >> (j % 8));
        break;
    }
    }
}

}  // namespace imaging_model

inline TestPaper MakePaper(int width, int height, int dpi) {
    TestPaper paper;
    paper.Width = width;
    paper.Height = height;
    paper.Dpi = dpi;
    paper.Rgb.resize(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &paper.Rgb[(static_cast<size_t>(y) * width + x) * 3];
            p[0] = static_cast<uint8_t>(x * 37 + y * 11);
            p[1] = static_cast<uint8_t>(x * 5 + y * 29 + 60);
            p[2] = static_cast<uint8_t>(x * x + y * 3 + 128);
        }
    }
    return paper;
}

// Unpadded bytes of one line.
inline uint32_t LineBytes(int width, int bitsPerPixel) {
    return static_cast<uint32_t>((static_cast<int64_t>(width) * bitsPerPixel + 7) / 8);
}

// The device's byte stream (unpadded lines, top first) for the window.
inline std::vector<uint8_t> ExpectedStream(const TestPaper& paper, const ModelWindow& window) {
    const uint32_t lineBytes = LineBytes(window.OutputWidth, window.BitsPerPixel);
    std::vector<uint8_t> stream(static_cast<size_t>(lineBytes) * window.Length, 0);
    int64_t left = window.XOffset;
    if (left == 0) {
        const int64_t paperPixels =
            imaging_model::FloorDivide(int64_t{paper.Width} * window.XResolution, paper.Dpi);
        left = imaging_model::FloorDivide(paperPixels - window.DeviceWidth, 2);
    }
    static const uint8_t white[3] = {255, 255, 255};
    for (int r = 0; r < window.Length; ++r) {
        uint8_t* line = &stream[static_cast<size_t>(r) * lineBytes];
        const int64_t paperRow = imaging_model::FloorDivide(
            (int64_t{window.YOffset} + r) * paper.Dpi, window.YResolution);
        for (int j = 0; j < window.OutputWidth; ++j) {
            const int64_t devicePixel = int64_t{j} * window.DeviceWidth / window.OutputWidth;
            const int64_t paperColumn =
                imaging_model::FloorDivide((left + devicePixel) * paper.Dpi, window.XResolution);
            const bool onPaper = paperRow >= 0 && paperRow < paper.Height && paperColumn >= 0 &&
                                 paperColumn < paper.Width;
            const uint8_t* sample =
                onPaper ? paper.Pixel(static_cast<int>(paperColumn), static_cast<int>(paperRow))
                        : white;
            const uint8_t toned[3] = {imaging_model::Toned(sample[0]),
                                      imaging_model::Toned(sample[1]),
                                      imaging_model::Toned(sample[2])};
            imaging_model::EncodePixel(toned, j, window, line);
        }
    }
    return stream;
}

// FNV-1a 64-bit, as the call log prints it.
inline std::string Fnv1a64(const uint8_t* data, size_t bytes) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (size_t i = 0; i < bytes; ++i) {
        hash ^= data[i];
        hash *= 0x100000001b3ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

// The native rows expected for a device stream: bottom-up, 4-byte stride, BGR for
// 24 bits, zero padding.
inline std::vector<uint8_t> ExpectedDibPixels(const std::vector<uint8_t>& stream,
                                              uint32_t lineBytes, uint32_t rows, int bitsPerPixel) {
    const uint32_t stride = (lineBytes + 3) / 4 * 4;
    std::vector<uint8_t> pixels(static_cast<size_t>(stride) * rows, 0);
    for (uint32_t i = 0; i < rows; ++i) {
        uint8_t* row = &pixels[static_cast<size_t>(rows - 1 - i) * stride];
        std::copy_n(&stream[static_cast<size_t>(i) * lineBytes], lineBytes, row);
        if (bitsPerPixel == 24) {
            for (uint32_t p = 0; p + 2 < lineBytes; p += 3)
                std::swap(row[p], row[p + 2]);
        }
    }
    return pixels;
}
