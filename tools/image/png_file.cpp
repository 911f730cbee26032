#include "tools/image/png_file.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tools/image/file_io.h"

namespace {

const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr uint8_t kGrey = 0;
constexpr uint8_t kRgb = 2;
constexpr uint8_t kIndexed = 3;
constexpr size_t kIdatChunk = 1 << 16;

void PutBigEndian32(uint8_t* at, uint32_t value) {
    at[0] = uint8_t(value >> 24);
    at[1] = uint8_t(value >> 16);
    at[2] = uint8_t(value >> 8);
    at[3] = uint8_t(value);
}

uint32_t BigEndian32(const uint8_t* at) {
    return uint32_t(at[0]) << 24 | uint32_t(at[1]) << 16 | uint32_t(at[2]) << 8 | at[3];
}

class PngWriter {
public:
    explicit PngWriter(FILE* out) : out_(out) {}

    bool Chunk(const char type[4], const uint8_t* data, size_t length) {
        uint8_t head[8];
        PutBigEndian32(head, static_cast<uint32_t>(length));
        std::memcpy(head + 4, type, 4);
        uLong crc = crc32(0L, head + 4, 4);
        if (length) crc = crc32(crc, data, static_cast<uInt>(length));
        uint8_t tail[4];
        PutBigEndian32(tail, static_cast<uint32_t>(crc));
        return std::fwrite(head, 8, 1, out_) == 1 &&
               (length == 0 || std::fwrite(data, length, 1, out_) == 1) &&
               std::fwrite(tail, 4, 1, out_) == 1;
    }

private:
    FILE* out_;
};

struct PngFormat {
    uint8_t colourType;
    uint8_t bitDepth;
};

PngFormat FormatFor(const Image& image) {
    if (image.BitsPerPixel == 24) return {kRgb, 8};
    if (image.BitsPerPixel == 16) return {kGrey, 16};
    if (IsGreyRamp(image.Palette, image.BitsPerPixel)) return {kGrey, uint8_t(image.BitsPerPixel)};
    return {kIndexed, uint8_t(image.BitsPerPixel)};
}

// One row as PNG stores it: a filter byte 0, then the samples, 16-bit big-endian.
void PngRow(const Image& image, int32_t y, std::vector<uint8_t>& row) {
    const size_t bytes = image.RowBytes();
    row.resize(bytes + 1);
    row[0] = 0;
    const uint8_t* from = image.Row(y);
    if (image.BitsPerPixel == 16) {
        for (size_t i = 0; i + 1 < bytes; i += 2) {
            row[1 + i] = from[i + 1];
            row[2 + i] = from[i];
        }
    } else {
        std::memcpy(row.data() + 1, from, bytes);
    }
}

bool WriteImageData(PngWriter& writer, const Image& image, std::string& error) {
    z_stream stream{};
    if (deflateInit(&stream, Z_DEFAULT_COMPRESSION) != Z_OK) {
        error = "cannot start zlib's deflate";
        return false;
    }
    std::vector<uint8_t> compressed(kIdatChunk);
    std::vector<uint8_t> row;
    bool ok = true;
    for (int32_t y = 0; ok && y <= image.Height; ++y) {
        const bool last = y == image.Height;
        if (!last) PngRow(image, y, row);
        stream.next_in = last ? nullptr : row.data();
        stream.avail_in = last ? 0 : static_cast<uInt>(row.size());
        int result;
        do {
            stream.next_out = compressed.data();
            stream.avail_out = static_cast<uInt>(compressed.size());
            result = deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
            const size_t produced = compressed.size() - stream.avail_out;
            if (produced) ok = ok && writer.Chunk("IDAT", compressed.data(), produced);
        } while (ok && (stream.avail_out == 0 || (last && result != Z_STREAM_END)));
    }
    deflateEnd(&stream);
    if (!ok) error = "cannot write the image data";
    return ok;
}

}  // namespace

bool WritePng(const std::string& path, const Image& image, std::string& error) {
    const PngFormat format = FormatFor(image);
    COutputFile output;
    if (!output.Create(path, error)) return false;
    FILE* const out = output.Get();
    PngWriter writer(out);
    uint8_t header[13];
    PutBigEndian32(header, static_cast<uint32_t>(image.Width));
    PutBigEndian32(header + 4, static_cast<uint32_t>(image.Height));
    header[8] = format.bitDepth;
    header[9] = format.colourType;
    header[10] = 0;  // deflate
    header[11] = 0;  // adaptive filtering, each row's filter byte
    header[12] = 0;  // no interlace
    bool ok = std::fwrite(kSignature, sizeof kSignature, 1, out) == 1 &&
              writer.Chunk("IHDR", header, sizeof header);
    if (ok && format.colourType == kIndexed) {
        std::vector<uint8_t> plte;
        for (const RgbColour& colour : image.Palette) {
            plte.push_back(colour.Red);
            plte.push_back(colour.Green);
            plte.push_back(colour.Blue);
        }
        ok = writer.Chunk("PLTE", plte.data(), plte.size());
    }
    std::string dataError;
    ok = ok && WriteImageData(writer, image, dataError);
    ok = ok && writer.Chunk("IEND", nullptr, 0);
    ok = output.Close() && ok;
    if (!ok) error = dataError.empty() ? "cannot write " + path : dataError + " of " + path;
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
    if (bytes.size() < 8 || std::memcmp(bytes.data(), kSignature, 8) != 0) {
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
    if (colourType == kRgb && depth == 8)
        bits = 24;
    else if (colourType == kGrey && (depth == 1 || depth == 4 || depth == 8 || depth == 16))
        bits = depth;
    else if (colourType == kIndexed && (depth == 1 || depth == 4 || depth == 8))
        bits = depth;
    if (bits == 0 || width > 0x7fffffff || height > 0x7fffffff) {
        error = path + ": unsupported colour type " + std::to_string(colourType) + " at depth " +
                std::to_string(depth);
        return false;
    }
    if (!AllocateImage(image, int32_t(width), int32_t(height), bits, error)) return false;
    image.Palette = colourType == kIndexed ? palette : std::vector<RgbColour>();
    if (colourType == kGrey && bits <= 8) {
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
