// DAT_IMAGEMEMXFER: one block of the image per call, read by the device library
// straight into the application's buffer, in the device's own byte order.
#include <algorithm>
#include <cstring>

#include "engine/application_buffer.h"
#include "engine/read_block.h"
#include "engine/row_geometry.h"
#include "engine/scan_window.h"
#include "image/image_triplets.h"
#include "source/twain_source.h"
#include "trace/trace.h"

namespace {

// The smallest block: whole pixels at 16 and at 24 bits.
constexpr uint32_t BlockGranularity = 6;

struct Block {
    uint32_t Bytes;
    bool Partial;     // ends inside a row
    bool Continuing;  // goes on with a row that an earlier block began
};

Block ChooseBlock(const CTwainSource& source, uint32_t length, uint32_t rowBytes,
                  uint32_t remaining) {
    Block block = {0, false, source.Job.InsideRow()};
    const uint32_t rowLeft = rowBytes - source.Job.RowBytesDelivered();
    if (length < rowLeft) {
        block.Bytes = length / BlockGranularity * BlockGranularity;
        block.Partial = true;
    } else {
        block.Bytes = block.Continuing ? rowLeft : length / rowBytes * rowBytes;
    }
    if (block.Bytes > remaining) block.Bytes = remaining;
    return block;
}

void DescribeBlock(const CTwainSource& source, const Block& block, uint32_t rowBytes,
                   TW_IMAGEMEMXFER& memory) {
    const uint64_t bitsPerPixel = static_cast<uint64_t>(source.Settings.BitsPerPixel);
    memory.Compression = TWCP_NONE;
    memory.YOffset = static_cast<TW_UINT32>(source.Job.BytesTransferred() / rowBytes);
    memory.BytesWritten = block.Bytes;
    if (block.Bytes == 0) {
        // Asked again after the image is complete: an empty block at its end.
        memory.Columns = memory.Rows = memory.XOffset = 0;
        return;
    }
    if (block.Partial || block.Continuing) {
        // The last piece of a row holds the pixels left, not a whole number of bytes'
        // worth of them.
        const int64_t offset =
            block.Continuing
                ? static_cast<int64_t>(source.Job.RowBytesDelivered() * 8ull / bitsPerPixel)
                : 0;
        const int64_t left = std::max<int64_t>(0, source.Settings.ScanWidth - offset);
        const int64_t held = static_cast<int64_t>(block.Bytes * 8ull / bitsPerPixel);
        memory.Rows = 1;
        memory.Columns = static_cast<TW_UINT32>(std::min(held, left));
    } else {
        memory.Columns = static_cast<TW_UINT32>(source.Settings.ScanWidth);
        memory.Rows = block.Bytes / rowBytes;
    }
    memory.XOffset =
        block.Continuing
            ? static_cast<TW_UINT32>(source.Job.RowBytesDelivered() * 8ull / bitsPerPixel)
            : 0;
}

TW_UINT16 TransferBlock(CTwainSource& source, pTW_IMAGEMEMXFER memory) {
    if (TW_UINT16 refusal = TransferRefusal(source, TransferKind::Memory))
        return source.Fail(refusal);
    // A buffer that cannot hold one block would make no progress.
    if (!memory || memory->Memory.Length < BlockGranularity) return source.Fail(TWCC_BADVALUE);
    const ApplicationBuffer application(memory->Memory);
    if (!application.Bytes()) return source.Fail(TWCC_BADVALUE);
    source.AlignInterpolatedWidth();
    const MemoryImageSize size = MeasureMemoryImage(source.Settings);
    if (size.Refusal != TWCC_SUCCESS) return source.Fail(size.Refusal);
    // A TWAIN 2 application's blocks are whole rows: a buffer below one row is refused.
    if (source.ServesTwain2() && memory->Memory.Length < size.RowBytes)
        return source.Fail(TWCC_BADVALUE);
    if (source.Session.State() == StateTransferReady &&
        source.Job.Start(source.Settings, false) != TWRC_SUCCESS) {
        return source.Fail(TWCC_OPERATIONERROR);
    }
    const uint32_t rowBytes = size.RowBytes;
    memory->BytesPerRow = rowBytes;
    // The window may have been changed between blocks (the dialog's acquire
    // command writes the settings); never count past the end of the image.
    if (source.Job.RowBytesDelivered() >= rowBytes) source.Job.ForgetRow();
    // Images may pass 4 GiB; one block never does.
    const uint64_t sent = source.Job.BytesTransferred();
    const uint64_t left = sent < size.ImageBytes ? size.ImageBytes - sent : 0;
    const uint32_t remaining = static_cast<uint32_t>(std::min<uint64_t>(left, UINT32_MAX));

    const Block block = ChooseBlock(source, memory->Memory.Length, rowBytes, remaining);
    unsigned char* const buffer = application.Bytes();
    // The model as scan start's Open left it, so the reads match the window programmed.
    const bool interpolated = source.Settings.BitsPerPixel == 24 &&
                              IsInterpolatedScan(source.Settings, source.ModelCode());
    const FillResult read = FillFromDevice(source.Job, source.Settings, buffer, block.Bytes,
                                           interpolated, NotReadyRounds);
    source.Job.Transfer.Buffer = nullptr;
    if (read.Outcome == FillOutcome::NotReady) {
        trace::Device(source.Job.Scanner.StopScan(), "StopScan");
        if (sent == 0 && read.Bytes == 0) return source.Fail(TWCC_OPERATIONERROR);
        // Rows have gone to the application: the image ends as for a device that
        // stopped, with zero bytes.
        source.Job.MarkStopped();
        std::memset(buffer + read.Bytes, 0, block.Bytes - read.Bytes);
    }

    DescribeBlock(source, block, rowBytes, *memory);
    source.Job.RecordBlock(block.Bytes, block.Partial);
    if (source.Job.BytesTransferred() >= size.ImageBytes) {
        source.Job.EndScan();
        return TWRC_XFERDONE;
    }
    source.Session.MoveTo(StateTransferring);
    return TWRC_SUCCESS;
}

}  // namespace

TW_UINT16 HandleMemoryTransfer(CTwainSource& source, pTW_IMAGEMEMXFER memory) {
    // A block that fails leaves the window as it was, interpolated width included.
    const int32_t width = source.Settings.ScanWidth;
    const TW_UINT16 result = TransferBlock(source, memory);
    if (result == TWRC_FAILURE) source.Settings.ScanWidth = width;
    return result;
}
