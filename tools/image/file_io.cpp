#include "tools/image/file_io.h"

#include <cerrno>
#include <cstring>

COutputFile::~COutputFile() {
    Close();
}

bool COutputFile::Create(const std::string& path, std::string& error) {
    Close();
    errno = 0;
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) {
        error = "cannot create " + path + ": " + LastFileError();
        return false;
    }
    buffer_.resize(1 << 20);
    std::setvbuf(file_, buffer_.data(), _IOFBF, buffer_.size());
    return true;
}

bool COutputFile::Close() {
    if (!file_) return true;
    const bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
}

bool WriteBytes(FILE* out, const void* data, size_t bytes) {
    errno = 0;
    return bytes == 0 || std::fwrite(data, 1, bytes, out) == bytes;
}

bool WriteAt(FILE* out, uint64_t offset, const void* data, size_t bytes) {
    errno = 0;
    return _fseeki64(out, static_cast<long long>(offset), SEEK_SET) == 0 &&
           WriteBytes(out, data, bytes);
}

std::string LastFileError() {
    if (errno == ENOSPC) return "the disk is full";
    if (errno == EACCES) return "permission denied";
    if (errno == ENOENT) return "no such folder";
    if (errno == 0) return "write error";
    return std::strerror(errno);
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
    FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) return false;
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    std::fclose(in);
    return true;
}
