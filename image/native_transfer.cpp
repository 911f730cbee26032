// DAT_IMAGENATIVEXFER: the whole image in one bottom-up DIB of fixed, zeroed global
// memory whose handle goes to the application. Rows have the standard 4-byte DIB
// stride; each device line (unpadded) is placed at the start of its row.
#include <algorithm>
#include <cstdint>

#include "engine/dib_builder.h"
#include "engine/dib_rows.h"
#include "engine/read_block.h"
#include "engine/row_geometry.h"
#include "engine/scan_window.h"
#include "image/image_triplets.h"
#include "platform/global_memory.h"
#include "source/twain_source.h"
#include "trace/trace.h"

namespace {

// No read asks for more than this.
constexpr uint32_t LargestRead = 65536;
// Lines at least this long are read straight into their rows, one read per line
// (or per 64 KB piece of it); shorter lines are read several at a time into the
// transfer buffer and copied.
constexpr uint32_t DirectReadLineBytes = 16384;

enum class NativeRead {
    Complete,
    Padded,       // the device ended; the rows it did not deliver are zero rows
    EndedAtRows,  // the device stayed not ready after rows were placed
    NoRow,        // the device stayed not ready before the first row
};

bool UsesTransferBuffer(uint32_t rowBytes) {
    return rowBytes < DirectReadLineBytes;
}

// Whole lines in one read of at most 64 KB.
uint32_t ChunkBytes(uint32_t rowBytes) {
    return LargestRead / rowBytes * rowBytes;
}

// A device that is not ready gets the full patience until the first row stands;
// after that one read's attempts, and the image ends at the rows placed.
int Patience(const DibRowWriter& rows) {
    return rows.RowsPlaced() == 0 ? NotReadyRounds : 1;
}

NativeRead ReadStraightIntoRows(CTwainSource& source, DibRowWriter& rows, bool interpolated) {
    while (!rows.Complete()) {
        const uint32_t piece = std::min(rows.RowTailBytes(), LargestRead);
        const FillResult read = FillFromDevice(source.Job, source.Settings, rows.RowTail(), piece,
                                               interpolated, Patience(rows));
        rows.Advance(read.Bytes);
        if (read.Outcome == FillOutcome::Stopped) {
            rows.FinishWithZeroRows();
            return NativeRead::Padded;
        }
        if (read.Outcome == FillOutcome::NotReady) {
            return rows.RowsPlaced() == 0 ? NativeRead::NoRow : NativeRead::EndedAtRows;
        }
    }
    return NativeRead::Complete;
}

NativeRead ReadThroughBuffer(CTwainSource& source, DibRowWriter& rows, bool interpolated) {
    unsigned char* const buffer = source.Job.Transfer.Buffer;
    const uint32_t chunk = source.Job.Transfer.BytesRequested;
    while (!rows.Complete()) {
        source.Job.Transfer.Buffer = buffer;
        source.Job.Transfer.BytesRequested =
            static_cast<uint32_t>(std::min<uint64_t>(chunk, rows.RemainingBytes()));
        if (!ReadWithPatience(source.Job, source.Settings, interpolated, Patience(rows))) {
            return rows.RowsPlaced() == 0 ? NativeRead::NoRow : NativeRead::EndedAtRows;
        }
        if (source.Job.Stopped()) {
            rows.FinishWithZeroRows();
            return NativeRead::Padded;
        }
        rows.Place(buffer, source.Job.Transfer.BytesDelivered);
    }
    return NativeRead::Complete;
}

class NativeImage {
public:
    explicit NativeImage(CTwainSource& source) : source_(source) {}

    TW_UINT16 Transfer(TW_HANDLE& handle);

private:
    bool AllocateDib(TW_HANDLE& handle);
    TW_UINT16 Abandon(TW_HANDLE& handle, TW_UINT16 conditionCode);
    bool NeedsColourTable() const;

    CTwainSource& source_;
    NativeImageSize size_ = {};
    HGLOBAL dib_ = nullptr;
    unsigned char* block_ = nullptr;
};

bool NativeImage::NeedsColourTable() const {
    const ScanSettings& settings = source_.Settings;
    return settings.BitsPerPixel == 4 ||
           (settings.BitsPerPixel == 8 && CompositionOf(settings) != Composition::Greyscale);
}

bool NativeImage::AllocateDib(TW_HANDLE& handle) {
    const HandoutMemory memory = source_.Handout();
    dib_ = memory.Allocate(GMEM_FIXED | GMEM_ZEROINIT, size_.TotalBytes);
    if (!dib_) return false;
    block_ = static_cast<unsigned char*>(memory.Lock(dib_));
    if (!block_) {
        memory.Free(dib_);
        dib_ = nullptr;
        return false;
    }
    handle = dib_;
    const ScanSettings& settings = source_.Settings;
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(block_);
    WriteDibHeader(*header, settings.ScanWidth, settings.ScanLength, settings.BitsPerPixel,
                   settings.XResolution, settings.YResolution);
    WriteColourTable(reinterpret_cast<RGBQUAD*>(header + 1), settings.BitsPerPixel,
                     CompositionOf(settings));
    return true;
}

// Stops the scanner and frees the read buffer and the DIB; the application's
// variable no longer names a block.
TW_UINT16 NativeImage::Abandon(TW_HANDLE& handle, TW_UINT16 conditionCode) {
    trace::Device(source_.Job.Scanner.StopScan(), "StopScan");
    source_.Job.FreeTransferBuffer();
    source_.Job.Transfer.Buffer = nullptr;
    const HandoutMemory memory = source_.Handout();
    memory.Unlock(dib_);
    memory.Free(dib_);
    dib_ = nullptr;
    handle = nullptr;
    return source_.Fail(conditionCode);
}

TW_UINT16 NativeImage::Transfer(TW_HANDLE& handle) {
    source_.AlignInterpolatedWidth();
    size_ = MeasureNativeImage(source_.Settings);
    if (size_.Refusal != TWCC_SUCCESS) return source_.Fail(size_.Refusal);
    if (!AllocateDib(handle)) {
        handle = nullptr;
        return source_.Fail(TWCC_LOWMEMORY);
    }
    if (source_.Job.Start(source_.Settings, NeedsColourTable()) != TWRC_SUCCESS)
        return Abandon(handle, TWCC_OPERATIONERROR);
    const bool buffered = UsesTransferBuffer(size_.RowBytes);
    if (buffered && source_.Job.AllocateTransferBuffer(ChunkBytes(size_.RowBytes)) != 0) {
        return Abandon(handle, TWCC_OPERATIONERROR);
    }

    const bool interpolated = IsInterpolatedScan(source_.Settings, source_.ModelCode());
    DibRowWriter rows(block_ + size_.HeaderBytes, size_.Stride, size_.RowBytes, size_.Rows,
                      source_.Settings.BitsPerPixel == 24);
    const NativeRead outcome = buffered ? ReadThroughBuffer(source_, rows, interpolated)
                                        : ReadStraightIntoRows(source_, rows, interpolated);
    if (outcome == NativeRead::NoRow) return Abandon(handle, TWCC_OPERATIONERROR);
    if (outcome == NativeRead::Padded) source_.Session.MoveTo(StateTransferring);
    if (outcome == NativeRead::EndedAtRows) {
        rows.KeepOnlyPlacedRows();
        auto* header = reinterpret_cast<BITMAPINFOHEADER*>(block_);
        header->biHeight = static_cast<LONG>(rows.RowsPlaced());
        header->biSizeImage = size_.Stride * rows.RowsPlaced();
    }

    source_.Handout().Unlock(dib_);
    trace::Device(source_.Job.Scanner.StopScan(), "StopScan");
    source_.Job.FreeTransferBuffer();
    source_.Job.Transfer.Buffer = nullptr;
    return TWRC_XFERDONE;
}

}  // namespace

TW_UINT16 HandleNativeTransfer(CTwainSource& source, TW_HANDLE* handle) {
    if (TW_UINT16 refusal = TransferRefusal(source, TransferKind::Native))
        return source.Fail(refusal);
    if (!handle) return source.Fail(TWCC_BADVALUE);
    // A transfer that fails leaves the window as it was, interpolated width included.
    const int32_t width = source.Settings.ScanWidth;
    const TW_UINT16 result = NativeImage(source).Transfer(*handle);
    if (result == TWRC_FAILURE) source.Settings.ScanWidth = width;
    return result;
}
