#include "engine/dib_rows.h"

#include <tmmintrin.h>

#include <algorithm>
#include <cstring>

namespace {

// The byte of a 48-byte group (16 pixels) that lands at `position` when red and blue
// change places.
constexpr int SwappedSource(int position) {
    return position / 3 * 3 + 2 - position % 3;
}

// pshufb mask that picks, for output register `out`, the bytes that come from input
// register `in` (0x80, a zero, for the others).
struct ShuffleMasks {
    alignas(16) signed char bytes[3][3][16];
    constexpr ShuffleMasks() : bytes() {
        for (int out = 0; out < 3; ++out)
            for (int in = 0; in < 3; ++in)
                for (int i = 0; i < 16; ++i) {
                    const int source = SwappedSource(16 * out + i) - 16 * in;
                    bytes[out][in][i] =
                        static_cast<signed char>(source >= 0 && source < 16 ? source : 0x80);
                }
    }
};

constexpr ShuffleMasks Masks;

// RGB to BGR in place with SSSE3, 16 pixels (three 16-byte registers) at a time:
// every output register is its input registers shuffled and combined. All three
// loads come before the stores, and no load overlaps an earlier store. Returns the
// bytes done, a multiple of 48.
__attribute__((target("ssse3"))) uint32_t SwapRedAndBlueSsse3(unsigned char* row, uint32_t bytes) {
    __m128i mask[3][3];
    for (int out = 0; out < 3; ++out)
        for (int in = 0; in < 3; ++in)
            mask[out][in] = _mm_load_si128(reinterpret_cast<const __m128i*>(Masks.bytes[out][in]));
    uint32_t done = 0;
    for (; done + 48 <= bytes; done += 48) {
        __m128i* at = reinterpret_cast<__m128i*>(row + done);
        const __m128i in0 = _mm_loadu_si128(at), in1 = _mm_loadu_si128(at + 1),
                      in2 = _mm_loadu_si128(at + 2);
        const __m128i out0 =
            _mm_or_si128(_mm_shuffle_epi8(in0, mask[0][0]), _mm_shuffle_epi8(in1, mask[0][1]));
        const __m128i out1 = _mm_or_si128(
            _mm_or_si128(_mm_shuffle_epi8(in0, mask[1][0]), _mm_shuffle_epi8(in1, mask[1][1])),
            _mm_shuffle_epi8(in2, mask[1][2]));
        const __m128i out2 =
            _mm_or_si128(_mm_shuffle_epi8(in1, mask[2][1]), _mm_shuffle_epi8(in2, mask[2][2]));
        _mm_storeu_si128(at, out0);
        _mm_storeu_si128(at + 1, out1);
        _mm_storeu_si128(at + 2, out2);
    }
    return done;
}

bool HasSsse3() {
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}

// RGB to BGR in place: with SSSE3 where the processor has it, then (or else) four
// pixels at a time as three 32-bit words (little-endian: R0 G0 B0 R1 | G1 B1 R2 G2 |
// B2 R3 G3 B3 becomes B0 G0 R0 B1 | G1 R1 B2 G2 | R2 B3 G3 R3), the rest pixel by
// pixel.
void SwapRedAndBlue(unsigned char* row, uint32_t bytes) {
    const uint32_t vectorBytes = HasSsse3() ? SwapRedAndBlueSsse3(row, bytes) : 0;
    row += vectorBytes;
    bytes -= vectorBytes;
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
