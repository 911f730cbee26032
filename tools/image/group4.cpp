#include "tools/image/group4.h"

#include <cstring>

namespace {

// The T.4 run-length codes, as written in the standard, most significant bit first.
const char* const WhiteTerminating[64] = {
    "00110101", "000111",   "0111",     "1000",     "1011",     "1100",     "1110",     "1111",
    "10011",    "10100",    "00111",    "01000",    "001000",   "000011",   "110100",   "110101",
    "101010",   "101011",   "0100111",  "0001100",  "0001000",  "0010111",  "0000011",  "0000100",
    "0101000",  "0101011",  "0010011",  "0100100",  "0011000",  "00000010", "00000011", "00011010",
    "00011011", "00010010", "00010011", "00010100", "00010101", "00010110", "00010111", "00101000",
    "00101001", "00101010", "00101011", "00101100", "00101101", "00000100", "00000101", "00001010",
    "00001011", "01010010", "01010011", "01010100", "01010101", "00100100", "00100101", "01011000",
    "01011001", "01011010", "01011011", "01001010", "01001011", "00110010", "00110011", "00110100"};
// 64, 128, ... 1728.
const char* const WhiteMakeup[27] = {
    "11011",     "10010",     "010111",    "0110111",   "00110110",  "00110111",  "01100100",
    "01100101",  "01101000",  "01100111",  "011001100", "011001101", "011010010", "011010011",
    "011010100", "011010101", "011010110", "011010111", "011011000", "011011001", "011011010",
    "011011011", "010011000", "010011001", "010011010", "011000",    "010011011"};
const char* const BlackTerminating[64] = {
    "0000110111",   "010",          "11",           "10",           "011",          "0011",
    "0010",         "00011",        "000101",       "000100",       "0000100",      "0000101",
    "0000111",      "00000100",     "00000111",     "000011000",    "0000010111",   "0000011000",
    "0000001000",   "00001100111",  "00001101000",  "00001101100",  "00000110111",  "00000101000",
    "00000010111",  "00000011000",  "000011001010", "000011001011", "000011001100", "000011001101",
    "000001101000", "000001101001", "000001101010", "000001101011", "000011010010", "000011010011",
    "000011010100", "000011010101", "000011010110", "000011010111", "000001101100", "000001101101",
    "000011011010", "000011011011", "000001010100", "000001010101", "000001010110", "000001010111",
    "000001100100", "000001100101", "000001010010", "000001010011", "000000100100", "000000110111",
    "000000111000", "000000100111", "000000101000", "000001011000", "000001011001", "000000101011",
    "000000101100", "000001011010", "000001100110", "000001100111"};
const char* const BlackMakeup[27] = {
    "0000001111",    "000011001000",  "000011001001",  "000001011011",  "000000110011",
    "000000110100",  "000000110101",  "0000001101100", "0000001101101", "0000001001010",
    "0000001001011", "0000001001100", "0000001001101", "0000001110010", "0000001110011",
    "0000001110100", "0000001110101", "0000001110110", "0000001110111", "0000001010010",
    "0000001010011", "0000001010100", "0000001010101", "0000001011010", "0000001011011",
    "0000001100100", "0000001100101"};
// 1792, 1856, ... 2560, the same for both colours.
const char* const ExtendedMakeup[13] = {
    "00000001000",  "00000001100",  "00000001101",  "000000010010", "000000010011",
    "000000010100", "000000010101", "000000010110", "000000010111", "000000011100",
    "000000011101", "000000011110", "000000011111"};

// Vertical mode for a1 - b1 = -3 .. 3, pass and horizontal mode, end of block.
const char* const VerticalCodes[7] = {"0000010", "000010", "010", "1", "011", "000011", "0000011"};
const char Pass[] = "0001";
const char Horizontal[] = "001";
const char EndOfLine[] = "000000000001";

struct Code {
    uint32_t Bits;
    int Length;
};

Code Parse(const char* text) {
    Code code{0, static_cast<int>(std::strlen(text))};
    for (int i = 0; i < code.Length; ++i)
        code.Bits = code.Bits << 1 | (text[i] == '1');
    return code;
}

bool Pixel(const uint8_t* row, int32_t x) {
    return row[x >> 3] >> (7 - (x & 7)) & 1;
}

// The first position from `x` on whose colour is not `colour`, or `width`.
int32_t NextChange(const uint8_t* row, int32_t x, int32_t width, bool colour) {
    const uint8_t same = colour ? 0xff : 0x00;
    while (x < width) {
        if ((x & 7) == 0 && x + 8 <= width && row[x >> 3] == same) {
            x += 8;
            continue;
        }
        if (Pixel(row, x) != colour) return x;
        ++x;
    }
    return width;
}

}  // namespace

CGroup4Encoder::CGroup4Encoder(int32_t width)
    : width_(width), reference_((static_cast<size_t>(width) + 7) / 8, 0) {}

void CGroup4Encoder::Reset() {
    std::memset(reference_.data(), 0, reference_.size());
}

void CGroup4Encoder::Put(uint32_t code, int length, std::vector<uint8_t>& out) {
    for (int i = length - 1; i >= 0; --i) {
        bits_ = bits_ << 1 | (code >> i & 1);
        if (++pending_ == 8) {
            out.push_back(static_cast<uint8_t>(bits_));
            bits_ = 0;
            pending_ = 0;
        }
    }
}

void CGroup4Encoder::PutRun(int32_t run, bool black, std::vector<uint8_t>& out) {
    auto put = [&](const char* text) {
        const Code code = Parse(text);
        Put(code.Bits, code.Length, out);
    };
    while (run > 2560) {
        put(ExtendedMakeup[12]);
        run -= 2560;
    }
    if (run >= 1792) {
        put(ExtendedMakeup[(run - 1792) / 64]);
        run %= 64;
    } else if (run >= 64) {
        put((black ? BlackMakeup : WhiteMakeup)[run / 64 - 1]);
        run %= 64;
    }
    put((black ? BlackTerminating : WhiteTerminating)[run]);
}

// The two-dimensional coding of T.6: a0 the last coded position (before the row at
// first), a1 and a2 the next changes on the coding row, b1 and b2 the changes on
// the reference row above a0 of the colour opposite to a0's, and the next.
void CGroup4Encoder::EncodeRow(const uint8_t* row, std::vector<uint8_t>& out) {
    const uint8_t* ref = reference_.data();
    auto put = [&](const char* text) {
        const Code code = Parse(text);
        Put(code.Bits, code.Length, out);
    };
    int32_t a0 = 0;
    bool colour = false;  // white before the row
    int32_t a1 = Pixel(row, 0) ? 0 : NextChange(row, 0, width_, false);
    int32_t b1 = Pixel(ref, 0) ? 0 : NextChange(ref, 0, width_, false);
    for (;;) {
        const int32_t b2 = b1 < width_ ? NextChange(ref, b1, width_, Pixel(ref, b1)) : width_;
        if (b2 < a1) {
            put(Pass);
            a0 = b2;
        } else if (a1 - b1 >= -3 && a1 - b1 <= 3) {
            put(VerticalCodes[a1 - b1 + 3]);
            a0 = a1;
            colour = !colour;
        } else {
            const int32_t a2 = a1 < width_ ? NextChange(row, a1, width_, Pixel(row, a1)) : width_;
            put(Horizontal);
            PutRun(a1 - a0, colour, out);
            PutRun(a2 - a1, !colour, out);
            a0 = a2;
        }
        if (a0 >= width_) break;
        const bool here = Pixel(row, a0);
        a1 = NextChange(row, a0, width_, here);
        b1 = NextChange(ref, a0, width_, !here);
        b1 = NextChange(ref, b1, width_, here);
    }
    std::memcpy(reference_.data(), row, reference_.size());
}

void CGroup4Encoder::End(std::vector<uint8_t>& out) {
    const Code eol = Parse(EndOfLine);
    Put(eol.Bits, eol.Length, out);
    Put(eol.Bits, eol.Length, out);
    if (pending_ > 0) Put(0, 8 - pending_, out);
}
