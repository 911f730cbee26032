#include "tools/image/file_io.h"

COutputFile::~COutputFile() {
    Close();
}

bool COutputFile::Create(const std::string& path, std::string& error) {
    Close();
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) {
        error = "cannot create " + path;
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
