#include "tarnscan/paper.h"

#include <cctype>
#include <cstdio>
#include <new>

#include "tarnscan/chart.h"

namespace tarnscan {

namespace {

// Limits a picture to what a 32-bit process can hold comfortably.
constexpr long long MaxPictureSamples = 512ll * 1024 * 1024;

class File {
public:
    explicit File(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {}
    ~File() {
        if (file_) std::fclose(file_);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    FILE* get() const { return file_; }

private:
    FILE* file_;
};

// Skips blanks and '#' comments between header fields.
void SkipSeparators(FILE* file) {
    for (;;) {
        int c = std::fgetc(file);
        if (c == '#') {
            while (c != EOF && c != '\n' && c != '\r')
                c = std::fgetc(file);
        } else if (c == EOF || !std::isspace(c)) {
            if (c != EOF) std::ungetc(c, file);
            return;
        }
    }
}

bool ReadHeaderNumber(FILE* file, long long limit, long long& value) {
    SkipSeparators(file);
    value = 0;
    int digits = 0;
    int c = std::fgetc(file);
    while (c != EOF && std::isdigit(c)) {
        value = value * 10 + (c - '0');
        if (value > limit) return false;
        ++digits;
        c = std::fgetc(file);
    }
    if (c != EOF) std::ungetc(c, file);
    return digits > 0;
}

}  // namespace

ChartPaper::ChartPaper() : row_(static_cast<size_t>(ChartWidth) * 3) {}
int ChartPaper::Width() const {
    return ChartWidth;
}
int ChartPaper::Height() const {
    return ChartHeight;
}
int ChartPaper::Dpi() const {
    return ChartDpi;
}

const uint8_t* ChartPaper::Row(int y) {
    if (y != rowIndex_) {
        ChartRow(y, row_.data());
        rowIndex_ = y;
    }
    return row_.data();
}

PicturePaper::PicturePaper(int width, int height, int dpi, std::vector<uint8_t> samples)
    : width_(width), height_(height), dpi_(dpi), samples_(std::move(samples)) {}

std::unique_ptr<Paper> LoadPictureFile(const std::string& path, int dpi, std::string& problem) {
    File file(path);
    if (!file.get()) {
        problem = "cannot open the document '" + path + "'";
        return nullptr;
    }
    int magic0 = std::fgetc(file.get());
    int magic1 = std::fgetc(file.get());
    if (magic0 != 'P' || (magic1 != '6' && magic1 != '5')) {
        problem = "the document '" + path + "' is not a binary PPM (P6) or PGM (P5)";
        return nullptr;
    }
    int channels = magic1 == '6' ? 3 : 1;
    long long width = 0, height = 0, maximum = 0;
    if (!ReadHeaderNumber(file.get(), 1 << 24, width) ||
        !ReadHeaderNumber(file.get(), 1 << 24, height) ||
        !ReadHeaderNumber(file.get(), 65535, maximum)) {
        problem = "the document '" + path + "' has a malformed header";
        return nullptr;
    }
    if (width < 1 || height < 1 || maximum < 1 || maximum > 255 ||
        width * height * 3 > MaxPictureSamples) {
        problem = "the document '" + path + "' is empty, too large or not 8 bits a sample";
        return nullptr;
    }
    int separator = std::fgetc(file.get());
    if (separator == EOF || !std::isspace(separator)) {
        problem = "the document '" + path + "' has a malformed header";
        return nullptr;
    }

    size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    std::vector<uint8_t> samples;
    std::vector<uint8_t> raw;
    try {
        samples.resize(pixels * 3);
        raw.resize(pixels * channels);
    } catch (const std::bad_alloc&) {
        problem = "no memory for the document '" + path + "'";
        return nullptr;
    }
    if (std::fread(raw.data(), 1, raw.size(), file.get()) != raw.size()) {
        problem = "the document '" + path + "' is shorter than its header says";
        return nullptr;
    }
    for (size_t i = 0; i < pixels; ++i) {
        for (int c = 0; c < 3; ++c) {
            int value = raw[i * channels + (channels == 3 ? c : 0)];
            if (maximum != 255) value = static_cast<int>((value * 255 + maximum / 2) / maximum);
            samples[i * 3 + c] = static_cast<uint8_t>(value > 255 ? 255 : value);
        }
    }
    return std::unique_ptr<Paper>(new PicturePaper(
        static_cast<int>(width), static_cast<int>(height), dpi, std::move(samples)));
}

std::unique_ptr<Paper> MakePaper(const std::string& document, int dpi, std::string& problem) {
    if (document.empty()) return std::unique_ptr<Paper>(new ChartPaper);
    if (document == "flat") return std::unique_ptr<Paper>(new FlatPaper);
    return LoadPictureFile(document, dpi, problem);
}

}  // namespace tarnscan
