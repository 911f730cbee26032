// The image files twacquire writes, read back: every depth through .png and .bmp,
// DIB rows as readers lay them out, and damaged input refused.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "tests/tools/twacquire_runner.h"
#include "tools/image/bmp_file.h"
#include "tools/image/dib.h"
#include "tools/image/file_io.h"
#include "tools/image/image_writer.h"
#include "tools/image/png_file.h"

namespace {

// Pixels that differ from row to row and byte to byte, with the padding bits of the
// last byte of each row clear (as a transfer leaves them).
Image PatternImage(int32_t width, int32_t height, int bits, std::vector<RgbColour> palette) {
    Image image;
    std::string error;
    EXPECT_TRUE(AllocateImage(image, width, height, bits, error)) << error;
    image.Palette = palette;
    for (int32_t y = 0; y < height; ++y)
        for (size_t i = 0; i < image.RowBytes(); ++i)
            image.Row(y)[i] = static_cast<uint8_t>(y * 31 + i * 7 + 3);
    const size_t usedBits = static_cast<size_t>(width) * bits % 8;
    if (usedBits)
        for (int32_t y = 0; y < height; ++y)
            image.Row(y)[image.RowBytes() - 1] &= uint8_t(0xff << (8 - usedBits));
    return image;
}

bool SamePixels(const Image& a, const Image& b) {
    return a.Width == b.Width && a.Height == b.Height && a.BitsPerPixel == b.BitsPerPixel &&
           a.Pixels == b.Pixels;
}

struct DepthCase {
    const char* name;
    int bits;
    std::vector<RgbColour> palette;
};

class ImageFileRoundTrip : public ::testing::TestWithParam<DepthCase> {};

TEST_P(ImageFileRoundTrip, PngAndBmpGiveBackEveryPixelAndTheColourTable) {
    const DepthCase& c = GetParam();
    const std::string base = MakeScratchDirectory("round_trip") + c.name;
    for (int32_t width : {1, 13, 37}) {
        const Image image = PatternImage(width, 5, c.bits, c.palette);
        std::string error;
        Image png, bmp;
        ASSERT_TRUE(WritePng(base + ".png", image, error)) << error;
        ASSERT_TRUE(ReadPng(base + ".png", png, error)) << error;
        EXPECT_TRUE(SamePixels(image, png)) << "width " << width;
        EXPECT_TRUE(image.Palette == png.Palette) << "width " << width;

        ASSERT_TRUE(WriteBmp(base + ".bmp", image, error)) << error;
        ASSERT_TRUE(ReadBmp(base + ".bmp", bmp, error)) << error;
        EXPECT_TRUE(SamePixels(image, bmp)) << "width " << width;
        EXPECT_TRUE(image.Palette == bmp.Palette) << "width " << width;
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, ImageFileRoundTrip,
                         ::testing::Values(DepthCase{"bilevel", 1, BilevelPalette()},
                                           DepthCase{"colour16", 4, Colour16Palette()},
                                           DepthCase{"grey", 8, GreyPalette()},
                                           DepthCase{"colour256", 8, Colour256Palette()},
                                           DepthCase{"rgb", 24, {}}),
                         [](const ::testing::TestParamInfo<DepthCase>& info) {
                             return info.param.name;
                         });

// Every depth, at widths that end inside a byte, with rows full of changes, in each
// TIFF compression that applies; the Linux side reads the files against the
// patterns (there is no TIFF reader here).
TEST(ImageFiles, TiffOfEveryDepthAndCompressionForTheLinuxReaders) {
    const struct {
        const char* name;
        int bits;
        std::vector<RgbColour> palette;
    } depths[] = {{"bilevel", 1, BilevelPalette()},
                  {"colour16", 4, Colour16Palette()},
                  {"grey", 8, GreyPalette()},
                  {"colour256", 8, Colour256Palette()},
                  {"grey16", 16, {}},
                  {"rgb", 24, {}}};
    const struct {
        const char* name;
        TiffCompression compression;
    } compressions[] = {{"none", TiffCompression::None},
                        {"packbits", TiffCompression::PackBits},
                        {"deflate", TiffCompression::Deflate},
                        {"g4", TiffCompression::Group4}};
    const std::string folder = CheckedFilesDirectory();
    for (const auto& depth : depths)
        for (const auto& compression : compressions) {
            if (compression.compression == TiffCompression::Group4 && depth.bits != 1) continue;
            for (int32_t width : {1, 13, 37, 300}) {
                const std::string path = folder + "pattern_" + depth.name + "_" + compression.name +
                                         "_" + std::to_string(width) + ".tif";
                SCOPED_TRACE(path);
                const Image image = PatternImage(width, 7, depth.bits, depth.palette);
                COutputFile file;
                std::string error;
                ASSERT_TRUE(file.Create(path, error)) << error;
                std::unique_ptr<CImageWriter> writer =
                    MakeTiffWriter(file.Get(), compression.compression);
                ASSERT_TRUE(WriteWholeImage(*writer, image, error)) << error;
                ASSERT_TRUE(file.Close());
                WriteExpectedImage(path + ".expected", image, 0, 0);
            }
        }
}

bool WriteRows(CImageWriter& writer, const ImageFormat& format, const Image& image,
               std::string& error) {
    bool ok = writer.Begin(format, error);
    for (int32_t y = 0; ok && y < image.Height; ++y)
        ok = writer.WriteRow(image.Row(y), error);
    return ok && writer.Finish(error);
}

// A file whose length became known only after its last row is the file written
// with the length known up front: TIFF, BigTIFF and PNG byte for byte (the Linux
// side reads them again), BMP (stored top-down then) with the same pixels, colour
// table and headers but for the sign of the height.
TEST(ImageFiles, LengthKnownOnlyAtTheEndGivesTheSameImage) {
    const struct {
        const char* name;
        std::unique_ptr<CImageWriter> (*make)(FILE*);
        int bits;
        std::vector<RgbColour> palette;
    } cases[] = {
        {"tiff.tif", [](FILE* f) { return MakeTiffWriter(f, TiffCompression::Deflate); }, 24, {}},
        {"bigtiff.tif", [](FILE* f) { return MakeTiffWriter(f, TiffCompression::Group4, true); }, 1,
         BilevelPalette()},
        {"png.png", MakePngWriter, 8, Colour256Palette()},
        {"bmp.bmp", MakeBmpWriter, 4, Colour16Palette()},
    };
    const std::string folder = CheckedFilesDirectory();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Image image = PatternImage(301, 700, c.bits, c.palette);  // TIFF: several strips
        ImageFormat format = FormatOf(image);
        format.XResolution = 150, format.YResolution = 100;
        std::vector<uint8_t> files[2];
        std::string error;
        for (bool known : {true, false}) {
            const std::string path =
                folder + (known ? "length_up_front_" : "length_at_end_") + c.name;
            format.HeightKnown = known;
            format.Height = known ? image.Height : 3 * image.Height;  // the longest expected
            COutputFile file;
            ASSERT_TRUE(file.Create(path, error)) << error;
            ASSERT_TRUE(WriteRows(*c.make(file.Get()), format, image, error)) << error;
            ASSERT_TRUE(file.Close());
            ASSERT_TRUE(ReadWholeFile(path, files[known]));
            if (!known) WriteExpectedImage(path + ".expected", image, 150, 100);
        }
        if (std::string(c.name) != "bmp.bmp") {
            EXPECT_TRUE(files[0] == files[1]);
            continue;
        }
        Image bmp;
        ASSERT_TRUE(ReadBmp(folder + "length_at_end_bmp.bmp", bmp, error)) << error;
        EXPECT_TRUE(SamePixels(image, bmp) && image.Palette == bmp.Palette);
        BITMAPINFOHEADER headers[2];
        for (int i : {0, 1})
            std::memcpy(&headers[i], files[i].data() + sizeof(BITMAPFILEHEADER), sizeof headers[i]);
        headers[0].biHeight = -headers[0].biHeight;
        EXPECT_EQ(0, std::memcmp(&headers[0], &headers[1], sizeof headers[0]));
        EXPECT_EQ(0, std::memcmp(files[0].data(), files[1].data(), sizeof(BITMAPFILEHEADER)));
    }
}

TEST(ImageFiles, SixteenBitGreyIsExactInPngAndItsHighBytesInBmp) {
    const std::string base = MakeScratchDirectory("grey16") + "grey16";
    const Image image = PatternImage(11, 4, 16, {});
    std::string error;
    Image png, bmp;
    ASSERT_TRUE(WritePng(base + ".png", image, error)) << error;
    ASSERT_TRUE(ReadPng(base + ".png", png, error)) << error;
    EXPECT_TRUE(SamePixels(image, png));

    ASSERT_TRUE(WriteBmp(base + ".bmp", image, error)) << error;
    ASSERT_TRUE(ReadBmp(base + ".bmp", bmp, error)) << error;
    ASSERT_EQ(8, bmp.BitsPerPixel);
    EXPECT_TRUE(bmp.Palette == GreyPalette());
    for (int32_t y = 0; y < image.Height; ++y)
        for (int32_t x = 0; x < image.Width; ++x)
            ASSERT_EQ(image.Row(y)[2 * x + 1], bmp.Row(y)[x]);
}

// A 24-bit DIB as a native transfer hands it over: bottom-up, blue-green-red, rows
// padded to 4 bytes.
std::vector<uint8_t> RgbDib(int32_t width, int32_t height) {
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
    std::vector<uint8_t> block(sizeof(BITMAPINFOHEADER) + stride * height, 0);
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    std::memcpy(block.data(), &header, sizeof header);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = block.data() + sizeof header + (height - 1 - y) * stride;
        for (int32_t x = 0; x < width; ++x) {
            row[3 * x] = uint8_t(x);        // blue
            row[3 * x + 1] = uint8_t(y);    // green
            row[3 * x + 2] = uint8_t(100);  // red
        }
    }
    return block;
}

TEST(Dib, RowsComeTopDownInRedGreenBlueOrder) {
    const std::vector<uint8_t> block = RgbDib(5, 3);
    Image image;
    std::string error;
    ASSERT_TRUE(ImageFromDib(block.data(), block.size(), image, error)) << error;
    ASSERT_EQ(5, image.Width);
    ASSERT_EQ(3, image.Height);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x) {
            const RgbColour colour = PixelColour(image, x, y);
            EXPECT_EQ(100, colour.Red);
            EXPECT_EQ(y, colour.Green);
            EXPECT_EQ(x, colour.Blue);
        }
}

TEST(Dib, BlockShorterThanItsHeaderSaysIsRefused) {
    const std::vector<uint8_t> block = RgbDib(5, 3);
    Image image;
    std::string error;
    for (size_t size : {block.size() - 1, sizeof(BITMAPINFOHEADER), size_t{10}}) {
        EXPECT_FALSE(ImageFromDib(block.data(), size, image, error)) << size;
        EXPECT_FALSE(error.empty());
    }
}

TEST(Dib, CompressedOrOddDepthIsRefused) {
    std::vector<uint8_t> block = RgbDib(5, 3);
    BITMAPINFOHEADER header;
    std::memcpy(&header, block.data(), sizeof header);
    Image image;
    std::string error;
    for (auto change : {+[](BITMAPINFOHEADER& h) { h.biCompression = BI_RLE8; },
                        +[](BITMAPINFOHEADER& h) { h.biBitCount = 32; },
                        +[](BITMAPINFOHEADER& h) { h.biWidth = 0; }}) {
        BITMAPINFOHEADER changed = header;
        change(changed);
        std::memcpy(block.data(), &changed, sizeof changed);
        EXPECT_FALSE(ImageFromDib(block.data(), block.size(), image, error));
    }
}

TEST(ImageFiles, PngWithADamagedChunkIsRefused) {
    const std::string path = MakeScratchDirectory("damaged") + "damaged.png";
    std::string error;
    ASSERT_TRUE(WritePng(path, PatternImage(9, 9, 24, {}), error)) << error;
    FILE* file = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(nullptr, file);
    std::fseek(file, 8 + 8 + 13 + 4 + 8 + 2, SEEK_SET);  // inside the first IDAT's data
    std::fputc(0x55, file);
    std::fclose(file);
    Image image;
    EXPECT_FALSE(ReadPng(path, image, error));
    EXPECT_NE(std::string::npos, error.find("CRC")) << error;
}

}  // namespace
