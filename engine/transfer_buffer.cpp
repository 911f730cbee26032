// The native transfer's read buffer: zero-initialised fixed global memory, locked
// for as long as it exists.
#include "engine/scan_job.h"
#include "platform/global_memory.h"

int ScanJob::AllocateTransferBuffer(uint32_t bytes) {
    FreeTransferBuffer();
    Transfer.BytesRequested = bytes;
    const platform::GlobalMemoryApi& memory = platform::GlobalMemory;
    TransferBufferHandle = memory.Alloc(GMEM_FIXED | GMEM_ZEROINIT, bytes);
    if (!TransferBufferHandle) return 1;
    Transfer.Buffer = static_cast<unsigned char*>(memory.Lock(TransferBufferHandle));
    if (!Transfer.Buffer) {
        memory.Free(TransferBufferHandle);
        TransferBufferHandle = nullptr;
        return 1;
    }
    return 0;
}

void ScanJob::FreeTransferBuffer() {
    if (!TransferBufferHandle) return;
    const platform::GlobalMemoryApi& memory = platform::GlobalMemory;
    memory.Unlock(TransferBufferHandle);
    memory.Free(TransferBufferHandle);
    TransferBufferHandle = nullptr;
    Transfer.Buffer = nullptr;
}
