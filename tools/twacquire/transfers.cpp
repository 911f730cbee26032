#include "tools/twacquire/transfers.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "tools/image/dib.h"
#include "tools/image/image_writer.h"
#include "tools/twacquire/cancel.h"
#include "tools/twacquire/progress.h"
#include "tools/twacquire/row_assembler.h"
#include "tools/twain_capability.h"
#include "tools/twain_client.h"

namespace {

// Blocks of no bytes in a row after which the source is taken to be stuck.
constexpr int EmptyBlockLimit = 1000;
// Rows a memory transfer may hold while waiting for rows above them.
constexpr size_t WindowBytes = 4 << 20;

std::vector<RgbColour> DocumentedPalette(TW_INT16 pixelType, int bitsPerPixel) {
    if (bitsPerPixel == 1) return BilevelPalette();
    if (bitsPerPixel == 4) return Colour16Palette();
    if (bitsPerPixel == 8) return pixelType == TWPT_GRAY ? GreyPalette() : Colour256Palette();
    return {};
}

ImageFormat FormatFromInfo(const TW_IMAGEINFO& info) {
    ImageFormat format;
    format.Width = info.ImageWidth;
    format.Height = info.ImageLength;
    format.BitsPerPixel = info.BitsPerPixel;
    format.Palette = DocumentedPalette(info.PixelType, info.BitsPerPixel);
    format.XResolution = Fix32ToDouble(info.XResolution);
    format.YResolution = Fix32ToDouble(info.YResolution);
    return format;
}

// The transfer may widen the image beyond what DAT_IMAGEINFO said (interpolated
// colour is aligned when the scan starts): the first block's row length decides.
bool FitWidth(const TW_IMAGEMEMXFER& block, ImageFormat& format, std::string& error) {
    if (block.BytesPerRow == format.RowBytes() || block.BytesPerRow == 0 ||
        block.BytesPerRow == TWON_DONTCARE32)
        return true;
    const int bits = format.BitsPerPixel;
    const uint64_t width = static_cast<uint64_t>(block.BytesPerRow) * 8 / bits;
    if (width > 0x7fffffff ||
        Image::RowBytesFor(static_cast<int32_t>(width), bits) != block.BytesPerRow) {
        error = "the source's row length of " + std::to_string(block.BytesPerRow) +
                " bytes fits no width at " + std::to_string(bits) + " bits";
        return false;
    }
    format.Width = static_cast<int32_t>(width);
    return true;
}

void NoteShape(TransferOutcome& outcome, const ImageFormat& format) {
    outcome.Width = format.Width;
    outcome.Height = format.Height;
    outcome.BitsPerPixel = format.BitsPerPixel;
}

// The end of a memory transfer: an image whose length was unknown takes the length
// the source reports now, in state 7 (the rows delivered when it reports none).
bool FinishRows(CTwainClient& client, CRowAssembler& rows, const ImageFormat& format,
                TransferOutcome& outcome) {
    if (!format.HeightKnown) {
        TW_IMAGEINFO scanned{};
        if (client.Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &scanned) == TWRC_SUCCESS &&
            scanned.ImageLength >= 0 &&
            !rows.SetHeight(static_cast<uint32_t>(scanned.ImageLength), outcome.Error))
            return false;
    }
    if (!rows.Finish(outcome.Error)) return false;
    outcome.Height = static_cast<int32_t>(rows.RowsWritten());
    return true;
}

}  // namespace

uint64_t NativeTransferBytes(const TW_IMAGEINFO& info) {
    const uint64_t colours = info.BitsPerPixel <= 8 ? uint64_t{1} << info.BitsPerPixel : 0;
    return sizeof(BITMAPINFOHEADER) + 4 * colours +
           static_cast<uint64_t>(DibStride(info.ImageWidth, info.BitsPerPixel)) *
               static_cast<uint64_t>(std::max<TW_INT32>(0, info.ImageLength));
}

TransferOutcome NativeTransfer(CTwainClient& client, const TW_IMAGEINFO& info,
                               CImageWriter& writer) {
    TransferOutcome outcome;
    uintptr_t handleValue = 0;  // as wide as a handle
    CProgress progress("native transfer", 0, 0);
    const double start = SecondsNow();
    outcome.ReturnCode = client.Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handleValue);
    if (outcome.ReturnCode != TWRC_XFERDONE) return outcome;  // no handle is ours on failure

    HGLOBAL dib = reinterpret_cast<HGLOBAL>(static_cast<uintptr_t>(handleValue));
    const void* bytes = dib ? GlobalLock(dib) : nullptr;
    if (!bytes) {
        outcome.Error = "the source handed over no usable bitmap handle";
        return outcome;
    }
    const size_t size = GlobalSize(dib);
    outcome.Bytes = size;
    DibLayout layout;
    if (ReadDibLayout(bytes, size, layout, outcome.Error)) {
        ImageFormat format = FormatFromInfo(info);
        format.Width = layout.Width;
        format.Height = layout.Height;
        format.BitsPerPixel = layout.BitsPerPixel;
        format.Palette = layout.Palette;
        NoteShape(outcome, format);
        progress.SetTotal(layout.Height, format.RowBytes());
        std::vector<uint8_t> row(format.RowBytes());
        bool ok = writer.Begin(format, outcome.Error);
        for (int32_t y = 0; ok && y < layout.Height; ++y) {
            if (CancelRequested()) {
                outcome.Cancelled = true;
                ok = false;
                break;
            }
            CopyDibRow(bytes, layout, y, row.data());
            ok = writer.WriteRow(row.data(), outcome.Error);
            progress.Update(y + 1);
        }
        outcome.Ok = ok;
    }
    outcome.Seconds = SecondsNow() - start;
    progress.Finish();
    GlobalUnlock(dib);
    GlobalFree(dib);
    return outcome;
}

TransferOutcome MemoryTransfer(CTwainClient& client, const TW_IMAGEINFO& info, TW_UINT32 bufferSize,
                               const SheetEnd& sheet, CImageWriter& writer) {
    TransferOutcome outcome;
    ImageFormat format = FormatFromInfo(info);
    if (sheet.Detected) {
        format.HeightKnown = false;
        format.Height = static_cast<int32_t>(
            std::max<int64_t>({0, info.ImageLength, static_cast<int64_t>(sheet.MaxRows)}));
    }
    std::vector<uint8_t> buffer(bufferSize ? bufferSize : 1);
    std::unique_ptr<CRowAssembler> rows;
    CProgress progress("memory transfer", format.HeightKnown ? format.Height : 0,
                       format.RowBytes());
    const double start = SecondsNow();
    int emptyBlocks = 0;
    for (;;) {
        if (CancelRequested()) {
            outcome.Cancelled = true;
            break;
        }
        TW_IMAGEMEMXFER block;
        std::memset(&block, 0xff, sizeof block);  // TWON_DONTCARE in every field the source fills
        block.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
        block.Memory.Length = bufferSize;
        block.Memory.TheMem = buffer.data();
        outcome.ReturnCode = client.Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &block);
        if (outcome.ReturnCode != TWRC_SUCCESS && outcome.ReturnCode != TWRC_XFERDONE) break;
        if (!rows) {
            if (!FitWidth(block, format, outcome.Error) || !writer.Begin(format, outcome.Error))
                break;
            NoteShape(outcome, format);
            const size_t rowBytes = std::max<size_t>(1, format.RowBytes());
            const size_t windowRows =
                std::max(WindowBytes, 2 * static_cast<size_t>(bufferSize)) / rowBytes + 2;
            const int32_t height =
                format.HeightKnown ? format.Height : CRowAssembler::UnknownHeight;
            rows.reset(new CRowAssembler(writer, format.Width, height, format.BitsPerPixel,
                                         static_cast<uint32_t>(windowRows)));
            progress.SetTotal(format.HeightKnown ? format.Height : 0, format.RowBytes());
        }
        if (!rows->Place(block, buffer.data(), outcome.Error)) break;
        outcome.Bytes += block.BytesWritten;
        progress.Update(rows->RowsWritten());
        if (outcome.ReturnCode == TWRC_XFERDONE) {
            outcome.Ok = FinishRows(client, *rows, format, outcome);
            break;
        }
        emptyBlocks = block.BytesWritten == 0 ? emptyBlocks + 1 : 0;
        if (emptyBlocks >= EmptyBlockLimit) {
            outcome.Error = "the source keeps delivering empty blocks (buffer of " +
                            std::to_string(bufferSize) + " bytes too small?)";
            break;
        }
    }
    outcome.Seconds = SecondsNow() - start;
    progress.Finish();
    return outcome;
}
