#include "engine/dib_rows.h"

#include <algorithm>
#include <cstring>

namespace {

void SwapRedAndBlue(unsigned char* row, uint32_t bytes) {
    unsigned char* const end = row + bytes / 3 * 3;
    for (unsigned char* pixel = row; pixel != end; pixel += 3) {
        const unsigned char red = pixel[0];
        pixel[0] = pixel[2];
        pixel[2] = red;
    }
}

}  // namespace

DibRowWriter::DibRowWriter(unsigned char* pixels, uint32_t stride, uint32_t rowBytes, uint32_t rows,
                           bool swapRedAndBlue)
    : pixels_(pixels), stride_(stride), rowBytes_(rowBytes), rows_(rows), swapRedAndBlue_(swapRedAndBlue) {}

uint64_t DibRowWriter::RemainingBytes() const {
    return static_cast<uint64_t>(rows_ - row_) * rowBytes_ - offset_;
}

unsigned char* DibRowWriter::Row(uint32_t line) const {
    return pixels_ + static_cast<size_t>(rows_ - 1 - line) * stride_;
}

unsigned char* DibRowWriter::RowTail() const { return Row(row_) + offset_; }

void DibRowWriter::Advance(uint32_t bytes) {
    offset_ += bytes;
    if (offset_ == rowBytes_) FinishRow();
}

void DibRowWriter::FinishRow() {
    if (swapRedAndBlue_) SwapRedAndBlue(Row(row_), rowBytes_);
    ++row_;
    offset_ = 0;
}

void DibRowWriter::Place(const unsigned char* data, uint32_t bytes) {
    while (bytes > 0 && !Complete()) {
        const uint32_t piece = std::min(bytes, RowTailBytes());
        std::memcpy(RowTail(), data, piece);
        Advance(piece);
        data += piece;
        bytes -= piece;
    }
}

void DibRowWriter::FinishWithZeroRows() {
    if (!Complete() && offset_ > 0) FinishRow();
    row_ = rows_;
    offset_ = 0;
}

void DibRowWriter::KeepOnlyPlacedRows() {
    const uint32_t placed = row_;
    if (placed == 0 || placed == rows_) return;
    std::memmove(pixels_, Row(placed - 1), static_cast<size_t>(placed) * stride_);
    rows_ = placed;
    offset_ = 0;
}
