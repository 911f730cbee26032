// The row assembler as a memory transfer drives it: blocks of whole rows, pieces of
// rows and rows out of order must reach the writer as the image's rows, in order;
// blocks outside the image or beyond the window are refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "tools/image/image_writer.h"
#include "tools/twacquire/row_assembler.h"

namespace {

class CCollectingWriter : public CImageWriter {
public:
    explicit CCollectingWriter(size_t rowBytes) : rowBytes_(rowBytes) {}
    bool Begin(const ImageFormat&, std::string&) override { return true; }
    bool WriteRow(const uint8_t* row, std::string&) override {
        rows.insert(rows.end(), row, row + rowBytes_);
        return true;
    }
    bool Finish(std::string&) override { return true; }
    std::vector<uint8_t> rows;

private:
    size_t rowBytes_;
};

struct Piece {
    TW_IMAGEMEMXFER block;
    std::vector<uint8_t> bytes;
};

// The image cut as a source with a small buffer cuts it: `columns` pixels of
// `rows` rows per block, rows `stride` bytes apart in the buffer.
std::vector<Piece> Cut(const std::vector<uint8_t>& image, uint32_t width, uint32_t height, int bits,
                       uint32_t columns, uint32_t rows) {
    const size_t rowBytes = (size_t(width) * bits + 7) / 8;
    std::vector<Piece> pieces;
    for (uint32_t y = 0; y < height; y += rows)
        for (uint32_t x = 0; x < width; x += columns) {
            Piece piece{};
            TW_IMAGEMEMXFER& block = piece.block;
            block.XOffset = x;
            block.YOffset = y;
            block.Columns = std::min(columns, width - x);
            block.Rows = std::min(rows, height - y);
            const size_t start = size_t(x) * bits / 8;
            const size_t bytes = (size_t(block.Columns) * bits + 7) / 8;
            block.BytesPerRow = static_cast<TW_UINT32>(bytes + 3);  // padded in the buffer
            for (uint32_t r = 0; r < block.Rows; ++r) {
                const uint8_t* from = image.data() + (y + r) * rowBytes + start;
                piece.bytes.insert(piece.bytes.end(), from, from + bytes);
                piece.bytes.resize(piece.bytes.size() + 3, 0xee);
            }
            block.BytesWritten = static_cast<TW_UINT32>(piece.bytes.size());
            pieces.push_back(piece);
        }
    return pieces;
}

TEST(RowAssembler, PiecesAndRowsOutOfOrderReachTheWriterAsTheImage) {
    const struct {
        uint32_t width;
        int bits;
        uint32_t columns, rows;
        bool shuffled;
    } cases[] = {{50, 24, 50, 3, false},
                 {50, 24, 17, 1, true},
                 {80, 1, 16, 2, true},
                 {13, 8, 5, 4, true},
                 {20, 4, 20, 7, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " px at " + std::to_string(c.bits) + " bits");
        const uint32_t height = 23;
        const size_t rowBytes = (size_t(c.width) * c.bits + 7) / 8;
        std::vector<uint8_t> image(rowBytes * height);
        for (size_t i = 0; i < image.size(); ++i)
            image[i] = static_cast<uint8_t>(i * 7 + i / rowBytes);
        std::vector<Piece> pieces = Cut(image, c.width, height, c.bits, c.columns, c.rows);
        // Shuffled within groups of a few blocks: out of order, but near each other.
        std::mt19937 random(7);
        if (c.shuffled)
            for (size_t i = 0; i + 4 <= pieces.size(); i += 4)
                std::shuffle(pieces.begin() + i, pieces.begin() + i + 4, random);

        // An image whose length is unknown until the end comes out the same.
        for (int32_t told : {int32_t(height), CRowAssembler::UnknownHeight}) {
            CCollectingWriter writer(rowBytes);
            CRowAssembler assembler(writer, c.width, told, c.bits, 28);
            std::string error;
            for (const Piece& piece : pieces)
                ASSERT_TRUE(assembler.Place(piece.block, piece.bytes.data(), error)) << error;
            ASSERT_TRUE(assembler.Finish(error)) << error;
            EXPECT_EQ(image, writer.rows) << "height " << told;
        }
    }
}

// Also when the length, unknown during the transfer, is reported at its end; a
// length above rows already delivered is refused.
TEST(RowAssembler, MissingRowsAndPiecesAreZeroAtTheEnd) {
    const uint32_t width = 10, height = 6;
    std::vector<uint8_t> image(width * height, 0x5a);
    std::vector<Piece> pieces = Cut(image, width, height, 8, 4, 1);
    pieces.resize(7);  // rows 0 and 1 whole, row 2 only its first 4 pixels
    std::vector<uint8_t> expected(width * height, 0);
    std::fill(expected.begin(), expected.begin() + 2 * width + 4, 0x5a);
    for (int32_t told : {int32_t(height), CRowAssembler::UnknownHeight}) {
        CCollectingWriter writer(width);
        CRowAssembler assembler(writer, width, told, 8, 4);
        std::string error;
        for (const Piece& piece : pieces)
            ASSERT_TRUE(assembler.Place(piece.block, piece.bytes.data(), error)) << error;
        if (told == CRowAssembler::UnknownHeight) {
            EXPECT_FALSE(assembler.SetHeight(2, error));
            ASSERT_TRUE(assembler.SetHeight(height, error)) << error;
        }
        ASSERT_TRUE(assembler.Finish(error)) << error;
        EXPECT_EQ(expected, writer.rows) << "height " << told;
    }
}

TEST(RowAssembler, BlocksOutsideTheImageOrBeyondTheWindowAreRefused) {
    const uint32_t width = 10, height = 100;
    std::vector<uint8_t> image(width * height, 1);
    const Piece row = Cut(image, width, height, 8, width, 1)[0];
    const struct {
        const char* name;
        void (*change)(TW_IMAGEMEMXFER&);
        const char* told;
    } cases[] = {
        {"below the last row", [](TW_IMAGEMEMXFER& b) { b.YOffset = 100; }, "outside the image"},
        {"past the right edge", [](TW_IMAGEMEMXFER& b) { b.XOffset = 1; }, "outside the image"},
        {"more than was written", [](TW_IMAGEMEMXFER& b) { b.BytesWritten = 5; },
         "outside the image"},
        {"beyond the window", [](TW_IMAGEMEMXFER& b) { b.YOffset = 8; }, "while row 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CCollectingWriter writer(width);
        CRowAssembler assembler(writer, width, height, 8, 8);
        Piece piece = row;
        c.change(piece.block);
        std::string error;
        EXPECT_FALSE(assembler.Place(piece.block, piece.bytes.data(), error));
        EXPECT_NE(std::string::npos, error.find(c.told)) << error;
    }
}

}  // namespace
