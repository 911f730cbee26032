// Baseline TIFF (and BigTIFF), little-endian, one image: the header, the strips as
// the rows arrive, then the strip tables, the other out-of-line values and the
// directory at the end, and last the header's pointer to the directory. As the
// directory comes last, an image whose length is known only at its end is written
// the same way, and gives the same file.
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "tools/image/file_io.h"
#include "tools/image/group4.h"
#include "tools/image/image_writer.h"
#include "tools/image/packbits.h"

namespace {

constexpr size_t StripTarget = 256 * 1024;  // uncompressed bytes per strip
constexpr uint64_t ClassicLimit = 0xffffffffull;

enum TiffType : uint16_t { ShortType = 3, LongType = 4, RationalType = 5, Long8Type = 16 };
enum Photometric : uint16_t { MinIsWhite = 0, MinIsBlack = 1, Rgb = 2, PaletteIndexed = 3 };

uint16_t CompressionTag(TiffCompression compression) {
    switch (compression) {
    case TiffCompression::PackBits:
        return 32773;
    case TiffCompression::Deflate:
        return 8;
    case TiffCompression::Group4:
        return 4;
    default:
        return 1;
    }
}

struct Entry {
    uint16_t Tag;
    uint16_t Type;
    uint64_t Count;
    std::vector<uint8_t> Data;  // little-endian values
};

template <typename T>
void Append(std::vector<uint8_t>& bytes, T value) {
    for (size_t i = 0; i < sizeof(T); ++i)
        bytes.push_back(static_cast<uint8_t>(static_cast<uint64_t>(value) >> (8 * i)));
}

Entry Shorts(uint16_t tag, const std::vector<uint16_t>& values) {
    Entry entry{tag, ShortType, values.size(), {}};
    for (uint16_t value : values)
        Append(entry.Data, value);
    return entry;
}

Entry Long(uint16_t tag, uint32_t value) {
    Entry entry{tag, LongType, 1, {}};
    Append(entry.Data, value);
    return entry;
}

// Resolution in hundredths of a dot per inch.
Entry Rational(uint16_t tag, double dpi) {
    Entry entry{tag, RationalType, 1, {}};
    Append(entry.Data, static_cast<uint32_t>(dpi * 100 + 0.5));
    Append(entry.Data, uint32_t{100});
    return entry;
}

Entry Offsets(uint16_t tag, const std::vector<uint64_t>& values, bool big) {
    Entry entry{tag, big ? Long8Type : LongType, values.size(), {}};
    for (uint64_t value : values) {
        if (big)
            Append(entry.Data, value);
        else
            Append(entry.Data, static_cast<uint32_t>(value));
    }
    return entry;
}

class CTiffWriter : public CImageWriter {
public:
    CTiffWriter(FILE* out, TiffCompression compression, bool forceBig)
        : out_(out), compression_(compression), big_(forceBig) {}
    ~CTiffWriter() override {
        if (deflating_) deflateEnd(&stream_);
    }

    bool Begin(const ImageFormat& format, std::string& error) override {
        format_ = format;
        bilevel_ = format.BitsPerPixel == 1 && IsGreyRamp(format.Palette, 1);
        if (compression_ == TiffCompression::Group4 && !bilevel_) {
            error = "Group 4 compression is for black-and-white images only";
            return false;
        }
        if (compression_ == TiffCompression::Deflate) {
            if (deflateInit(&stream_, Z_DEFAULT_COMPRESSION) != Z_OK) {
                error = "cannot start zlib's deflate";
                return false;
            }
            deflating_ = true;
        }
        if (compression_ == TiffCompression::Group4)
            group4_.reset(new CGroup4Encoder(format.Width));
        const size_t rowBytes = format.RowBytes();
        rowsPerStrip_ = static_cast<uint32_t>(std::max<size_t>(1, StripTarget / rowBytes));
        if (format.HeightKnown)
            rowsPerStrip_ = std::min<uint32_t>(rowsPerStrip_, static_cast<uint32_t>(format.Height));
        strip_.reserve(static_cast<size_t>(rowsPerStrip_) * rowBytes);
        big_ = big_ || WorstCaseBytes() > ClassicLimit;

        std::vector<uint8_t> header = {'I', 'I'};
        if (big_) {
            Append(header, uint16_t{43});
            Append(header, uint16_t{8});  // offsets of 8 bytes
            Append(header, uint16_t{0});
            Append(header, uint64_t{0});  // the directory's offset, written at the end
        } else {
            Append(header, uint16_t{42});
            Append(header, uint32_t{0});
        }
        if (!WriteBytes(out_, header.data(), header.size())) {
            error = LastFileError();
            return false;
        }
        position_ = header.size();
        return true;
    }

    bool WriteRow(const uint8_t* row, std::string& error) override {
        // Uncompressed rows go straight to the file and Deflate takes each row as
        // it comes; the other codings work on the whole strip.
        if (compression_ == TiffCompression::None) {
            if (!WriteBytes(out_, row, format_.RowBytes())) {
                error = LastFileError();
                return false;
            }
        } else if (compression_ == TiffCompression::Deflate) {
            if (!Deflate(row, format_.RowBytes(), Z_NO_FLUSH, error)) return false;
        } else {
            strip_.insert(strip_.end(), row, row + format_.RowBytes());
        }
        ++rows_;
        if (++rowsInStrip_ == rowsPerStrip_) return FlushStrip(error);
        return true;
    }

    bool Finish(std::string& error) override {
        if (rowsInStrip_ > 0 && !FlushStrip(error)) return false;
        if (!RowsComplete(format_, rows_, error)) return false;
        // A length learnt at the end caps the strips as a known one did at the start.
        rowsPerStrip_ = static_cast<uint32_t>(std::min<uint64_t>(rowsPerStrip_, rows_));
        return WriteDirectory(error);
    }

private:
    // What the file could come to: compressed data may grow a little (PackBits,
    // Deflate) or, for the worst bilevel pattern, several times (Group 4). An image
    // of unknown length without a bound could come to anything.
    uint64_t WorstCaseBytes() const {
        if (!format_.HeightKnown && format_.Height == 0) return UINT64_MAX;
        const uint64_t raw = format_.ImageBytes();
        const uint64_t strips = (format_.Height + rowsPerStrip_ - 1) / rowsPerStrip_;
        const uint64_t data =
            compression_ == TiffCompression::Group4 ? raw * 10 : raw + raw / 64 + strips * 64;
        return data + strips * 16 + 64 * 1024;
    }

    bool FlushStrip(std::string& error) {
        const size_t rowBytes = format_.RowBytes();
        const uint8_t* data = strip_.data();
        size_t bytes = strip_.size();
        if (compression_ != TiffCompression::Deflate) encoded_.clear();
        switch (compression_) {
        case TiffCompression::PackBits:
            for (uint32_t r = 0; r < rowsInStrip_; ++r)
                PackBitsRow(strip_.data() + r * rowBytes, rowBytes, encoded_);
            data = encoded_.data(), bytes = encoded_.size();
            break;
        case TiffCompression::Deflate:
            if (!Deflate(nullptr, 0, Z_FINISH, error)) return false;
            deflateReset(&stream_);
            data = encoded_.data(), bytes = deflated_;
            deflated_ = 0;
            break;
        case TiffCompression::Group4:
            EncodeGroup4Strip();
            data = encoded_.data(), bytes = encoded_.size();
            break;
        default:
            bytes = static_cast<size_t>(rowsInStrip_) * rowBytes;  // written row by row
            break;
        }
        if (!big_ && position_ + bytes > ClassicLimit) {
            error = "the file would pass 4 GiB";
            return false;
        }
        if (compression_ != TiffCompression::None && !WriteBytes(out_, data, bytes)) {
            error = LastFileError();
            return false;
        }
        offsets_.push_back(position_);
        counts_.push_back(bytes);
        position_ += bytes;
        strip_.clear();
        rowsInStrip_ = 0;
        return true;
    }

    // Adds to the strip's zlib stream, whose output collects in encoded_.
    bool Deflate(const uint8_t* data, size_t bytes, int flush, std::string& error) {
        stream_.next_in = const_cast<uint8_t*>(data);
        stream_.avail_in = static_cast<uInt>(bytes);
        int result;
        do {
            if (encoded_.size() - deflated_ < 64 * 1024)
                encoded_.resize(encoded_.size() * 2 + StripTarget);
            stream_.next_out = encoded_.data() + deflated_;
            stream_.avail_out = static_cast<uInt>(encoded_.size() - deflated_);
            result = deflate(&stream_, flush);
            deflated_ = encoded_.size() - stream_.avail_out;
            if (result == Z_STREAM_ERROR) {
                error = "zlib's deflate failed";
                return false;
            }
        } while (stream_.avail_in > 0 || (flush == Z_FINISH && result != Z_STREAM_END));
        return true;
    }

    // Group 4 codes black as 1, so the rows (1 for white) are inverted and the file
    // says 0 is white.
    void EncodeGroup4Strip() {
        const size_t rowBytes = format_.RowBytes();
        inverted_.resize(rowBytes);
        group4_->Reset();
        for (uint32_t r = 0; r < rowsInStrip_; ++r) {
            const uint8_t* row = strip_.data() + r * rowBytes;
            for (size_t i = 0; i < rowBytes; ++i)
                inverted_[i] = static_cast<uint8_t>(~row[i]);
            group4_->EncodeRow(inverted_.data(), encoded_);
        }
        group4_->End(encoded_);
    }

    Photometric PhotometricOfImage() const {
        if (format_.BitsPerPixel == 24) return Rgb;
        if (compression_ == TiffCompression::Group4) return MinIsWhite;
        if (format_.BitsPerPixel == 16 || IsGreyRamp(format_.Palette, format_.BitsPerPixel))
            return MinIsBlack;
        return PaletteIndexed;
    }

    std::vector<Entry> Entries() const {
        const Photometric photometric = PhotometricOfImage();
        const bool rgb = photometric == Rgb;
        const uint16_t bits = static_cast<uint16_t>(rgb ? 8 : format_.BitsPerPixel);
        std::vector<Entry> entries = {
            Long(256, static_cast<uint32_t>(format_.Width)),
            Long(257, static_cast<uint32_t>(rows_)),
            Shorts(258, rgb ? std::vector<uint16_t>{8, 8, 8} : std::vector<uint16_t>{bits}),
            Shorts(259, {CompressionTag(compression_)}),
            Shorts(262, {photometric}),
            Offsets(273, offsets_, big_),
            Shorts(277, {static_cast<uint16_t>(rgb ? 3 : 1)}),
            Long(278, rowsPerStrip_),
            Offsets(279, counts_, big_),
        };
        if (format_.XResolution > 0 && format_.YResolution > 0) {
            entries.push_back(Rational(282, format_.XResolution));
            entries.push_back(Rational(283, format_.YResolution));
        }
        entries.push_back(Shorts(284, {1}));  // samples interleaved
        if (compression_ == TiffCompression::Group4) entries.push_back(Long(293, 0));
        if (format_.XResolution > 0) entries.push_back(Shorts(296, {2}));  // per inch
        if (photometric == PaletteIndexed) {
            // Red, then green, then blue, 16 bits each, for every index.
            const size_t colours = size_t{1} << format_.BitsPerPixel;
            std::vector<uint16_t> map(3 * colours, 0);
            for (size_t i = 0; i < colours && i < format_.Palette.size(); ++i) {
                map[i] = format_.Palette[i].Red * 257;
                map[colours + i] = format_.Palette[i].Green * 257;
                map[2 * colours + i] = format_.Palette[i].Blue * 257;
            }
            entries.push_back(Shorts(320, map));
        }
        return entries;
    }

    // Out-of-line values first, then the directory, at the end of the file.
    bool WriteDirectory(std::string& error) {
        const std::vector<Entry> entries = Entries();
        const size_t inlineBytes = big_ ? 8 : 4;
        // Every offset is even: a pad byte after odd-length strip data.
        std::vector<uint8_t> tail(position_ & 1, 0);
        std::vector<uint64_t> valueOffsets;
        for (const Entry& entry : entries) {
            valueOffsets.push_back(position_ + tail.size());
            if (entry.Data.size() > inlineBytes) {
                tail.insert(tail.end(), entry.Data.begin(), entry.Data.end());
                if (tail.size() & 1) tail.push_back(0);
            }
        }
        const uint64_t directory = position_ + tail.size();
        if (!big_ && directory + 6 + 12 * entries.size() > ClassicLimit) {
            error = "the file would pass 4 GiB";
            return false;
        }
        std::vector<uint8_t> ifd;
        if (big_)
            Append(ifd, static_cast<uint64_t>(entries.size()));
        else
            Append(ifd, static_cast<uint16_t>(entries.size()));
        for (size_t i = 0; i < entries.size(); ++i) {
            const Entry& entry = entries[i];
            Append(ifd, entry.Tag);
            Append(ifd, entry.Type);
            std::vector<uint8_t> value = entry.Data;
            if (value.size() > inlineBytes) {
                value.clear();
                if (big_)
                    Append(value, valueOffsets[i]);
                else
                    Append(value, static_cast<uint32_t>(valueOffsets[i]));
            }
            value.resize(inlineBytes, 0);
            if (big_)
                Append(ifd, entry.Count);
            else
                Append(ifd, static_cast<uint32_t>(entry.Count));
            ifd.insert(ifd.end(), value.begin(), value.end());
        }
        ifd.resize(ifd.size() + inlineBytes, 0);  // no next directory
        tail.insert(tail.end(), ifd.begin(), ifd.end());

        std::vector<uint8_t> pointer;
        if (big_)
            Append(pointer, directory);
        else
            Append(pointer, static_cast<uint32_t>(directory));
        if (!WriteBytes(out_, tail.data(), tail.size()) ||
            !WriteAt(out_, big_ ? 8 : 4, pointer.data(), pointer.size())) {
            error = LastFileError();
            return false;
        }
        return true;
    }

    FILE* out_;
    TiffCompression compression_;
    bool big_;
    ImageFormat format_;
    bool bilevel_ = false;
    uint32_t rowsPerStrip_ = 1;
    uint32_t rowsInStrip_ = 0;
    uint64_t rows_ = 0;
    uint64_t position_ = 0;
    std::vector<uint8_t> strip_;
    std::vector<uint8_t> encoded_;
    size_t deflated_ = 0;  // bytes of encoded_ the strip's zlib stream has filled
    std::vector<uint8_t> inverted_;
    std::vector<uint64_t> offsets_;
    std::vector<uint64_t> counts_;
    z_stream stream_{};
    bool deflating_ = false;
    std::unique_ptr<CGroup4Encoder> group4_;
};

}  // namespace

std::unique_ptr<CImageWriter> MakeTiffWriter(FILE* out, TiffCompression compression,
                                             bool forceBig) {
    return std::make_unique<CTiffWriter>(out, compression, forceBig);
}
