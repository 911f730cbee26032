#include "tools/twacquire/row_assembler.h"

#include <algorithm>
#include <cstring>

#include "tools/image/image.h"
#include "tools/image/image_writer.h"

namespace {

std::string Describe(const TW_IMAGEMEMXFER& block) {
    return "XOffset " + std::to_string(block.XOffset) + ", YOffset " +
           std::to_string(block.YOffset) + ", " + std::to_string(block.Columns) + " columns, " +
           std::to_string(block.Rows) + " rows, " + std::to_string(block.BytesPerRow) +
           " bytes per row, " + std::to_string(block.BytesWritten) + " bytes written";
}

}  // namespace

CRowAssembler::CRowAssembler(CImageWriter& writer, int32_t width, int32_t height, int bitsPerPixel,
                             uint32_t windowRows)
    : writer_(writer),
      bits_(bitsPerPixel),
      rowBytes_(Image::RowBytesFor(width, bitsPerPixel)),
      heightKnown_(height != UnknownHeight),
      height_(heightKnown_ ? static_cast<uint32_t>(height) : 0),
      windowRows_(std::max<uint32_t>(1, windowRows)),
      window_(static_cast<size_t>(windowRows_) * rowBytes_, 0),
      filled_(windowRows_, 0) {}

bool CRowAssembler::Place(const TW_IMAGEMEMXFER& block, const uint8_t* data, std::string& error) {
    if (block.Rows == 0 || block.BytesWritten == 0) return true;
    const uint64_t byteOffset = static_cast<uint64_t>(block.XOffset) * bits_ / 8;
    const uint64_t pieceBytes = (static_cast<uint64_t>(block.Columns) * bits_ + 7) / 8;
    const uint64_t stride = block.BytesPerRow;
    const uint64_t needed = (block.Rows - 1) * stride + pieceBytes;
    const uint64_t end = static_cast<uint64_t>(block.YOffset) + block.Rows;
    const uint64_t lastRow = heightKnown_ ? height_ : uint64_t{0xffffffff};
    const bool inside = static_cast<uint64_t>(block.XOffset) * bits_ % 8 == 0 &&
                        byteOffset + pieceBytes <= rowBytes_ && end <= lastRow &&
                        needed <= block.BytesWritten && (block.Rows == 1 || stride >= pieceBytes);
    if (!inside) {
        error = "the source delivered a block outside the image (" + Describe(block) + ")";
        return false;
    }
    const uint32_t first = block.YOffset;
    auto outOfReach = [&](uint32_t row) {
        error = "the source delivered row " + std::to_string(row) + " while row " +
                std::to_string(nextRow_) + " was awaited (this client holds " +
                std::to_string(windowRows_) + " rows at a time)";
        return false;
    };
    if (first < nextRow_) return outOfReach(first);
    reached_ = std::max(reached_, static_cast<uint32_t>(end));
    const bool wholeRows = byteOffset == 0 && pieceBytes == rowBytes_;
    for (uint32_t r = 0; r < block.Rows; ++r) {
        const uint32_t row = first + r;
        const uint8_t* from = data + r * stride;
        const size_t slot = row % windowRows_;
        // The next row, whole and nothing of it waiting: straight to the writer.
        if (wholeRows && row == nextRow_ && filled_[slot] == 0) {
            if (!writer_.WriteRow(from, error)) return false;
            ++nextRow_;
            continue;
        }
        if (row >= nextRow_ + windowRows_) return outOfReach(row);
        // A piece goes into a row that keeps zeros wherever nothing arrives.
        if (filled_[slot] == 0 && !wholeRows) std::memset(Slot(row), 0, rowBytes_);
        std::memcpy(Slot(row) + byteOffset, from, pieceBytes);
        filled_[slot] =
            static_cast<size_t>(std::min<uint64_t>(rowBytes_, filled_[slot] + pieceBytes));
    }
    return WriteCompleteRows(error);
}

bool CRowAssembler::WriteCompleteRows(std::string& error) {
    while ((!heightKnown_ || nextRow_ < height_) && filled_[nextRow_ % windowRows_] == rowBytes_) {
        if (!writer_.WriteRow(Slot(nextRow_), error)) return false;
        filled_[nextRow_ % windowRows_] = 0;
        ++nextRow_;
    }
    return true;
}

bool CRowAssembler::SetHeight(uint32_t height, std::string& error) {
    if (height < reached_) {
        error = "the source reported an image of " + std::to_string(height) +
                " rows after delivering row " + std::to_string(reached_ - 1);
        return false;
    }
    heightKnown_ = true;
    height_ = height;
    return true;
}

bool CRowAssembler::Finish(std::string& error) {
    if (!heightKnown_) height_ = reached_;
    const std::vector<uint8_t> zeros(rowBytes_, 0);
    for (; nextRow_ < height_; ++nextRow_) {
        size_t& filled = filled_[nextRow_ % windowRows_];
        if (!writer_.WriteRow(filled ? Slot(nextRow_) : zeros.data(), error)) return false;
        filled = 0;
    }
    return true;
}
