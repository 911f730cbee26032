// Unit conversions of the dialogs: single-precision constants, products formed at
// full precision and kept as single-precision floats.
#pragma once

#include <cstdint>
#include <string>

constexpr float MillimetresPerInch = 25.4f;
constexpr float InchesPerMillimetre = 0.03937008f;

inline float MillimetresToInches(float millimetres) {
    return static_cast<float>(static_cast<double>(millimetres) *
                              static_cast<double>(InchesPerMillimetre));
}

inline float InchesToMillimetres(float inches) {
    return static_cast<float>(static_cast<double>(inches) *
                              static_cast<double>(MillimetresPerInch));
}

// A size in bytes as the dialog shows it: bytes below 8192, then units of 1024
// ("K") below 99,999 of them, then units of 1,048,576 ("M").
std::string SizeText(uint64_t bytes);
