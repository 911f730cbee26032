// The still-image service's side of the fuzzer: halvardusd.dll loaded the way the
// service loads it, device controls whose ports are real files (or missing, empty,
// refused and unterminated names), guarded buffers for the records passed in, and
// the list of findings.
#pragma once

#include <windows.h>

#include "tests/usd/test_device_control.h"
#include "usd/sti_platform.h"

#include <mutex>
#include <string>
#include <vector>

namespace usdfuzz {

constexpr int MaxThreads = 8;
constexpr int ControlCount = 7;

// One page the callee may write, its end touching a page no one may touch: a
// record placed at the end overruns into the guard at its first extra byte.
class GuardedBuffer {
public:
    static constexpr DWORD Capacity = 4096;
    GuardedBuffer();
    ~GuardedBuffer();
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    // size bytes ending at the guard page, filled with fill.
    BYTE* Tail(DWORD size, BYTE fill);

private:
    BYTE* Base;
};

// What is wrong, from any thread; the first few are kept.
class Findings {
public:
    void Add(const std::string& text);
    std::vector<std::string> Take();
    bool Any();

private:
    std::mutex Mutex;
    std::vector<std::string> Items;
    size_t Dropped = 0;
};

enum class PortKind { ExistingFile, MissingFile, EmptyName, RefusedName, UnterminatedName };

// A device control as the service hands it out: the service's own reference is
// the first; the driver's calls into it are checked to come while it holds one,
// and its error log to hold only the driver's four trace lines.
class FuzzDeviceControl : public usdtest::TestDeviceControl {
public:
    void Setup(PortKind kind, std::wstring portName, Findings* findings);
    PortKind Kind = PortKind::EmptyName;

    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetMyDevicePortName(LPWSTR path, DWORD capacity) override;
    HRESULT STDMETHODCALLTYPE WriteToErrorLog(DWORD type, LPCWSTR message, DWORD code) override;

private:
    void CheckHeld(const char* method);
    Findings* sink_ = nullptr;
};

// An outer object for aggregation; it hands out nothing and only counts.
class CountingOuter : public IUnknown {
public:
    LONG References() const { return ReferenceCount; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

private:
    volatile LONG ReferenceCount = 1;
};

struct Host {
    // Loads the module beside the program and makes the port files; false with a
    // reason in *error when it cannot.
    bool Start(std::string* error);
    void Stop();

    HMODULE Module = nullptr;
    HRESULT(STDAPICALLTYPE* GetClassObject)(REFCLSID, REFIID, LPVOID*) = nullptr;
    HRESULT(STDAPICALLTYPE* CanUnloadNow)() = nullptr;
    IStiUSD* CreateDriver();

    Findings Found;
    FuzzDeviceControl Controls[ControlCount + 1];  // [0] unused: index 0 is "none"
    std::vector<std::string> Files;                // the existing port files
    HANDLE Event = nullptr;                        // offered to SetNotificationHandle
    CountingOuter Outer;
};

// The handles this process holds, as a host counts them.
DWORD ProcessHandles();

}  // namespace usdfuzz
