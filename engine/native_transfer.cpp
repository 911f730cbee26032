// DAT_IMAGENATIVEXFER: the whole image in one bottom-up DIB of fixed, zeroed memory
// whose handle goes to the application. Rows have the standard 4-byte DIB stride;
// each device line (unpadded) is placed at the start of its row.
#include <algorithm>
#include <cstdint>

#include "engine/dib_builder.h"
#include "engine/dib_rows.h"
#include "engine/scan_job.h"

namespace {

// No read asks for more than this.
constexpr uint32_t LargestRead = 65536;
// Lines at least this long are read straight into their rows, one read per line
// (or per 64 KB piece of it); shorter lines are read several at a time into the
// transfer buffer and copied.
constexpr uint32_t DirectReadLineBytes = 16384;

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

// The DIB handed to the application, locked while it is filled.
struct Dib {
    HGLOBAL Handle;
    unsigned char* Bytes;
};

bool AllocateDib(const HandoutMemory& memory, const ScanPlan& plan, Dib& dib) {
    dib.Handle = memory.Allocate(GMEM_FIXED | GMEM_ZEROINIT, plan.Native.TotalBytes);
    if (!dib.Handle) return false;
    dib.Bytes = static_cast<unsigned char*>(memory.Lock(dib.Handle));
    if (!dib.Bytes) {
        memory.Free(dib.Handle);
        return false;
    }
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(dib.Bytes);
    WriteDibHeader(*header, plan.Width, plan.Length, plan.BitsPerPixel, plan.XResolution,
                   plan.YResolution);
    std::copy(plan.Colours, plan.Colours + plan.ColourCount,
              reinterpret_cast<RGBQUAD*>(header + 1));
    return true;
}

}  // namespace

enum class ScanJob::NativeRead {
    Complete,
    DeviceEnded,  // the device ended the scan (the sheet ended, or the device failed)
    EndedAtRows,  // the device stayed not ready after rows were placed
    NoRow,        // the device stayed not ready before the first row
};

ScanJob::NativeRead ScanJob::ReadStraightIntoRows(DibRowWriter& rows) {
    while (!rows.Complete()) {
        const uint32_t piece = std::min(rows.RowTailBytes(), LargestRead);
        const FillResult read = Fill(rows.RowTail(), piece, Patience(rows));
        rows.Advance(read.Bytes);
        if (read.Outcome == FillOutcome::Stopped) return NativeRead::DeviceEnded;
        if (read.Outcome == FillOutcome::NotReady)
            return rows.RowsPlaced() == 0 ? NativeRead::NoRow : NativeRead::EndedAtRows;
    }
    return NativeRead::Complete;
}

ScanJob::NativeRead ScanJob::ReadThroughBuffer(DibRowWriter& rows) {
    unsigned char* const buffer = transfer_.Buffer;
    const uint32_t chunk = transfer_.BytesRequested;
    while (!rows.Complete()) {
        transfer_.Buffer = buffer;
        transfer_.BytesRequested =
            static_cast<uint32_t>(std::min<uint64_t>(chunk, rows.RemainingBytes()));
        if (!ReadWithPatience(Patience(rows)))
            return rows.RowsPlaced() == 0 ? NativeRead::NoRow : NativeRead::EndedAtRows;
        if (stopped_) return NativeRead::DeviceEnded;
        rows.Place(buffer, transfer_.BytesDelivered);
    }
    return NativeRead::Complete;
}

TransferOutcome ScanJob::TransferNative(const HandoutMemory& memory, TW_HANDLE& handle) {
    const NativeImageSize& size = plan_.Native;
    if (size.Refusal != TWCC_SUCCESS) return {TWRC_FAILURE, size.Refusal, false};
    Dib dib = {};
    if (!AllocateDib(memory, plan_, dib)) {
        handle = nullptr;
        return {TWRC_FAILURE, TWCC_LOWMEMORY, false};
    }
    handle = dib.Handle;
    // Stops the scanner and frees the read buffer and the DIB; the application's
    // variable no longer names a block.
    auto abandon = [&](TW_UINT16 conditionCode) -> TransferOutcome {
        StopScanner();
        FreeTransferBuffer();
        memory.Unlock(dib.Handle);
        memory.Free(dib.Handle);
        handle = nullptr;
        return {TWRC_FAILURE, conditionCode, false};
    };
    if (!Start(plan_.TranslatesColours)) return abandon(TWCC_OPERATIONERROR);
    const bool buffered = UsesTransferBuffer(size.RowBytes);
    if (buffered && !AllocateTransferBuffer(ChunkBytes(size.RowBytes)))
        return abandon(TWCC_OPERATIONERROR);

    DibRowWriter rows(dib.Bytes + size.HeaderBytes, size.Stride, size.RowBytes, size.Rows,
                      plan_.BitsPerPixel == 24);
    NativeRead outcome = buffered ? ReadThroughBuffer(rows) : ReadStraightIntoRows(rows);
    // An image that ends with the sheet ends at its last whole row; any other that
    // the device ended keeps its height, with zero rows for those not delivered.
    if (outcome == NativeRead::DeviceEnded && plan_.AutomaticLength) {
        if (rows.RowsPlaced() == 0) return abandon(TWCC_NOMEDIA);
        outcome = NativeRead::EndedAtRows;
    }
    if (outcome == NativeRead::DeviceEnded) rows.FinishWithZeroRows();
    if (outcome == NativeRead::NoRow) return abandon(TWCC_OPERATIONERROR);
    if (plan_.AutomaticLength) scannedRows_ = static_cast<int32_t>(rows.RowsPlaced());
    if (outcome == NativeRead::EndedAtRows) {
        rows.KeepOnlyPlacedRows();
        auto* header = reinterpret_cast<BITMAPINFOHEADER*>(dib.Bytes);
        header->biHeight = static_cast<LONG>(rows.RowsPlaced());
        header->biSizeImage = size.Stride * rows.RowsPlaced();
    }

    memory.Unlock(dib.Handle);
    StopScanner();
    FreeTransferBuffer();
    return {TWRC_XFERDONE, TWCC_SUCCESS, outcome == NativeRead::DeviceEnded};
}
