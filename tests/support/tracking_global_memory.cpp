#include "tests/support/tracking_global_memory.h"

#include "platform/global_memory.h"

int TrackingGlobalMemory::Allocations = 0;
int TrackingGlobalMemory::Frees = 0;
int TrackingGlobalMemory::Locks = 0;
int TrackingGlobalMemory::Unlocks = 0;

namespace {

platform::GlobalMemoryApi inner;

HGLOBAL WINAPI TrackedAlloc(UINT flags, SIZE_T bytes) {
    HGLOBAL block = inner.Alloc(flags, bytes);
    if (block) ++TrackingGlobalMemory::Allocations;
    return block;
}

LPVOID WINAPI TrackedLock(HGLOBAL block) {
    LPVOID pointer = inner.Lock(block);
    if (pointer) ++TrackingGlobalMemory::Locks;
    return pointer;
}

BOOL WINAPI TrackedUnlock(HGLOBAL block) {
    ++TrackingGlobalMemory::Unlocks;
    return inner.Unlock(block);
}

HGLOBAL WINAPI TrackedFree(HGLOBAL block) {
    ++TrackingGlobalMemory::Frees;
    return inner.Free(block);
}

}  // namespace

void TrackingGlobalMemory::Install() {
    Allocations = Frees = Locks = Unlocks = 0;
    if (platform::GlobalMemory.Alloc == &TrackedAlloc) return;  // already wrapped
    inner = platform::GlobalMemory;
    platform::GlobalMemory.Alloc = &TrackedAlloc;
    platform::GlobalMemory.Lock = &TrackedLock;
    platform::GlobalMemory.Unlock = &TrackedUnlock;
    platform::GlobalMemory.Free = &TrackedFree;
}
