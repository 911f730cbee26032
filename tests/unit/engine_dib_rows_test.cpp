// Placing the device's line stream into a bottom-up DIB, whatever the size of the
// pieces the reads deliver.
#include <gtest/gtest.h>

#include <vector>

#include "engine/dib_rows.h"
#include "tests/unit/engine_fixture.h"

namespace {

std::vector<uint8_t> Stream(uint32_t bytes) {
    std::vector<uint8_t> stream(bytes);
    uint32_t seed = 12345;
    for (uint8_t& byte : stream) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(seed >> 16);
    }
    return stream;
}

}  // namespace

TEST(DibRowWriterTest, PiecesOfAnySizeEndUpWholeInPlace) {
    struct Case {
        int width, bits;
        uint32_t rows;
    };
    for (const Case& c :
         {Case{37, 24, 9}, Case{101, 1, 7}, Case{13, 4, 5}, Case{10, 8, 6}, Case{7, 16, 4}}) {
        const uint32_t lineBytes = LineBytes(c.width, c.bits);
        const uint32_t stride = (lineBytes + 3) / 4 * 4;
        const std::vector<uint8_t> stream = Stream(lineBytes * c.rows);
        for (uint32_t piece :
             {1u, 2u, 5u, lineBytes - 1, lineBytes, lineBytes + 1, 3 * lineBytes + 2}) {
            SCOPED_TRACE(::testing::Message()
                         << c.width << " px at " << c.bits << " bits, pieces of " << piece);
            std::vector<uint8_t> pixels(stride * c.rows, 0);
            DibRowWriter rows(pixels.data(), stride, lineBytes, c.rows, c.bits == 24);
            uint32_t at = 0;
            bool direct = false;
            while (!rows.Complete()) {
                // Alternate between copying a piece and writing straight into the row.
                uint32_t n = std::min<uint32_t>(piece, static_cast<uint32_t>(stream.size()) - at);
                if (direct) {
                    n = std::min(n, rows.RowTailBytes());
                    std::copy_n(&stream[at], n, rows.RowTail());
                    rows.Advance(n);
                } else {
                    rows.Place(&stream[at], n);
                }
                direct = !direct;
                at += n;
                ASSERT_EQ(stream.size() - at, rows.RemainingBytes());
            }
            EXPECT_EQ(ExpectedDibPixels(stream, lineBytes, c.rows, c.bits), pixels);
        }
    }
}

TEST(DibRowWriterTest, DeviceEndInsideALineLeavesZerosAfterIt) {
    const uint32_t lineBytes = 3 * 11, stride = 36, rows = 6;
    const std::vector<uint8_t> stream = Stream(lineBytes * rows);
    std::vector<uint8_t> pixels(stride * rows, 0);
    DibRowWriter writer(pixels.data(), stride, lineBytes, rows, true);
    const uint32_t delivered = 2 * lineBytes + 10;  // two lines and a piece of the third
    writer.Place(stream.data(), delivered);
    writer.FinishWithZeroRows();
    EXPECT_TRUE(writer.Complete());
    std::vector<uint8_t> truncated(stream.begin(), stream.begin() + delivered);
    truncated.resize(stream.size(), 0);
    EXPECT_EQ(ExpectedDibPixels(truncated, lineBytes, rows, 24), pixels);
}

TEST(DibRowWriterTest, EndingAtTheRowsPlacedMovesThemWhereTheShorterDibExpectsThem) {
    const uint32_t lineBytes = 10, stride = 12, rows = 8;
    const std::vector<uint8_t> stream = Stream(lineBytes * rows);
    std::vector<uint8_t> pixels(stride * rows, 0);
    DibRowWriter writer(pixels.data(), stride, lineBytes, rows, false);
    writer.Place(stream.data(), 3 * lineBytes + 4);
    writer.KeepOnlyPlacedRows();
    EXPECT_EQ(3u, writer.RowsPlaced());
    const std::vector<uint8_t> placed(stream.begin(), stream.begin() + 3 * lineBytes);
    const std::vector<uint8_t> expected = ExpectedDibPixels(placed, lineBytes, 3, 8);
    EXPECT_EQ(expected, std::vector<uint8_t>(pixels.begin(), pixels.begin() + 3 * stride));
}
