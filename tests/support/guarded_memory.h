// Memory that ends exactly where a no-access page begins, so that a single byte
// read or written past the end of a record or a buffer faults at once.
#pragma once

#include <windows.h>

#include <cstddef>

class GuardedMemory {
public:
    // `bytes` usable bytes (0 allowed), their last one just before the guard page.
    explicit GuardedMemory(size_t bytes);
    ~GuardedMemory();
    GuardedMemory(const GuardedMemory&) = delete;
    GuardedMemory& operator=(const GuardedMemory&) = delete;

    unsigned char* Data() const { return data_; }
    size_t Size() const { return size_; }
    template <typename T>
    T* As() const {
        return reinterpret_cast<T*>(data_);
    }

private:
    void* base_ = nullptr;
    unsigned char* data_ = nullptr;
    size_t size_ = 0;
};
