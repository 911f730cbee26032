// The native transfer's read buffer: zero-initialised fixed global memory, locked
// for as long as it exists.
#include "engine/scan_job.h"
#include "platform/global_memory.h"

int ScanJob::AllocateTransferBuffer(uint32_t bytes) {
    FreeTransferBuffer();
    Transfer.BytesRequested = bytes;
    const platform::GlobalMemoryApi& memory = platform::GlobalMemory;
    transferBufferHandle_ = memory.Alloc(GMEM_FIXED | GMEM_ZEROINIT, bytes);
    if (!transferBufferHandle_) return 1;
    Transfer.Buffer = static_cast<unsigned char*>(memory.Lock(transferBufferHandle_));
    if (!Transfer.Buffer) {
        memory.Free(transferBufferHandle_);
        transferBufferHandle_ = nullptr;
        return 1;
    }
    return 0;
}

void ScanJob::FreeTransferBuffer() {
    if (!transferBufferHandle_) return;
    const platform::GlobalMemoryApi& memory = platform::GlobalMemory;
    memory.Unlock(transferBufferHandle_);
    memory.Free(transferBufferHandle_);
    transferBufferHandle_ = nullptr;
    Transfer.Buffer = nullptr;
}
