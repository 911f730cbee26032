// Memory the source hands to the application: capability containers and native
// images. A TWAIN 2 Source Manager gives the source its own memory functions
// (DG_CONTROL/DAT_ENTRYPOINT), and then every such block is allocated, locked,
// unlocked and freed with them; otherwise the blocks are Windows global memory
// through the platform seam.
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

private:
    bool UsesManager() const;

    const TW_ENTRYPOINT* manager_;
};
