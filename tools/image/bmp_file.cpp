#include "tools/image/bmp_file.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "tools/image/dib.h"
#include "tools/image/file_io.h"
#include "tools/image/image_writer.h"

namespace {

// 8-bit grey rows from 16-bit little-endian grey: the high byte of each sample.
void HighBytes(const uint8_t* from, uint8_t* to, int32_t width) {
    for (int32_t x = 0; x < width; ++x)
        to[x] = from[2 * x + 1];
}

void BgrRow(const uint8_t* from, uint8_t* to, size_t bytes) {
    for (size_t i = 0; i + 2 < bytes; i += 3) {
        to[i] = from[i + 2];
        to[i + 1] = from[i + 1];
        to[i + 2] = from[i];
    }
}

int StoredBits(int bitsPerPixel) {
    return bitsPerPixel == 16 ? 8 : bitsPerPixel;
}

size_t HeaderBytes(int storedBits) {
    const size_t colours = storedBits <= 8 ? size_t{1} << storedBits : 0;
    return sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + 4 * colours;
}

LONG PixelsPerMetre(double dpi) {
    return static_cast<LONG>(dpi / 0.0254 + 0.5);
}

// Rows arrive top-down. A .bmp of known height stores them bottom-up, each row at
// its final offset; one whose height is known only at the end stores them top-down
// as they come (a negative biHeight), and its headers are written again, with the
// height, when it is finished. Rows are gathered in a block of about 1 MiB, so that
// one write stores many rows.
class CBmpWriter : public CImageWriter {
public:
    explicit CBmpWriter(FILE* out) : out_(out) {}

    bool Begin(const ImageFormat& format, std::string& error) override {
        format_ = format;
        topDown_ = !format.HeightKnown;
        const uint64_t fileBytes = BmpFileBytes(format);
        if (fileBytes > 0xffffffffull) {
            error = "a .bmp file cannot hold this image (" + std::to_string(fileBytes / 1000000) +
                    " MB, the format stops at 4 GiB): write .tif instead";
            return false;
        }
        const int bits = StoredBits(format.BitsPerPixel);
        palette_ = format.BitsPerPixel == 16 ? GreyPalette() : format.Palette;
        palette_.resize(bits <= 8 ? size_t{1} << bits : 0, RgbColour{0, 0, 0});
        stride_ = DibStride(format.Width, bits);
        offBits_ = HeaderBytes(bits);
        blockRows_ = static_cast<uint32_t>(std::max<size_t>(1, (1 << 20) / stride_));
        block_.assign(static_cast<size_t>(blockRows_) * stride_, 0);
        const std::vector<uint8_t> head = Head(format.Height);
        if (!WriteBytes(out_, head.data(), head.size())) {
            error = LastFileError();
            return false;
        }
        return true;
    }

    bool WriteRow(const uint8_t* row, std::string& error) override {
        // The block holds rows [blockTop_, blockTop_ + blockRows_) in file order.
        const uint32_t index = nextRow_ - blockTop_;
        const uint32_t slot = topDown_ ? index : blockRows_ - 1 - index;
        uint8_t* to = block_.data() + static_cast<size_t>(slot) * stride_;
        if (format_.BitsPerPixel == 16)
            HighBytes(row, to, format_.Width);
        else if (format_.BitsPerPixel == 24)
            BgrRow(row, to, format_.RowBytes());
        else
            std::memcpy(to, row, format_.RowBytes());
        ++nextRow_;
        const bool last = format_.HeightKnown && nextRow_ == uint32_t(format_.Height);
        if (nextRow_ - blockTop_ == blockRows_ || last) return FlushBlock(error);
        return true;
    }

    bool Finish(std::string& error) override {
        if (topDown_ && nextRow_ > blockTop_ && !FlushBlock(error)) return false;
        if (!RowsComplete(format_, nextRow_, error)) return false;
        if (!topDown_) return true;
        const std::vector<uint8_t> head = Head(static_cast<int32_t>(nextRow_));
        if (!WriteAt(out_, 0, head.data(), head.size())) {
            error = LastFileError();
            return false;
        }
        return true;
    }

private:
    // The file header, the bitmap header and the colour table for `rows` rows,
    // stored top-down when the height was not known up front.
    std::vector<uint8_t> Head(int32_t rows) const {
        const uint64_t fileBytes = offBits_ + static_cast<uint64_t>(stride_) * rows;
        BITMAPFILEHEADER file{};
        file.bfType = 0x4d42;  // "BM"
        file.bfSize = static_cast<DWORD>(fileBytes);
        file.bfOffBits = static_cast<DWORD>(offBits_);
        BITMAPINFOHEADER info{};
        info.biSize = sizeof info;
        info.biWidth = format_.Width;
        info.biHeight = topDown_ ? -rows : rows;
        info.biPlanes = 1;
        info.biBitCount = static_cast<WORD>(StoredBits(format_.BitsPerPixel));
        info.biCompression = BI_RGB;
        info.biSizeImage = static_cast<DWORD>(stride_ * rows);
        info.biXPelsPerMeter = PixelsPerMetre(format_.XResolution);
        info.biYPelsPerMeter = PixelsPerMetre(format_.YResolution);
        info.biClrUsed = static_cast<DWORD>(palette_.size());
        std::vector<uint8_t> head(offBits_);
        std::memcpy(head.data(), &file, sizeof file);
        std::memcpy(head.data() + sizeof file, &info, sizeof info);
        uint8_t* quad = head.data() + sizeof file + sizeof info;
        for (const RgbColour& colour : palette_) {
            quad[0] = colour.Blue, quad[1] = colour.Green, quad[2] = colour.Red, quad[3] = 0;
            quad += 4;
        }
        return head;
    }

    bool FlushBlock(std::string& error) {
        const uint32_t rows = nextRow_ - blockTop_;
        // Top-down the block's first row is the highest in the file, bottom-up its
        // last row is.
        const uint32_t firstInFile = topDown_ ? blockTop_ : format_.Height - nextRow_;
        const uint64_t offset = offBits_ + static_cast<uint64_t>(firstInFile) * stride_;
        const size_t bytes = static_cast<size_t>(rows) * stride_;
        if (offset + bytes > 0xffffffffull) {
            error = "a .bmp file cannot pass 4 GiB: write .tif instead";
            return false;
        }
        const uint8_t* first = block_.data() + (topDown_ ? 0 : block_.size() - bytes);
        if (!WriteAt(out_, offset, first, bytes)) {
            error = LastFileError();
            return false;
        }
        blockTop_ = nextRow_;
        return true;
    }

    FILE* out_;
    ImageFormat format_;
    bool topDown_ = false;
    std::vector<RgbColour> palette_;
    size_t stride_ = 0;
    size_t offBits_ = 0;
    uint32_t blockRows_ = 1;
    uint32_t blockTop_ = 0;
    uint32_t nextRow_ = 0;
    std::vector<uint8_t> block_;
};

}  // namespace

uint64_t BmpFileBytes(const ImageFormat& format) {
    const int bits = StoredBits(format.BitsPerPixel);
    return HeaderBytes(bits) + static_cast<uint64_t>(DibStride(format.Width, bits)) * format.Height;
}

std::unique_ptr<CImageWriter> MakeBmpWriter(FILE* out) {
    return std::make_unique<CBmpWriter>(out);
}

bool WriteBmp(const std::string& path, const Image& image, std::string& error) {
    COutputFile output;
    if (!output.Create(path, error)) return false;
    std::unique_ptr<CImageWriter> writer = MakeBmpWriter(output.Get());
    bool ok = WriteWholeImage(*writer, image, error);
    if (!output.Close() && ok) {
        error = "cannot write " + path + ": " + LastFileError();
        ok = false;
    }
    return ok;
}

bool ReadBmp(const std::string& path, Image& image, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) {
        error = "cannot open " + path;
        return false;
    }
    BITMAPFILEHEADER file;
    if (bytes.size() < sizeof file) {
        error = path + " is too short for a .bmp file";
        return false;
    }
    std::memcpy(&file, bytes.data(), sizeof file);
    if (file.bfType != 0x4d42 || file.bfOffBits > bytes.size()) {
        error = path + " is not a .bmp file";
        return false;
    }
    const size_t dibBytes = bytes.size() - sizeof file;
    if (!ImageFromDib(bytes.data() + sizeof file, dibBytes, image, error)) return false;
    // The rows must start where the file header says.
    BITMAPINFOHEADER info;
    std::memcpy(&info, bytes.data() + sizeof file, sizeof info);
    const size_t colours =
        info.biBitCount <= 8 ? (info.biClrUsed ? info.biClrUsed : 1u << info.biBitCount) : 0;
    if (file.bfOffBits != sizeof file + info.biSize + 4 * colours) {
        error = path + ": pixel offset does not follow the colour table";
        return false;
    }
    return true;
}
