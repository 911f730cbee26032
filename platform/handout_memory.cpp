#include "platform/handout_memory.h"

#include <cstdint>
#include <cstring>

#include "platform/global_memory.h"

bool HandoutMemory::UsesManager() const {
    return manager_ && manager_->DSM_MemAllocate && manager_->DSM_MemFree &&
           manager_->DSM_MemLock && manager_->DSM_MemUnlock;
}

HGLOBAL HandoutMemory::Allocate(UINT flags, size_t bytes) const {
    if (!UsesManager()) return platform::GlobalMemory.Alloc(flags, bytes);
    if (bytes > UINT32_MAX) return nullptr;
    HGLOBAL block = manager_->DSM_MemAllocate(static_cast<TW_UINT32>(bytes));
    if (block && (flags & GMEM_ZEROINIT)) {
        void* bytesOfBlock = manager_->DSM_MemLock(block);
        if (!bytesOfBlock) {
            manager_->DSM_MemFree(block);
            return nullptr;
        }
        std::memset(bytesOfBlock, 0, bytes);
        manager_->DSM_MemUnlock(block);
    }
    return block;
}

void* HandoutMemory::Lock(HGLOBAL block) const {
    return UsesManager() ? manager_->DSM_MemLock(block) : platform::GlobalMemory.Lock(block);
}

void HandoutMemory::Unlock(HGLOBAL block) const {
    if (UsesManager())
        manager_->DSM_MemUnlock(block);
    else
        platform::GlobalMemory.Unlock(block);
}

void HandoutMemory::Free(HGLOBAL block) const {
    if (UsesManager())
        manager_->DSM_MemFree(block);
    else
        platform::GlobalMemory.Free(block);
}

HGLOBAL HandoutMemory::Copy(const void* bytes, size_t count, UINT flags, size_t spareBytes) const {
    HGLOBAL block = Allocate(flags | GMEM_ZEROINIT, count + spareBytes);
    if (!block) return nullptr;
    void* at = Lock(block);
    if (!at) {
        Free(block);
        return nullptr;
    }
    std::memcpy(at, bytes, count);
    Unlock(block);
    return block;
}
