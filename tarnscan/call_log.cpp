#include "tarnscan/call_log.h"

#include <cstdio>

namespace tarnscan {

uint64_t Fnv1a64(const unsigned char* bytes, size_t count) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (size_t i = 0; i < count; ++i) {
        hash ^= bytes[i];
        hash *= 0x100000001b3ull;
    }
    return hash;
}

std::string Hex64(uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

void CallLog::Write(const std::string& line) const {
    if (path_.empty()) return;
    if (FILE* file = std::fopen(path_.c_str(), "ab")) {
        std::fwrite(line.data(), 1, line.size(), file);
        std::fputc('\n', file);
        std::fclose(file);
    }
}

}  // namespace tarnscan
