#include "tests/usd/process_handles.h"

#include <winternl.h>

#include <vector>

namespace usdtest {
namespace {

// The extended system handle list (class 64), as the platform lays it out.
constexpr ULONG SystemExtendedHandleInformation = 64;
constexpr NTSTATUS InfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);

struct HandleEntry {
    PVOID Object;
    ULONG_PTR UniqueProcessId;
    ULONG_PTR HandleValue;
    ULONG GrantedAccess;
    USHORT CreatorBackTraceIndex;
    USHORT ObjectTypeIndex;
    ULONG HandleAttributes;
    ULONG Reserved;
};

struct HandleList {
    ULONG_PTR NumberOfHandles;
    ULONG_PTR Reserved;
    HandleEntry Handles[1];
};

DWORD CountFromSystemList() {
    std::vector<BYTE> buffer(1 << 16);
    for (;;) {
        ULONG needed = 0;
        NTSTATUS status = NtQuerySystemInformation(
            static_cast<SYSTEM_INFORMATION_CLASS>(SystemExtendedHandleInformation), buffer.data(),
            ULONG(buffer.size()), &needed);
        if (status == InfoLengthMismatch) {
            buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
            continue;
        }
        if (status != 0) {
            return 0;
        }
        const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
        DWORD count = 0;
        for (ULONG_PTR i = 0; i < list->NumberOfHandles; ++i) {
            count += list->Handles[i].UniqueProcessId == GetCurrentProcessId();
        }
        return count;
    }
}

}  // namespace

DWORD OpenHandleCount() {
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count != 0) {
        return count;
    }
    return CountFromSystemList();
}

bool OpenedByNobody(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

}  // namespace usdtest
