#include "engine/dib_rows.h"

#include <algorithm>
#include <cstring>

namespace {

// RGB to BGR in place. Four pixels at a time as three 32-bit words (little-endian:
// R0 G0 B0 R1 | G1 B1 R2 G2 | B2 R3 G3 B3 becomes B0 G0 R0 B1 | G1 R1 B2 G2 |
// R2 B3 G3 R3), the rest pixel by pixel.
void SwapRedAndBlue(unsigned char* row, uint32_t bytes) {
    const uint32_t pixels = bytes / 3;
    unsigned char* pixel = row;
    for (uint32_t group = 0; group < pixels / 4; ++group, pixel += 12) {
        uint32_t w0, w1, w2;
        std::memcpy(&w0, pixel, 4);
        std::memcpy(&w1, pixel + 4, 4);
        std::memcpy(&w2, pixel + 8, 4);
        const uint32_t out0 = ((w0 >> 16) & 0xFFu) | (w0 & 0xFF00u) | ((w0 & 0xFFu) << 16) |
                              ((w1 >> 8 & 0xFFu) << 24);
        const uint32_t out1 =
            (w1 & 0xFFu) | ((w0 >> 24) << 8) | ((w2 & 0xFFu) << 16) | (w1 & 0xFF000000u);
        const uint32_t out2 =
            ((w1 >> 16) & 0xFFu) | ((w2 >> 24) << 8) | (w2 & 0xFF0000u) | ((w2 >> 8 & 0xFFu) << 24);
        std::memcpy(pixel, &out0, 4);
        std::memcpy(pixel + 4, &out1, 4);
        std::memcpy(pixel + 8, &out2, 4);
    }
    for (uint32_t rest = 0; rest < pixels % 4; ++rest, pixel += 3) {
        const unsigned char red = pixel[0];
        pixel[0] = pixel[2];
        pixel[2] = red;
    }
}

}  // namespace

DibRowWriter::DibRowWriter(unsigned char* pixels, uint32_t stride, uint32_t rowBytes, uint32_t rows,
                           bool swapRedAndBlue)
    : pixels_(pixels),
      stride_(stride),
      rowBytes_(rowBytes),
      rows_(rows),
      swapRedAndBlue_(swapRedAndBlue) {}

uint64_t DibRowWriter::RemainingBytes() const {
    return static_cast<uint64_t>(rows_ - row_) * rowBytes_ - offset_;
}

unsigned char* DibRowWriter::Row(uint32_t line) const {
    return pixels_ + static_cast<size_t>(rows_ - 1 - line) * stride_;
}

unsigned char* DibRowWriter::RowTail() const {
    return Row(row_) + offset_;
}

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
