// The paper in the simulated scanner: a PPM/PGM file, the built-in chart, or flat
// white paper. Beyond its edges the paper is white.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarnscan {

class Paper {
public:
    virtual ~Paper() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual int Dpi() const = 0;
    // Red, green, blue samples of row y (0 <= y < Height()), Width() * 3 bytes.
    // Valid until the next call.
    virtual const uint8_t* Row(int y) = 0;
};

// A paper with no extent: every sample the scanner sees is white.
class FlatPaper : public Paper {
public:
    int Width() const override { return 0; }
    int Height() const override { return 0; }
    int Dpi() const override { return 100; }
    const uint8_t* Row(int) override { return nullptr; }
};

// The built-in chart, one row computed at a time.
class ChartPaper : public Paper {
public:
    ChartPaper();
    int Width() const override;
    int Height() const override;
    int Dpi() const override;
    const uint8_t* Row(int y) override;

private:
    std::vector<uint8_t> row_;
    int rowIndex_ = -1;
};

// A picture loaded from a file, held as red, green, blue samples.
class PicturePaper : public Paper {
public:
    PicturePaper(int width, int height, int dpi, std::vector<uint8_t> samples);
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    int Dpi() const override { return dpi_; }
    const uint8_t* Row(int y) override {
        return samples_.data() + static_cast<size_t>(y) * width_ * 3;
    }

private:
    int width_;
    int height_;
    int dpi_;
    std::vector<uint8_t> samples_;
};

// Reads a binary PPM (P6) or PGM (P5) with samples of at most 8 bits (a maximum
// value below 255 is scaled to 0..255). Null with `problem` set on failure.
std::unique_ptr<Paper> LoadPictureFile(const std::string& path, int dpi, std::string& problem);

// The paper that TARNSCAN_DOCUMENT names: "flat", a file, or the chart when empty.
std::unique_ptr<Paper> MakePaper(const std::string& document, int dpi, std::string& problem);

}  // namespace tarnscan
