// The native transfer's read buffer: zero-initialised fixed global memory, locked
// for as long as it exists.
#include "platform/global_memory.h"
#include "source/twain_source.h"

int CTwainSource::AllocateTransferBuffer(uint32_t bytes) {
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

void CTwainSource::FreeTransferBuffer() {
    if (!TransferBufferHandle) return;
    const platform::GlobalMemoryApi& memory = platform::GlobalMemory;
    memory.Unlock(TransferBufferHandle);
    memory.Free(TransferBufferHandle);
    TransferBufferHandle = nullptr;
    Transfer.Buffer = nullptr;
}
