#include "tools/twacquire/transfers.h"

#include <cstring>
#include <vector>

#include "tools/image/dib.h"
#include "tools/twacquire/progress.h"
#include "tools/twain_client.h"

namespace {

// Blocks of no bytes in a row after which the source is taken to be stuck.
constexpr int kEmptyBlockLimit = 1000;

std::vector<RgbColour> DocumentedPalette(TW_INT16 pixelType, int bitsPerPixel) {
    if (bitsPerPixel == 1) return BilevelPalette();
    if (bitsPerPixel == 4) return Colour16Palette();
    if (bitsPerPixel == 8) return pixelType == TWPT_GRAY ? GreyPalette() : Colour256Palette();
    return {};
}

// Where a block lands in the image, in bytes; false when any part of it would fall
// outside the image or outside what the source says it wrote.
struct BlockPlacement {
    size_t firstRow;
    size_t rows;
    size_t byteOffset;    // within each image row
    size_t bytesPerRow;   // copied per row
    size_t sourceStride;  // between rows in the buffer
};

bool PlaceBlock(const TW_IMAGEMEMXFER& block, const Image& image, BlockPlacement& place,
                std::string& error) {
    const int bits = image.BitsPerPixel;
    place.firstRow = block.YOffset;
    place.rows = block.Rows;
    place.byteOffset = static_cast<size_t>(block.XOffset) * bits / 8;
    place.bytesPerRow = Image::RowBytesFor(static_cast<int32_t>(block.Columns), bits);
    place.sourceStride = block.BytesPerRow;
    const size_t rowBytes = image.RowBytes();
    const bool inside = static_cast<uint64_t>(block.XOffset) * bits % 8 == 0 &&
                        place.byteOffset <= rowBytes &&
                        place.bytesPerRow <= rowBytes - place.byteOffset &&
                        place.firstRow <= static_cast<size_t>(image.Height) &&
                        place.rows <= image.Height - place.firstRow;
    const uint64_t needed =
        place.rows == 0
            ? 0
            : static_cast<uint64_t>(place.rows - 1) * place.sourceStride + place.bytesPerRow;
    if (!inside || needed > block.BytesWritten ||
        (place.rows > 1 && place.sourceStride < place.bytesPerRow)) {
        error = "the source delivered a block outside the image (XOffset " +
                std::to_string(block.XOffset) + ", YOffset " + std::to_string(block.YOffset) +
                ", " + std::to_string(block.Columns) + " columns, " + std::to_string(block.Rows) +
                " rows, " + std::to_string(block.BytesPerRow) + " bytes per row, " +
                std::to_string(block.BytesWritten) + " bytes written)";
        return false;
    }
    return true;
}

// The transfer may widen the image beyond what DAT_IMAGEINFO said (interpolated
// colour is aligned when the scan starts): the first block's row length decides.
bool FitWidth(const TW_IMAGEMEMXFER& block, Image& image, std::string& error) {
    if (block.BytesPerRow == image.RowBytes() || block.BytesPerRow == 0) return true;
    const int bits = image.BitsPerPixel;
    const uint64_t width = static_cast<uint64_t>(block.BytesPerRow) * 8 / bits;
    if (Image::RowBytesFor(static_cast<int32_t>(width), bits) != block.BytesPerRow ||
        width > 0x7fffffff) {
        error = "the source's row length of " + std::to_string(block.BytesPerRow) +
                " bytes fits no width at " + std::to_string(bits) + " bits";
        return false;
    }
    std::vector<RgbColour> palette = image.Palette;
    if (!AllocateImage(image, static_cast<int32_t>(width), image.Height, bits, error)) return false;
    image.Palette = palette;
    return true;
}

}  // namespace

TransferOutcome NativeTransfer(CTwainClient& client, Image& image) {
    TransferOutcome outcome;
    uintptr_t handleValue = 0;  // as wide as a handle
    CProgress progress("native transfer", 0);
    const double start = SecondsNow();
    outcome.ReturnCode = client.Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handleValue);
    outcome.Seconds = SecondsNow() - start;
    progress.Finish();
    if (outcome.ReturnCode != TWRC_XFERDONE) return outcome;  // no handle is ours on failure

    HGLOBAL dib = reinterpret_cast<HGLOBAL>(static_cast<uintptr_t>(handleValue));
    const void* bytes = dib ? GlobalLock(dib) : nullptr;
    if (!bytes) {
        outcome.Error = "the source handed over no usable bitmap handle";
        return outcome;
    }
    const size_t size = GlobalSize(dib);
    outcome.Ok = ImageFromDib(bytes, size, image, outcome.Error);
    outcome.Bytes = size;
    GlobalUnlock(dib);
    GlobalFree(dib);
    return outcome;
}

TransferOutcome MemoryTransfer(CTwainClient& client, const TW_IMAGEINFO& info, TW_UINT32 bufferSize,
                               Image& image) {
    TransferOutcome outcome;
    if (!AllocateImage(image, info.ImageWidth, info.ImageLength, info.BitsPerPixel, outcome.Error))
        return outcome;
    image.Palette = DocumentedPalette(info.PixelType, info.BitsPerPixel);

    std::vector<uint8_t> buffer(bufferSize ? bufferSize : 1);
    CProgress progress("memory transfer", image.Pixels.size());
    const double start = SecondsNow();
    int emptyBlocks = 0;
    bool first = true;
    for (;;) {
        TW_IMAGEMEMXFER block;
        std::memset(&block, 0xff, sizeof block);  // TWON_DONTCARE in every field the source fills
        block.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
        block.Memory.Length = bufferSize;
        block.Memory.TheMem = buffer.data();
        outcome.ReturnCode = client.Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &block);
        if (outcome.ReturnCode != TWRC_SUCCESS && outcome.ReturnCode != TWRC_XFERDONE) break;
        if (first && !FitWidth(block, image, outcome.Error)) break;
        first = false;
        BlockPlacement place;
        if (!PlaceBlock(block, image, place, outcome.Error)) break;
        for (size_t r = 0; r < place.rows; ++r)
            std::memcpy(image.Row(static_cast<int32_t>(place.firstRow + r)) + place.byteOffset,
                        buffer.data() + r * place.sourceStride, place.bytesPerRow);
        outcome.Bytes += block.BytesWritten;
        progress.Update(outcome.Bytes);
        if (outcome.ReturnCode == TWRC_XFERDONE) {
            outcome.Ok = true;
            break;
        }
        emptyBlocks = block.BytesWritten == 0 ? emptyBlocks + 1 : 0;
        if (emptyBlocks >= kEmptyBlockLimit) {
            outcome.Error = "the source keeps delivering empty blocks (buffer of " +
                            std::to_string(bufferSize) + " bytes too small?)";
            break;
        }
    }
    outcome.Seconds = SecondsNow() - start;
    progress.Finish();
    return outcome;
}
