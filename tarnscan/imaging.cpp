#include "tarnscan/imaging.h"

#include <cstring>
#include <new>

namespace tarnscan {

namespace {

const uint8_t WhiteSample[3] = {255, 255, 255};

bool IsSupportedDepth(int bitsPerPixel) {
    return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 || bitsPerPixel == 16 ||
           bitsPerPixel == 24;
}

}  // namespace

bool IsValidWindow(const WindowDescriptorType& window, std::string& problem) {
    if (window.XResolution < 1 || window.YResolution < 1)
        problem = "resolution below 1";
    else if (window.ScanWidth < 1 || window.ScanLength < 1)
        problem = "width or length below 1";
    else if (window.ScanWidth > MaxLineWidth)
        problem = "width above the widest line";
    else if (window.XOffset < 0 || window.YOffset < 0)
        problem = "negative offset";
    else if (!IsSupportedDepth(window.BitsPerPixel))
        problem = "bits per pixel not 1, 4, 8, 16 or 24";
    else
        return true;
    return false;
}

bool LineRenderer::Prepare(const WindowDescriptorType& window, Paper* paper,
                           const ToneTables& tones, ColourTable& colours) {
    window_ = window;
    paper_ = paper;
    switch (window.BitsPerPixel) {
    case 24:
        encoding_ = Encoding::Rgb24;
        break;
    case 16:
        encoding_ = Encoding::Grey16;
        break;
    case 8:
        encoding_ =
            CompositionOf(window) == Composition::Greyscale ? Encoding::Grey8 : Encoding::Palette8;
        break;
    case 4:
        encoding_ = Encoding::Palette4;
        break;
    default:
        encoding_ = Encoding::Bilevel;
        break;
    }
    threshold_ = window.Threshold != 0 ? window.Threshold : window.InitialThreshold;
    for (int channel = 0; channel < 3; ++channel)
        for (int sample = 0; sample < 256; ++sample)
            toned_[channel][sample] = tones.Tone(channel, sample);

    const int64_t dpi = paper->Dpi();
    const int64_t paperWidth = paper->Width();
    const int64_t width = window.ScanWidth;
    int64_t left = window.XOffset;
    if (left == 0) {
        // Centre justification: the window's middle on the paper's middle.
        int64_t paperPixels = FloorDivide(paperWidth * window.XResolution, dpi);
        left = FloorDivide(paperPixels - width, 2);
    }
    try {
        const uint8_t* table = colours.For(window.BitsPerPixel);
        colourTable_.assign(table, table + ColourTableSize);
        deviceColumns_.resize(static_cast<size_t>(width));
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int64_t c = 0; c < width; ++c) {
        int64_t column = FloorDivide((left + c) * dpi, window.XResolution);
        deviceColumns_[static_cast<size_t>(c)] =
            column >= 0 && column < paperWidth ? static_cast<int>(column) : -1;
    }
    outputColumns_.clear();
    return SetOutputWidth(window.ScanWidth);
}

bool LineRenderer::SetOutputWidth(int width) {
    if (width == OutputWidth() && !blankLine_.empty()) return true;
    if (width < 1 || width > MaxLineWidth) return false;
    const int64_t deviceWidth = window_.ScanWidth;
    try {
        outputColumns_.resize(static_cast<size_t>(width));
        blankLine_.resize(tarnscan::LineBytes(width, window_.BitsPerPixel));
    } catch (const std::bad_alloc&) {
        outputColumns_.clear();
        blankLine_.clear();
        return false;
    }
    anyColumnOnPaper_ = false;
    for (int64_t j = 0; j < width; ++j) {
        int column = deviceColumns_[static_cast<size_t>(j * deviceWidth / width)];
        outputColumns_[static_cast<size_t>(j)] = column;
        if (column >= 0) anyColumnOnPaper_ = true;
    }
    Encode(nullptr, blankLine_.data());
    blankUniform_ = true;
    for (uint8_t byte : blankLine_)
        if (byte != blankLine_[0]) blankUniform_ = false;
    return true;
}

int64_t LineRenderer::PaperRow(int64_t line) const {
    return FloorDivide((window_.YOffset + line) * paper_->Dpi(), window_.YResolution);
}

bool LineRenderer::IsBlank(int64_t line) const {
    if (!anyColumnOnPaper_) return true;
    int64_t row = PaperRow(line);
    return row < 0 || row >= paper_->Height();
}

void LineRenderer::Render(int64_t line, uint8_t* out) {
    if (IsBlank(line)) {
        std::memcpy(out, blankLine_.data(), blankLine_.size());
        return;
    }
    Encode(paper_->Row(static_cast<int>(PaperRow(line))), out);
}

// `paperRow` null stands for a row of white paper.
void LineRenderer::Encode(const uint8_t* paperRow, uint8_t* out) const {
    const size_t width = outputColumns_.size();
    const uint8_t* red = toned_[0];
    const uint8_t* green = toned_[1];
    const uint8_t* blue = toned_[2];
    auto sample = [&](size_t j) {
        int column = outputColumns_[j];
        return paperRow && column >= 0 ? paperRow + 3 * column : WhiteSample;
    };
    auto grey = [&](const uint8_t* s) {
        return (299 * red[s[0]] + 587 * green[s[1]] + 114 * blue[s[2]] + 500) / 1000;
    };
    auto paletteIndex = [&](const uint8_t* s) {
        return colourTable_[static_cast<size_t>(Index565(red[s[0]], green[s[1]], blue[s[2]]))];
    };

    switch (encoding_) {
    case Encoding::Rgb24:
        for (size_t j = 0; j < width; ++j) {
            const uint8_t* s = sample(j);
            out[3 * j] = red[s[0]];
            out[3 * j + 1] = green[s[1]];
            out[3 * j + 2] = blue[s[2]];
        }
        break;
    case Encoding::Grey16:
        for (size_t j = 0; j < width; ++j) {
            int value = grey(sample(j)) * 257;
            out[2 * j] = static_cast<uint8_t>(value & 0xFF);
            out[2 * j + 1] = static_cast<uint8_t>(value >> 8);
        }
        break;
    case Encoding::Grey8:
        for (size_t j = 0; j < width; ++j)
            out[j] = static_cast<uint8_t>(grey(sample(j)));
        break;
    case Encoding::Palette8:
        for (size_t j = 0; j < width; ++j)
            out[j] = paletteIndex(sample(j));
        break;
    case Encoding::Palette4:
        std::memset(out, 0, (width + 1) / 2);
        for (size_t j = 0; j < width; ++j) {
            uint8_t index = paletteIndex(sample(j)) & 0x0F;
            out[j / 2] |= j % 2 == 0 ? static_cast<uint8_t>(index << 4) : index;
        }
        break;
    case Encoding::Bilevel:
        std::memset(out, 0, (width + 7) / 8);
        for (size_t j = 0; j < width; ++j)
            if (grey(sample(j)) >= threshold_) out[j / 8] |= static_cast<uint8_t>(0x80 >> (j % 8));
        break;
    }
}

}  // namespace tarnscan
