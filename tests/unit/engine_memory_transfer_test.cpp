// The memory transfer: the block sequence for each buffer size, the device's bytes
// passed through unchanged, early end, refusals and a stuck device.
#include <gtest/gtest.h>

#include "engine/models.h"
#include "source/twain_source.h"
#include "tests/unit/engine_fixture.h"

namespace {

class MemoryTransferTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        paper_ = MakePaper(60, 40, 100);
    }

    // The window, negotiated, and the source enabled (state 6).
    ModelWindow Plain(int resolution, int xOffset, int width, int length, int bits,
                      Composition composition, WindowFrom from = WindowFrom::Negotiation) {
        SetWindow(resolution, resolution, xOffset, 0, width, length, bits, composition, from);
        OpenAndEnable();
        ModelWindow model;
        model.XResolution = model.YResolution = resolution;
        model.XOffset = xOffset;
        model.DeviceWidth = model.OutputWidth = width;
        model.Length = length;
        model.BitsPerPixel = bits;
        model.ImageComposition = composition;
        return model;
    }

    TestPaper paper_;
};

struct ExpectedBlock {
    uint32_t bytes, columns, rows, xOffset, yOffset;
};

// The blocks a buffer of `buffer` bytes receives: whole rows when one fits, else
// each row in pieces of the buffer rounded down to 6 bytes.
std::vector<ExpectedBlock> BlockSequence(uint32_t rowBytes, uint32_t rows, uint32_t width,
                                         uint32_t bits, uint32_t buffer) {
    std::vector<ExpectedBlock> blocks;
    if (buffer >= rowBytes) {
        const uint32_t perBlock = buffer / rowBytes;
        for (uint32_t row = 0; row < rows; row += perBlock) {
            const uint32_t n = std::min(perBlock, rows - row);
            blocks.push_back({n * rowBytes, width, n, 0, row});
        }
        return blocks;
    }
    const uint32_t piece = buffer / 6 * 6;
    for (uint32_t row = 0; row < rows; ++row) {
        for (uint32_t at = 0; at < rowBytes; at += piece) {
            const uint32_t n = std::min(piece, rowBytes - at);
            blocks.push_back({n, n * 8 / bits, 1, at * 8 / bits, row});
        }
    }
    return blocks;
}

}  // namespace

TEST_F(MemoryTransferTest, WorkedBufferSizesGiveTheirBlockSequences) {
    for (uint32_t buffer : {10000u, 2000u, 1000u, 3000u, 65536u}) {
        SCOPED_TRACE(::testing::Message() << "buffer " << buffer);
        UseScanner("QD120", &paper_);
        const ModelWindow model = Plain(100, 4, 1000, 10, 24, Composition::RgbColour);
        const std::vector<MemoryBlock> blocks = MemoryTransfer(buffer);
        const std::vector<ExpectedBlock> expected = BlockSequence(3000, 10, 1000, 24, buffer);
        ASSERT_EQ(expected.size(), blocks.size());
        for (size_t i = 0; i < blocks.size(); ++i) {
            SCOPED_TRACE(::testing::Message() << "block " << i);
            const TW_IMAGEMEMXFER& record = blocks[i].Record;
            EXPECT_EQ(i + 1 == blocks.size() ? TWRC_XFERDONE : TWRC_SUCCESS, blocks[i].Result);
            EXPECT_EQ(TWCP_NONE, record.Compression);
            EXPECT_EQ(3000u, record.BytesPerRow);
            EXPECT_EQ(expected[i].bytes, record.BytesWritten);
            EXPECT_EQ(expected[i].columns, record.Columns);
            EXPECT_EQ(expected[i].rows, record.Rows);
            EXPECT_EQ(expected[i].xOffset, record.XOffset);
            EXPECT_EQ(expected[i].yOffset, record.YOffset);
        }
        EXPECT_EQ(ExpectedStream(paper_, model), Assemble(blocks, 3000, 10, 24))
            << "RGB, unchanged";
        EXPECT_EQ(blocks.size() > 1 ? TwainState::Transferring : TwainState::TransferReady,
                  Source().Session().State());
        EXPECT_EQ(1u, LogCalls("StartScan").size());
        EXPECT_EQ(1u, LogCalls("StopScan").size());
    }
}

TEST_F(MemoryTransferTest, EveryPixelTypePassesTheDevicesBytesThrough) {
    struct Case {
        int bits;
        Composition composition;
        int width;
    };
    for (const Case& c :
         {Case{8, Composition::Greyscale, 37}, Case{16, Composition::Greyscale, 37},
          Case{1, Composition::Bilevel, 45}, Case{4, Composition::PaletteColour, 37},
          Case{8, Composition::PaletteColour, 37}}) {
        for (uint32_t buffer : {1000u, 7u}) {
            SCOPED_TRACE(::testing::Message()
                         << c.bits << " bits, composition " << static_cast<int>(c.composition)
                         << ", buffer " << buffer);
            UseScanner("QD120", &paper_);
            const ModelWindow model =
                Plain(100, 2, c.width, 12, c.bits, c.composition, WindowFromDepth(c.bits));
            const std::vector<MemoryBlock> blocks = MemoryTransfer(buffer);
            ASSERT_EQ(TWRC_XFERDONE, blocks.back().Result);
            const uint32_t rowBytes = LineBytes(c.width, c.bits);
            EXPECT_EQ(ExpectedStream(paper_, model), Assemble(blocks, rowBytes, 12, c.bits));
        }
    }
}

TEST_F(MemoryTransferTest, InterpolatedRgbIsWidenedByTheDevice) {
    for (int resolution : {600, 800}) {
        UseScanner("QA1220", &paper_);
        SetWindow(resolution, resolution, 12, 0, 301, 6, 24, Composition::RgbColour);
        OpenAndEnable();
        const std::vector<MemoryBlock> blocks = MemoryTransfer(4000);
        ASSERT_EQ(TWRC_XFERDONE, blocks.back().Result);
        const bool threeHalves = resolution == 600;
        ModelWindow model;
        model.OutputWidth = threeHalves ? 303 : 302;
        model.DeviceWidth = threeHalves ? 202 : 151;
        model.XResolution = 400;
        model.YResolution = resolution;
        model.XOffset = threeHalves ? 8 : 6;
        model.Length = 6;
        EXPECT_EQ(static_cast<TW_UINT32>(model.OutputWidth), blocks[0].Record.Columns);
        EXPECT_EQ(ExpectedStream(paper_, model), Assemble(blocks, 3 * model.OutputWidth, 6, 24))
            << resolution;
        EXPECT_FALSE(LogCalls("ReadInterpolatedData").empty());
    }
}

TEST_F(MemoryTransferTest, ADeviceThatEndsEarlyIsCompletedWithZeroBytes) {
    for (uint32_t buffer : {10000u, 2000u}) {
        UseScanner("QD120", &paper_, "end=4");
        const ModelWindow model = Plain(100, 4, 1000, 10, 24, Composition::RgbColour);
        const std::vector<MemoryBlock> blocks = MemoryTransfer(buffer);
        ASSERT_EQ(TWRC_XFERDONE, blocks.back().Result) << buffer;
        uint64_t total = 0;
        for (const MemoryBlock& block : blocks)
            total += block.Record.BytesWritten;
        EXPECT_EQ(30000u, total) << "the blocks still sum to the whole image";
        std::vector<uint8_t> expected = ExpectedStream(paper_, model);
        std::fill(expected.begin() + 4 * 3000, expected.end(), 0);
        EXPECT_EQ(expected, Assemble(blocks, 3000, 10, 24));
        EXPECT_EQ(1u, LogCalls("StopScan").size()) << "stopped once, when the device ended";
    }
}

TEST_F(MemoryTransferTest, ADeviceNotReadyForAWhileStillDeliversEveryByte) {
    UseScanner("QD120", &paper_, "retry=8");
    const ModelWindow model = Plain(100, 4, 100, 10, 24, Composition::RgbColour);
    const std::vector<MemoryBlock> blocks = MemoryTransfer(1200);
    ASSERT_EQ(TWRC_XFERDONE, blocks.back().Result);
    EXPECT_EQ(3u, blocks.size());
    EXPECT_EQ(ExpectedStream(paper_, model), Assemble(blocks, 300, 10, 24));
}

TEST_F(MemoryTransferTest, ADeviceThatStallsMidImageIsCompletedWithZeroBytes) {
    UseScanner("QD120", &paper_, "stall=4");
    const ModelWindow model = Plain(100, 4, 1000, 10, 24, Composition::RgbColour);
    const std::vector<MemoryBlock> blocks = MemoryTransfer(2000);
    ASSERT_EQ(TWRC_XFERDONE, blocks.back().Result);
    std::vector<uint8_t> expected = ExpectedStream(paper_, model);
    std::fill(expected.begin() + 4 * 3000, expected.end(), 0);
    EXPECT_EQ(expected, Assemble(blocks, 3000, 10, 24));
    EXPECT_EQ(1u, LogCalls("StopScan").size()) << "stopped once, when it stayed not ready";
}

TEST_F(MemoryTransferTest, AStuckDeviceFailsTheFirstBlockAndStopsTheScanner) {
    UseScanner("QD120", &paper_, "stuck");
    Plain(100, 4, 100, 10, 24, Composition::RgbColour);
    const std::vector<MemoryBlock> blocks = MemoryTransfer(1200, 3);
    ASSERT_EQ(1u, blocks.size());
    EXPECT_EQ(TWRC_FAILURE, blocks[0].Result);
    EXPECT_EQ(TWCC_OPERATIONERROR, Status());
    EXPECT_EQ(TwainState::TransferReady, Source().Session().State());
    EXPECT_EQ("StopScan", CallName(LogLines().back()));
}

TEST_F(MemoryTransferTest, UnusableBuffersAreRefusedOneCallAtATime) {
    UseScanner("QD120", &paper_);
    const ModelWindow model = Plain(100, 4, 100, 10, 24, Composition::RgbColour);
    std::vector<uint8_t> buffer(1200);
    auto call = [&](uint32_t length, void* memory, TW_IMAGEMEMXFER& record) {
        record = TW_IMAGEMEMXFER();
        record.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
        record.Memory.Length = length;
        record.Memory.TheMem = memory;
        return Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &record);
    };
    TW_IMAGEMEMXFER record;
    const size_t mark = LogLines().size();
    for (uint32_t length : {0u, 5u}) {
        EXPECT_EQ(TWRC_FAILURE, call(length, buffer.data(), record)) << length;
        EXPECT_EQ(TWCC_BADVALUE, Status());
    }
    EXPECT_EQ(TWRC_FAILURE, call(1200, nullptr, record));
    EXPECT_EQ(TWCC_BADVALUE, Status());
    EXPECT_EQ(TWRC_FAILURE, Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, nullptr));
    EXPECT_EQ(TWCC_BADVALUE, Status());
    EXPECT_EQ(TwainState::TransferReady, Source().Session().State());
    EXPECT_TRUE(LogLines(mark).empty()) << "nothing scanned";

    // In the middle of the image too; the transfer goes on with a usable buffer.
    std::vector<MemoryBlock> blocks;
    MemoryBlock first = {};
    first.Result = call(1200, buffer.data(), first.Record);
    first.Bytes.assign(buffer.begin(), buffer.begin() + first.Record.BytesWritten);
    blocks.push_back(first);
    ASSERT_EQ(TWRC_SUCCESS, first.Result);
    EXPECT_EQ(TWRC_FAILURE, call(5, buffer.data(), record));
    EXPECT_EQ(TWCC_BADVALUE, Status());
    EXPECT_EQ(TwainState::Transferring, Source().Session().State());
    for (const MemoryBlock& block : MemoryTransfer(1200))
        blocks.push_back(block);
    ASSERT_EQ(TWRC_XFERDONE, blocks.back().Result);
    EXPECT_EQ(ExpectedStream(paper_, model), Assemble(blocks, 300, 10, 24));
}

TEST_F(MemoryTransferTest, AnImagePastFourGibibytesArrivesWhole) {
    // 36 x 111 inches at 600 dpi in colour on the widest scanner: 4.3 GB of white
    // paper, every block in its place, the last one ending the image.
    UseScanner("QC1400");
    ScopedEnvironment flat("TARNSCAN_DOCUMENT", "flat");
    Reload();
    const int width = 21600, length = 66600;
    SetWindow(600, 600, 1, 0, width, length, 24, Composition::RgbColour);
    OpenAndEnable();
    const uint64_t rowBytes = width * 3ull, imageBytes = rowBytes * length;
    ASSERT_GT(imageBytes, uint64_t{1} << 32);
    std::vector<uint8_t> buffer(rowBytes * 64);
    uint64_t delivered = 0;
    TW_UINT16 result = TWRC_SUCCESS;
    while (result == TWRC_SUCCESS) {
        TW_IMAGEMEMXFER record = {};
        record.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
        record.Memory.Length = static_cast<TW_UINT32>(buffer.size());
        record.Memory.TheMem = buffer.data();
        result = Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &record);
        ASSERT_NE(TWRC_FAILURE, result) << "after " << delivered << " bytes";
        ASSERT_EQ(delivered, record.YOffset * rowBytes);
        ASSERT_EQ(record.Rows * rowBytes, record.BytesWritten);
        delivered += record.BytesWritten;
    }
    EXPECT_EQ(TWRC_XFERDONE, result);
    EXPECT_EQ(imageBytes, delivered);
    EXPECT_EQ(255, buffer[0]);
}
