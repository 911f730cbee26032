// PackBits, the run-length scheme of TIFF compression 32773: a header byte n, then
// n + 1 literal bytes (0..127) or one byte repeated 1 - n times (-127..-1).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Appends one row, encoded on its own (TIFF runs never cross rows), to `out`.
void PackBitsRow(const uint8_t* row, size_t bytes, std::vector<uint8_t>& out);
