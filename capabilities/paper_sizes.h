// The paper sizes the source can be set to with ICAP_SUPPORTEDSIZES: one row per
// TWSS code, with the paper's portrait width and length in the unit the paper is
// defined in (millimetres for the ISO A series, inches for the US sizes).
#pragma once

#include <cstddef>

#include "platform/twain.h"

enum class PaperUnit { Millimetres, Inches };

struct PaperSize {
    TW_UINT16 Code;  // TWSS_
    double Width, Length;
    PaperUnit Unit;

    double WidthInches() const;
    double LengthInches() const;
};

// The rows, by ascending code.
struct PaperSizeTable {
    const PaperSize* Rows;
    size_t Count;

    const PaperSize* begin() const { return Rows; }
    const PaperSize* end() const { return Rows + Count; }
};
PaperSizeTable PaperSizes();

// The row of a code; null for TWSS_NONE and every code without a row.
const PaperSize* FindPaperSize(TW_UINT16 code);
