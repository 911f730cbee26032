// The paper sizes, as ISO 216 and the US paper sizes define them.
#include "capabilities/paper_sizes.h"

namespace {

constexpr double MillimetresPerInch = 25.4;
constexpr PaperUnit Mm = PaperUnit::Millimetres, In = PaperUnit::Inches;

// clang-format off
const PaperSize Sizes[] = {
    {TWSS_A4,           210,   297,  Mm},
    {TWSS_USLETTER,     8.5,   11,   In},
    {TWSS_USLEGAL,      8.5,   14,   In},
    {TWSS_A5,           148,   210,  Mm},
    {TWSS_USLEDGER,     11,    17,   In},
    {TWSS_USEXECUTIVE,  7.25,  10.5, In},
    {TWSS_A3,           297,   420,  Mm},
    {TWSS_A6,           105,   148,  Mm},
    {TWSS_4A0,          1682,  2378, Mm},
    {TWSS_2A0,          1189,  1682, Mm},
    {TWSS_A0,           841,   1189, Mm},
    {TWSS_A1,           594,   841,  Mm},
    {TWSS_A2,           420,   594,  Mm},
    {TWSS_A7,           74,    105,  Mm},
    {TWSS_A8,           52,    74,   Mm},
    {TWSS_A9,           37,    52,   Mm},
    {TWSS_A10,          26,    37,   Mm},
    {TWSS_USSTATEMENT,  5.5,   8.5,  In},
};
// clang-format on

double ToInches(double value, PaperUnit unit) {
    return unit == PaperUnit::Inches ? value : value / MillimetresPerInch;
}

}  // namespace

double PaperSize::WidthInches() const {
    return ToInches(Width, Unit);
}

double PaperSize::LengthInches() const {
    return ToInches(Length, Unit);
}

PaperSizeTable PaperSizes() {
    return {Sizes, sizeof Sizes / sizeof Sizes[0]};
}

const PaperSize* FindPaperSize(TW_UINT16 code) {
    for (const PaperSize& size : Sizes)
        if (size.Code == code) return &size;
    return nullptr;
}
