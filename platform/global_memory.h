// Global memory as the TWAIN boundary uses it (containers, native images, the
// transfer buffer). Every call goes through this table so that tests can make an
// allocation or a lock fail on purpose; it holds the real kernel calls by default.
#pragma once

#include <windows.h>

namespace platform {

struct GlobalMemoryApi {
    HGLOBAL(WINAPI* Alloc)(UINT flags, SIZE_T bytes);
    LPVOID(WINAPI* Lock)(HGLOBAL block);
    BOOL(WINAPI* Unlock)(HGLOBAL block);
    HGLOBAL(WINAPI* Free)(HGLOBAL block);
    SIZE_T(WINAPI* Size)(HGLOBAL block);
};

extern GlobalMemoryApi GlobalMemory;
extern const GlobalMemoryApi RealGlobalMemory;

}  // namespace platform
