#include "tools/image/packbits.h"

namespace {

size_t RunLength(const uint8_t* at, size_t left) {
    size_t run = 1;
    while (run < left && run < 128 && at[run] == at[0])
        ++run;
    return run;
}

}  // namespace

void PackBitsRow(const uint8_t* row, size_t bytes, std::vector<uint8_t>& out) {
    size_t i = 0;
    while (i < bytes) {
        const size_t run = RunLength(row + i, bytes - i);
        if (run >= 3) {
            out.push_back(static_cast<uint8_t>(1 - static_cast<int>(run)));
            out.push_back(row[i]);
            i += run;
            continue;
        }
        // Literals up to the next run of three or 128 bytes.
        size_t end = i;
        while (end < bytes && end - i < 128 && RunLength(row + end, bytes - end) < 3)
            ++end;
        out.push_back(static_cast<uint8_t>(end - i - 1));
        out.insert(out.end(), row + i, row + end);
        i = end;
    }
}
