// Image files written row by row as a transfer delivers them: the writer is told the
// image's shape first, then receives its rows top to bottom, then finishes the
// file. Nothing holds the whole image, so any size can be written. The length may
// be unknown until the last row (a sheet whose end the scanner detects): each
// format then records it when the writer finishes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tools/image/image.h"

struct ImageFormat {
    int32_t Width = 0;
    int32_t Height = 0;
    // False: the image ends with the last row written, and Height is only the most
    // rows it may have, for choices made up front (0: no bound).
    bool HeightKnown = true;
    int BitsPerPixel = 0;  // 1, 4, 8, 16 or 24
    std::vector<RgbColour> Palette;
    double XResolution = 0;  // dots per inch; 0: unknown
    double YResolution = 0;

    size_t RowBytes() const { return Image::RowBytesFor(Width, BitsPerPixel); }
    uint64_t ImageBytes() const { return static_cast<uint64_t>(RowBytes()) * Height; }
};

class CImageWriter {
public:
    virtual ~CImageWriter() = default;
    // Writes what comes before the rows. False, with the reason in `error`, for a
    // shape the format cannot hold.
    virtual bool Begin(const ImageFormat& format, std::string& error) = 0;
    // The next row, top to bottom, as the transfer delivers it: unpadded, red-green-
    // blue for 24 bits, 16-bit grey little-endian.
    virtual bool WriteRow(const uint8_t* row, std::string& error) = 0;
    // Writes what comes after the rows; the caller closes the file. False when the
    // rows written are not the image's length (or, for an unknown length, none).
    virtual bool Finish(std::string& error) = 0;
};

enum class TiffCompression { None, PackBits, Deflate, Group4 };

// Writers into an open file positioned at its start (the file must allow seeking).
std::unique_ptr<CImageWriter> MakeBmpWriter(FILE* out);
std::unique_ptr<CImageWriter> MakePngWriter(FILE* out);
// forceBig: BigTIFF even for a small file (otherwise chosen when the file could
// pass 4 GiB).
std::unique_ptr<CImageWriter> MakeTiffWriter(FILE* out, TiffCompression compression,
                                             bool forceBig = false);

// Whether `rows` rows make the whole image: its Height when known, at least one row
// otherwise; false, with the reason in `error`, when not.
bool RowsComplete(const ImageFormat& format, uint64_t rows, std::string& error);

// The .bmp file's size for this shape; a .bmp cannot pass 4 GiB.
uint64_t BmpFileBytes(const ImageFormat& format);

// The format of a whole image in memory, for writing it in one go.
ImageFormat FormatOf(const Image& image);
bool WriteWholeImage(CImageWriter& writer, const Image& image, std::string& error);
