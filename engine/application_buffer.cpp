#include "engine/application_buffer.h"

#include "platform/global_memory.h"

ApplicationBuffer::ApplicationBuffer(const TW_MEMORY& memory) {
    if (!memory.TheMem) return;
    // Existing applications pass flags of 0 with a pointer: only an explicit handle
    // flag makes TheMem a handle.
    if (!(memory.Flags & TWMF_HANDLE)) {
        bytes_ = static_cast<unsigned char*>(memory.TheMem);
        return;
    }
    const platform::GlobalMemoryApi& global = platform::GlobalMemory;
    HGLOBAL handle = static_cast<HGLOBAL>(memory.TheMem);
    auto* bytes = static_cast<unsigned char*>(global.Lock(handle));
    if (!bytes) return;
    lockedHandle_ = handle;
    if (global.Size(handle) < memory.Length) return;
    bytes_ = bytes;
}

ApplicationBuffer::~ApplicationBuffer() {
    if (lockedHandle_) platform::GlobalMemory.Unlock(lockedHandle_);
}
