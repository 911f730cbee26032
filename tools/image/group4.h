// CCITT Group 4 (T.6) coding of bilevel rows, as TIFF compression 4 stores it: each
// row coded against the one above (an all-white row above the first), no end-of-
// line codes, the strip closed by the end-of-facsimile block and padded to a byte.
// Bits are 1 for black, most significant bit first.
#pragma once

#include <cstdint>
#include <vector>

class CGroup4Encoder {
public:
    explicit CGroup4Encoder(int32_t width);

    // Starts a strip: the reference row is white again.
    void Reset();
    void EncodeRow(const uint8_t* row, std::vector<uint8_t>& out);
    // Ends the strip: end-of-facsimile block and the last partial byte.
    void End(std::vector<uint8_t>& out);

private:
    void Put(uint32_t code, int length, std::vector<uint8_t>& out);
    void PutRun(int32_t run, bool black, std::vector<uint8_t>& out);

    int32_t width_;
    std::vector<uint8_t> reference_;
    uint32_t bits_ = 0;  // pending bits, in the low `pending_` bits
    int pending_ = 0;
};
