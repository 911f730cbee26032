// DAT_IMAGEMEMXFER: one block of the image per call, read by the device library
// straight into the application's buffer, in the device's own byte order.
#include <algorithm>
#include <cstring>

#include "engine/application_buffer.h"
#include "engine/scan_job.h"

namespace {

// The smallest block: whole pixels at 16 and at 24 bits.
constexpr uint32_t BlockGranularity = 6;

struct Block {
    uint32_t Bytes;
    bool Partial;     // ends inside a row
    bool Continuing;  // goes on with a row that an earlier block began
};

Block ChooseBlock(uint32_t length, uint32_t rowBytes, uint32_t rowDelivered, uint32_t remaining) {
    Block block = {0, false, rowDelivered != 0};
    const uint32_t rowLeft = rowBytes - rowDelivered;
    if (length < rowLeft) {
        block.Bytes = length / BlockGranularity * BlockGranularity;
        block.Partial = true;
    } else {
        block.Bytes = block.Continuing ? rowLeft : length / rowBytes * rowBytes;
    }
    if (block.Bytes > remaining) block.Bytes = remaining;
    return block;
}

void DescribeBlock(const ScanPlan& plan, const Block& block, uint64_t sent, uint32_t rowDelivered,
                   TW_IMAGEMEMXFER& memory) {
    const uint32_t rowBytes = plan.Memory.RowBytes;
    const uint64_t bitsPerPixel = static_cast<uint64_t>(plan.BitsPerPixel);
    memory.Compression = TWCP_NONE;
    memory.YOffset = static_cast<TW_UINT32>(sent / rowBytes);
    memory.BytesWritten = block.Bytes;
    if (block.Bytes == 0) {
        // Asked again after the image is complete: an empty block at its end.
        memory.Columns = memory.Rows = memory.XOffset = 0;
        return;
    }
    const int64_t offset =
        block.Continuing ? static_cast<int64_t>(rowDelivered * 8ull / bitsPerPixel) : 0;
    memory.XOffset = static_cast<TW_UINT32>(offset);
    if (block.Partial || block.Continuing) {
        // The last piece of a row holds the pixels left, not a whole number of bytes'
        // worth of them.
        const int64_t left = std::max<int64_t>(0, plan.Width - offset);
        const int64_t held = static_cast<int64_t>(block.Bytes * 8ull / bitsPerPixel);
        memory.Rows = 1;
        memory.Columns = static_cast<TW_UINT32>(std::min(held, left));
    } else {
        memory.Columns = static_cast<TW_UINT32>(plan.Width);
        memory.Rows = block.Bytes / rowBytes;
    }
}

TransferOutcome Failed(TW_UINT16 conditionCode) {
    return {TWRC_FAILURE, conditionCode, false};
}

}  // namespace

TransferOutcome ScanJob::TransferBlock(TW_IMAGEMEMXFER& memory, bool wholeRows, bool startsImage) {
    // A buffer that cannot hold one block would make no progress.
    if (memory.Memory.Length < BlockGranularity) return Failed(TWCC_BADVALUE);
    const ApplicationBuffer application(memory.Memory);
    if (!application.Bytes()) return Failed(TWCC_BADVALUE);
    const MemoryImageSize& size = plan_.Memory;
    if (size.Refusal != TWCC_SUCCESS) return Failed(size.Refusal);
    if (wholeRows && memory.Memory.Length < size.RowBytes) return Failed(TWCC_BADVALUE);
    if (startsImage && !Start(false)) return Failed(TWCC_OPERATIONERROR);
    memory.BytesPerRow = size.RowBytes;
    // Images may pass 4 GiB; one block never does.
    const uint64_t sent = bytesTransferred_;
    const uint64_t left = sent < size.ImageBytes ? size.ImageBytes - sent : 0;
    const uint32_t remaining = static_cast<uint32_t>(std::min<uint64_t>(left, UINT32_MAX));

    const uint32_t rowDelivered = rowBytesDelivered_;
    const Block block = ChooseBlock(memory.Memory.Length, size.RowBytes, rowDelivered, remaining);
    unsigned char* const buffer = application.Bytes();
    const FillResult read = Fill(buffer, block.Bytes, NotReadyRounds);
    transfer_.Buffer = nullptr;
    if (read.Outcome == FillOutcome::Stopped && plan_.AutomaticLength)
        return EndWithTheSheet(read.Bytes, memory);
    if (read.Outcome == FillOutcome::NotReady) {
        StopScanner();
        if (sent == 0 && read.Bytes == 0) return Failed(TWCC_OPERATIONERROR);
        // Rows have gone to the application: the image ends as for a device that
        // stopped, with zero bytes.
        stopped_ = true;
        std::memset(buffer + read.Bytes, 0, block.Bytes - read.Bytes);
    }

    DescribeBlock(plan_, block, sent, rowDelivered, memory);
    bytesTransferred_ += block.Bytes;
    rowBytesDelivered_ = block.Partial ? rowBytesDelivered_ + block.Bytes : 0;
    if (bytesTransferred_ >= size.ImageBytes) {
        EndScan();
        if (plan_.AutomaticLength) scannedRows_ = plan_.Length;
        return {TWRC_XFERDONE, TWCC_SUCCESS, false};
    }
    return {TWRC_SUCCESS, TWCC_SUCCESS, false};
}

// The sheet ended inside this block (a TWAIN 2 application's, of whole rows): the
// image ends with the last whole row delivered. A sheet that ended before the first
// row leaves no image: the transfer fails and the source stays where it was.
TransferOutcome ScanJob::EndWithTheSheet(uint32_t delivered, TW_IMAGEMEMXFER& memory) {
    const uint32_t rowBytes = plan_.Memory.RowBytes;
    const Block block = {delivered / rowBytes * rowBytes, false, false};
    EndScan();
    if (bytesTransferred_ + block.Bytes == 0) return Failed(TWCC_NOMEDIA);
    DescribeBlock(plan_, block, bytesTransferred_, 0, memory);
    bytesTransferred_ += block.Bytes;
    scannedRows_ = static_cast<int32_t>(bytesTransferred_ / rowBytes);
    return {TWRC_XFERDONE, TWCC_SUCCESS, false};
}
