// The application's buffer of one memory-transfer block. TW_MEMORY.TheMem is a
// pointer unless the flags say TWMF_HANDLE: then it is a global-memory handle that
// is locked for the block and unlocked again when the block is done.
#pragma once

#include <windows.h>

#include "platform/twain.h"

class ApplicationBuffer {
public:
    explicit ApplicationBuffer(const TW_MEMORY& memory);
    ~ApplicationBuffer();
    ApplicationBuffer(const ApplicationBuffer&) = delete;
    ApplicationBuffer& operator=(const ApplicationBuffer&) = delete;

    // Null when the buffer cannot be written: no memory, or a handle that does not
    // lock or whose block is smaller than Length says.
    unsigned char* Bytes() const { return bytes_; }

private:
    HGLOBAL lockedHandle_ = nullptr;
    unsigned char* bytes_ = nullptr;
};
