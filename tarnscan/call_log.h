// The call log: one text line per library call, appended to the file named by
// TARNSCAN_LOG, so that tests can check which calls the data source made, in
// which order and with which arguments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarnscan {

// FNV-1a, 64 bits (offset basis 0xcbf29ce484222325, prime 0x100000001b3).
uint64_t Fnv1a64(const unsigned char* bytes, size_t count);

// Sixteen lowercase hexadecimal digits.
std::string Hex64(uint64_t value);

class CallLog {
public:
    // An empty path turns the log off.
    void SetPath(const std::string& path) { path_ = path; }
    bool Enabled() const { return !path_.empty(); }
    // Appends the line and a line feed; the file is opened and closed for every
    // line so that a reader sees each call as soon as it is made.
    void Write(const std::string& line) const;

private:
    std::string path_;
};

}  // namespace tarnscan
