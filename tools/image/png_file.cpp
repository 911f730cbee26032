#include "tools/image/png_file.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tools/image/file_io.h"
#include "tools/image/image_writer.h"

namespace {

const uint8_t Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr uint8_t Grey = 0;
constexpr uint8_t Rgb = 2;
constexpr uint8_t Indexed = 3;
constexpr size_t IdatChunk = 1 << 16;

void PutBigEndian32(uint8_t* at, uint32_t value) {
    at[0] = uint8_t(value >> 24);
    at[1] = uint8_t(value >> 16);
    at[2] = uint8_t(value >> 8);
    at[3] = uint8_t(value);
}

uint32_t BigEndian32(const uint8_t* at) {
    return uint32_t(at[0]) << 24 | uint32_t(at[1]) << 16 | uint32_t(at[2]) << 8 | at[3];
}

// What surrounds a chunk's data: its length and type before, its CRC after.
struct ChunkFrame {
    uint8_t head[8];
    uint8_t tail[4];
};

ChunkFrame FrameOf(const char type[4], const uint8_t* data, size_t length) {
    ChunkFrame frame;
    PutBigEndian32(frame.head, static_cast<uint32_t>(length));
    std::memcpy(frame.head + 4, type, 4);
    uLong crc = crc32(0L, frame.head + 4, 4);
    if (length) crc = crc32(crc, data, static_cast<uInt>(length));
    PutBigEndian32(frame.tail, static_cast<uint32_t>(crc));
    return frame;
}

class ChunkWriter {
public:
    explicit ChunkWriter(FILE* out) : out_(out) {}

    bool Chunk(const char type[4], const uint8_t* data, size_t length) {
        const ChunkFrame frame = FrameOf(type, data, length);
        return WriteBytes(out_, frame.head, 8) && WriteBytes(out_, data, length) &&
               WriteBytes(out_, frame.tail, 4);
    }

    // Writes the chunk over the one of the same length at `offset`.
    bool ChunkAt(uint64_t offset, const char type[4], const uint8_t* data, size_t length) {
        const ChunkFrame frame = FrameOf(type, data, length);
        return WriteAt(out_, offset, frame.head, 8) && WriteBytes(out_, data, length) &&
               WriteBytes(out_, frame.tail, 4);
    }

private:
    FILE* out_;
};

struct PngFormat {
    uint8_t colourType;
    uint8_t bitDepth;
};

PngFormat FormatFor(const ImageFormat& image) {
    if (image.BitsPerPixel == 24) return {Rgb, 8};
    if (image.BitsPerPixel == 16) return {Grey, 16};
    if (IsGreyRamp(image.Palette, image.BitsPerPixel)) return {Grey, uint8_t(image.BitsPerPixel)};
    return {Indexed, uint8_t(image.BitsPerPixel)};
}

uint32_t PixelsPerMetre(double dpi) {
    return static_cast<uint32_t>(dpi / 0.0254 + 0.5);
}

// Each row, with its filter byte 0 (16-bit samples turned big-endian), goes through
// one deflate stream; the compressed bytes leave as IDAT chunks of up to 64 KiB. A
// length known only at the end is written into IHDR, right after the signature,
// when the image is finished.
class CPngWriter : public CImageWriter {
public:
    explicit CPngWriter(FILE* out) : out_(out), chunks_(out) {}
    ~CPngWriter() override {
        if (started_) deflateEnd(&stream_);
    }

    bool Begin(const ImageFormat& format, std::string& error) override {
        format_ = format;
        const PngFormat png = FormatFor(format);
        PutBigEndian32(header_, static_cast<uint32_t>(format.Width));
        PutBigEndian32(header_ + 4, static_cast<uint32_t>(format.Height));
        header_[8] = png.bitDepth;
        header_[9] = png.colourType;
        header_[10] = 0;  // deflate
        header_[11] = 0;  // adaptive filtering, each row's filter byte
        header_[12] = 0;  // no interlace
        bool ok = WriteBytes(out_, Signature, sizeof Signature) &&
                  chunks_.Chunk("IHDR", header_, sizeof header_);
        if (ok && format.XResolution > 0 && format.YResolution > 0) {
            uint8_t physical[9];
            PutBigEndian32(physical, PixelsPerMetre(format.XResolution));
            PutBigEndian32(physical + 4, PixelsPerMetre(format.YResolution));
            physical[8] = 1;  // the unit is the metre
            ok = chunks_.Chunk("pHYs", physical, sizeof physical);
        }
        if (ok && png.colourType == Indexed) {
            std::vector<uint8_t> plte;
            for (const RgbColour& colour : format.Palette) {
                plte.push_back(colour.Red);
                plte.push_back(colour.Green);
                plte.push_back(colour.Blue);
            }
            ok = chunks_.Chunk("PLTE", plte.data(), plte.size());
        }
        if (!ok) {
            error = LastFileError();
            return false;
        }
        if (deflateInit(&stream_, Z_DEFAULT_COMPRESSION) != Z_OK) {
            error = "cannot start zlib's deflate";
            return false;
        }
        started_ = true;
        row_.assign(format.RowBytes() + 1, 0);
        compressed_.resize(IdatChunk);
        return true;
    }

    bool WriteRow(const uint8_t* from, std::string& error) override {
        const size_t bytes = format_.RowBytes();
        ++rows_;
        if (format_.BitsPerPixel != 16) {
            const uint8_t filter = 0;
            return Deflate(&filter, 1, Z_NO_FLUSH, error) &&
                   Deflate(from, bytes, Z_NO_FLUSH, error);
        }
        for (size_t i = 0; i + 1 < bytes; i += 2) {
            row_[1 + i] = from[i + 1];
            row_[2 + i] = from[i];
        }
        return Deflate(row_.data(), row_.size(), Z_NO_FLUSH, error);
    }

    bool Finish(std::string& error) override {
        if (!RowsComplete(format_, rows_, error)) return false;
        if (!Deflate(nullptr, 0, Z_FINISH, error)) return false;
        bool ok = chunks_.Chunk("IEND", nullptr, 0);
        if (ok && !format_.HeightKnown) {
            PutBigEndian32(header_ + 4, static_cast<uint32_t>(rows_));
            ok = chunks_.ChunkAt(sizeof Signature, "IHDR", header_, sizeof header_);
        }
        if (!ok) {
            error = LastFileError();
            return false;
        }
        return true;
    }

private:
    bool Deflate(const uint8_t* data, size_t bytes, int flush, std::string& error) {
        stream_.next_in = const_cast<uint8_t*>(data);
        stream_.avail_in = static_cast<uInt>(bytes);
        int result;
        do {
            stream_.next_out = compressed_.data() + pending_;
            stream_.avail_out = static_cast<uInt>(compressed_.size() - pending_);
            result = deflate(&stream_, flush);
            pending_ = compressed_.size() - stream_.avail_out;
            // Full chunks leave at once; the rest when the stream ends.
            if (pending_ == compressed_.size() || (flush == Z_FINISH && pending_ > 0)) {
                if (!chunks_.Chunk("IDAT", compressed_.data(), pending_)) {
                    error = LastFileError();
                    return false;
                }
                pending_ = 0;
            }
        } while (stream_.avail_in > 0 || (flush == Z_FINISH && result != Z_STREAM_END));
        return true;
    }

    FILE* out_;
    ChunkWriter chunks_;
    ImageFormat format_;
    uint8_t header_[13] = {};  // IHDR's data
    z_stream stream_{};
    bool started_ = false;
    uint64_t rows_ = 0;
    std::vector<uint8_t> row_;
    std::vector<uint8_t> compressed_;
    size_t pending_ = 0;
};

}  // namespace

std::unique_ptr<CImageWriter> MakePngWriter(FILE* out) {
    return std::make_unique<CPngWriter>(out);
}

bool WritePng(const std::string& path, const Image& image, std::string& error) {
    COutputFile output;
    if (!output.Create(path, error)) return false;
    std::unique_ptr<CImageWriter> writer = MakePngWriter(output.Get());
    bool ok = WriteWholeImage(*writer, image, error);
    if (!output.Close() && ok) {
        error = "cannot write " + path + ": " + LastFileError();
        ok = false;
    }
    return ok;
}

namespace {

int Paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

// Undoes the row filter in place; `previous` is the unfiltered row above (zeros for
// the first row); bpp the filter's byte distance.
bool Unfilter(uint8_t filter, uint8_t* row, const uint8_t* previous, size_t bytes, size_t bpp) {
    for (size_t i = 0; i < bytes; ++i) {
        const int a = i >= bpp ? row[i - bpp] : 0;
        const int b = previous[i];
        const int c = i >= bpp ? previous[i - bpp] : 0;
        switch (filter) {
        case 0:
            break;
        case 1:
            row[i] = uint8_t(row[i] + a);
            break;
        case 2:
            row[i] = uint8_t(row[i] + b);
            break;
        case 3:
            row[i] = uint8_t(row[i] + (a + b) / 2);
            break;
        case 4:
            row[i] = uint8_t(row[i] + Paeth(a, b, c));
            break;
        default:
            return false;
        }
    }
    return true;
}

}  // namespace

bool ReadPng(const std::string& path, Image& image, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) {
        error = "cannot open " + path;
        return false;
    }
    if (bytes.size() < 8 || std::memcmp(bytes.data(), Signature, 8) != 0) {
        error = path + " is not a PNG file";
        return false;
    }
    uint32_t width = 0, height = 0;
    uint8_t depth = 0, colourType = 0xff;
    std::vector<RgbColour> palette;
    std::vector<uint8_t> compressed;
    bool ended = false;
    size_t at = 8;
    while (!ended) {
        if (bytes.size() - at < 12) {
            error = path + ": truncated chunk";
            return false;
        }
        const uint32_t length = BigEndian32(&bytes[at]);
        if (length > bytes.size() - at - 12) {
            error = path + ": chunk longer than the file";
            return false;
        }
        const uint8_t* type = &bytes[at + 4];
        const uint8_t* data = type + 4;
        const uLong crc = crc32(crc32(0L, type, 4), data, length);
        if (crc != BigEndian32(data + length)) {
            error = path + ": CRC mismatch in chunk " +
                    std::string(reinterpret_cast<const char*>(type), 4);
            return false;
        }
        if (std::memcmp(type, "IHDR", 4) == 0 && length == 13) {
            width = BigEndian32(data);
            height = BigEndian32(data + 4);
            depth = data[8];
            colourType = data[9];
            if (data[10] != 0 || data[11] != 0 || data[12] != 0) {
                error = path + ": unsupported compression, filter method or interlace";
                return false;
            }
        } else if (std::memcmp(type, "PLTE", 4) == 0) {
            for (uint32_t i = 0; i + 2 < length; i += 3)
                palette.push_back({data[i], data[i + 1], data[i + 2]});
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            compressed.insert(compressed.end(), data, data + length);
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            ended = true;
        }
        at += 12 + length;
    }

    int bits = 0;
    if (colourType == Rgb && depth == 8)
        bits = 24;
    else if (colourType == Grey && (depth == 1 || depth == 4 || depth == 8 || depth == 16))
        bits = depth;
    else if (colourType == Indexed && (depth == 1 || depth == 4 || depth == 8))
        bits = depth;
    if (bits == 0 || width > 0x7fffffff || height > 0x7fffffff) {
        error = path + ": unsupported colour type " + std::to_string(colourType) + " at depth " +
                std::to_string(depth);
        return false;
    }
    if (!AllocateImage(image, int32_t(width), int32_t(height), bits, error)) return false;
    image.Palette = colourType == Indexed ? palette : std::vector<RgbColour>();
    if (colourType == Grey && bits <= 8) {
        for (uint32_t i = 0, n = 1u << bits; i < n; ++i) {
            const uint8_t level = uint8_t(i * 255 / (n - 1));
            image.Palette.push_back({level, level, level});
        }
    }

    const size_t rowBytes = image.RowBytes();
    const uLongf expected = static_cast<uLongf>((rowBytes + 1) * height);
    std::vector<uint8_t> raw(expected);
    uLongf produced = expected;
    if (uncompress(raw.data(), &produced, compressed.data(),
                   static_cast<uLong>(compressed.size())) != Z_OK ||
        produced != expected) {
        error = path + ": image data does not inflate to " + std::to_string(expected) + " bytes";
        return false;
    }
    const size_t filterDistance = bits >= 8 ? bits / 8 : 1;
    std::vector<uint8_t> previous(rowBytes, 0);
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = &raw[y * (rowBytes + 1)];
        if (!Unfilter(row[0], row + 1, previous.data(), rowBytes, filterDistance)) {
            error = path + ": unknown row filter " + std::to_string(row[0]);
            return false;
        }
        std::memcpy(previous.data(), row + 1, rowBytes);
        uint8_t* to = image.Row(int32_t(y));
        if (bits == 16) {
            for (size_t i = 0; i + 1 < rowBytes; i += 2) {
                to[i] = row[2 + i];
                to[i + 1] = row[1 + i];
            }
        } else {
            std::memcpy(to, row + 1, rowBytes);
        }
    }
    return true;
}
