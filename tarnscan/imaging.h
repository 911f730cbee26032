// The imaging model: which paper pixel each delivered pixel shows (the window,
// centre justification, nearest-neighbour sampling, widening by replication) and
// how a pixel becomes bytes (tone tables, grey, 16-bit grey, threshold, palette).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tarnscan/paper.h"
#include "tarnscan/tables.h"
#include "tarnscan/tarnscan.h"

namespace tarnscan {

// The widest line the scanner delivers, in pixels (after widening too).
constexpr int MaxLineWidth = 1 << 20;

// Whether the window can be scanned; `problem` says why not.
bool IsValidWindow(const WindowDescriptorType& window, std::string& problem);

// Bytes of an unpadded line of `width` pixels.
inline size_t LineBytes(int width, int bitsPerPixel) {
    return static_cast<size_t>((static_cast<int64_t>(width) * bitsPerPixel + 7) / 8);
}

// Floor division (the quotient rounded toward minus infinity), b > 0.
inline int64_t FloorDivide(int64_t a, int64_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

class LineRenderer {
public:
    // Fixes the geometry and the tables for one scan. False when memory fails.
    bool Prepare(const WindowDescriptorType& window, Paper* paper, const ToneTables& tones,
                 ColourTable& colours);
    // Delivered lines of `width` pixels, each device line widened by replication.
    bool SetOutputWidth(int width);

    int DeviceWidth() const { return window_.ScanWidth; }
    int OutputWidth() const { return static_cast<int>(outputColumns_.size()); }
    size_t LineBytes() const { return blankLine_.size(); }

    // Whether line `line` shows no paper at all (every sample white).
    bool IsBlank(int64_t line) const;
    // Whether no line of the scan shows paper (flat paper, or a window beside it).
    bool AllBlank() const { return !anyColumnOnPaper_; }
    // A blank line as delivered; uniform when all its bytes are equal.
    const uint8_t* BlankLine() const { return blankLine_.data(); }
    bool BlankIsUniform() const { return blankUniform_; }

    // Writes line `line` (LineBytes() bytes) to `out`.
    void Render(int64_t line, uint8_t* out);

private:
    enum class Encoding { Rgb24, Grey16, Grey8, Palette8, Palette4, Bilevel };

    int64_t PaperRow(int64_t line) const;
    void Encode(const uint8_t* paperRow, uint8_t* out) const;

    WindowDescriptorType window_{};
    Paper* paper_ = nullptr;
    Encoding encoding_ = Encoding::Rgb24;
    int threshold_ = 0;
    uint8_t toned_[3][256] = {};
    std::vector<uint8_t> colourTable_;
    std::vector<int> deviceColumns_;  // paper column of each device pixel, -1 off the paper
    std::vector<int> outputColumns_;  // paper column of each delivered pixel
    bool anyColumnOnPaper_ = false;
    std::vector<uint8_t> blankLine_;
    bool blankUniform_ = false;
};

}  // namespace tarnscan
