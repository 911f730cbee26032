#include "tarnscan/tables.h"

#include <cstring>

namespace tarnscan {

void ToneTables::Reset() {
    for (auto& table : tables_)
        for (int level = 0; level < ToneLevels; ++level)
            table[level] = static_cast<uint8_t>(level / 16);
}

bool ToneTables::Load(int channel, const uint8_t* table) {
    if (channel < 0 || channel > 3) return false;
    for (int c = 0; c < 3; ++c)
        if (channel == 0 || channel == c + 1) std::memcpy(tables_[c], table, ToneLevels);
    return true;
}

void ColourTable::Load(const uint8_t* table) {
    std::memcpy(table_.data(), table, ColourTableSize);
    loaded_ = true;
}

const uint8_t* ColourTable::For(int bitsPerPixel) {
    if (!loaded_) BuildDefaultColourTable(bitsPerPixel, table_.data());
    return table_.data();
}

void BuildDefaultColourTable(int bitsPerPixel, uint8_t* table) {
    for (int index = 0; index < ColourTableSize; ++index) {
        int r = index >> 11;
        int g = (index >> 5) & 63;
        int b = index & 31;
        int entry = bitsPerPixel == 8 ? 32 * (r / 4) + 4 * (g / 8) + b / 8
                                      : 4 * (r / 8) + 2 * (g / 32) + b / 16;
        table[index] = static_cast<uint8_t>(entry);
    }
}

}  // namespace tarnscan
