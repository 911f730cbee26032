#include "tests/support/guarded_memory.h"

namespace {

size_t PageSize() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
}

}  // namespace

GuardedMemory::GuardedMemory(size_t bytes) : size_(bytes) {
    const size_t page = PageSize();
    const size_t usable = (bytes + page - 1) / page * page;
    const size_t total = usable + page;
    base_ = VirtualAlloc(nullptr, total, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!base_) return;
    unsigned char* guard = static_cast<unsigned char*>(base_) + usable;
    DWORD previous;
    VirtualProtect(guard, page, PAGE_NOACCESS, &previous);
    data_ = guard - bytes;
}

GuardedMemory::~GuardedMemory() {
    if (base_) VirtualFree(base_, 0, MEM_RELEASE);
}
