// Places the device's line stream into the rows of a bottom-up DIB: the first line
// in the last row. Lines may arrive in pieces of any size (rows longer than one
// read, short reads); a 24-bit row is turned from RGB into BGR as it completes.
// The DIB is zero-initialised, so its padding and the rows never reached stay 0.
#pragma once

#include <cstdint>

class DibRowWriter {
public:
    DibRowWriter(unsigned char* pixels, uint32_t stride, uint32_t rowBytes, uint32_t rows,
                 bool swapRedAndBlue);

    bool Complete() const { return row_ == rows_; }
    uint32_t RowsPlaced() const { return row_; }
    // Bytes of the device's stream still to come.
    uint64_t RemainingBytes() const;

    // The part of the current line not yet filled, for a read straight into the DIB.
    unsigned char* RowTail() const;
    uint32_t RowTailBytes() const { return rowBytes_ - offset_; }
    // `bytes` (at most RowTailBytes()) have been written at RowTail().
    void Advance(uint32_t bytes);

    // Copies a piece of the stream into place, across as many rows as it covers.
    void Place(const unsigned char* data, uint32_t bytes);

    // The device ended: the current line keeps what it has with zeros after it, and
    // every later row stays a zero row.
    void FinishWithZeroRows();

    // Ends the image at the whole rows placed: moves them to the start of the pixel
    // block, where a DIB of RowsPlaced() rows expects them.
    void KeepOnlyPlacedRows();

private:
    unsigned char* Row(uint32_t line) const;
    void FinishRow();

    unsigned char* pixels_;
    uint32_t stride_;
    uint32_t rowBytes_;
    uint32_t rows_;
    bool swapRedAndBlue_;
    uint32_t row_ = 0;     // the line being filled
    uint32_t offset_ = 0;  // bytes of it already there
};
