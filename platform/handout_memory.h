// Memory the source hands to the application: capability containers, native
// images, settings blocks and status texts. A TWAIN 2 Source Manager gives the
// source its own memory functions (DG_CONTROL/DAT_ENTRYPOINT), and then every such
// block is allocated, locked, unlocked and freed with them; otherwise the blocks
// are Windows global memory through the global-memory seam.
#pragma once

#include <windows.h>

#include <cstddef>

#include "platform/twain.h"

class HandoutMemory {
public:
    // `manager` is the Source Manager's entry point record, or null when none came.
    explicit HandoutMemory(const TW_ENTRYPOINT* manager) : manager_(manager) {}

    // A new block of `bytes`, zero-filled when `flags` asks for it; null when the
    // memory cannot be had (the Source Manager's functions take 32-bit sizes).
    HGLOBAL Allocate(UINT flags, size_t bytes) const;
    void* Lock(HGLOBAL block) const;
    void Unlock(HGLOBAL block) const;
    void Free(HGLOBAL block) const;

    // A new moveable block holding a copy of `bytes`, handed over unlocked (spare
    // bytes after them zero); null when it cannot be had.
    HGLOBAL Copy(const void* bytes, size_t count, UINT flags = GMEM_MOVEABLE,
                 size_t spareBytes = 0) const;

private:
    bool UsesManager() const;

    const TW_ENTRYPOINT* manager_;
};
