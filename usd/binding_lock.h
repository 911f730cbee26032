// Scoped holds on the lock that guards a driver object's binding to its device
// (the device control, the port name and the opened device). Initialize replaces
// the binding and holds it exclusively; every other method that uses the binding
// shares it, so requests still run side by side but never meet a binding that is
// being torn down.
#pragma once

#include <windows.h>

namespace usd {

class ExclusiveBinding {
public:
    explicit ExclusiveBinding(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~ExclusiveBinding() { ReleaseSRWLockExclusive(&lock_); }
    ExclusiveBinding(const ExclusiveBinding&) = delete;
    ExclusiveBinding& operator=(const ExclusiveBinding&) = delete;

private:
    SRWLOCK& lock_;
};

class SharedBinding {
public:
    explicit SharedBinding(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockShared(&lock_); }
    ~SharedBinding() { ReleaseSRWLockShared(&lock_); }
    SharedBinding(const SharedBinding&) = delete;
    SharedBinding& operator=(const SharedBinding&) = delete;

private:
    SRWLOCK& lock_;
};

}  // namespace usd
