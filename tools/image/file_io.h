// File handling shared by the image writers and readers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// A file created for writing through a 1 MiB buffer (images are written row by row).
class COutputFile {
public:
    COutputFile() = default;
    ~COutputFile();
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;

    // False, with "cannot create PATH: reason" in error, when the file cannot be
    // created.
    bool Create(const std::string& path, std::string& error);
    FILE* Get() const { return file_; }
    // Flushes and closes; false when that fails.
    bool Close();

private:
    FILE* file_ = nullptr;
    std::vector<char> buffer_;
};

bool WriteBytes(FILE* out, const void* data, size_t bytes);
// Writes at an absolute offset (64-bit) and leaves the file position after it.
bool WriteAt(FILE* out, uint64_t offset, const void* data, size_t bytes);
// Why the last write or open failed, in words ("the disk is full", ...).
std::string LastFileError();

// The whole content of a file; false when it cannot be opened.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes);
