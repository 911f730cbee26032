// Module-wide state of the still-image driver: the class it serves, the count of
// everything that keeps the module loaded, and allocation on the process heap.
//
// The module's entry point is its own (not the C runtime's start-up), so nothing
// here may need dynamic initialisation, exceptions or the C++ runtime's heap.
#pragma once

#include <windows.h>

#include <new>
#include <utility>

namespace usd {

// {7D3A9C21-4E6B-4F80-9B1D-2C5E8A0F6B39}
inline constexpr CLSID CLSID_HalvardUsd = {
    0x7D3A9C21, 0x4E6B, 0x4F80, {0x9B, 0x1D, 0x2C, 0x5E, 0x8A, 0x0F, 0x6B, 0x39}};

// References held on class factories, LockServer locks and live driver objects.
extern volatile LONG ModuleRefCount;

inline void ModuleAddRef() {
    InterlockedIncrement(&ModuleRefCount);
}

inline void ModuleRelease() {
    InterlockedDecrement(&ModuleRefCount);
}

// IsEqualGUID for an identifier a caller passes by reference. A careless caller
// passes a null pointer there, which then matches nothing instead of being read;
// the address goes through a volatile so that the test is not optimised away.
inline bool IsIdentifier(const GUID& given, const GUID& known) {
    const GUID* volatile address = &given;
    return address != nullptr && IsEqualGUID(*address, known);
}

// Constructs a T on the process heap; null when the heap is exhausted.
template <typename T, typename... Args>
T* NewOnProcessHeap(Args&&... args) {
    void* memory = HeapAlloc(GetProcessHeap(), 0, sizeof(T));
    if (memory == nullptr) {
        return nullptr;
    }
    return new (memory) T(std::forward<Args>(args)...);
}

template <typename T>
void DeleteOnProcessHeap(T* object) {
    object->~T();
    HeapFree(GetProcessHeap(), 0, object);
}

}  // namespace usd
