#include "tests/fuzz/usd/fuzz_host.h"

#include "tests/usd/process_handles.h"

#include <algorithm>
#include <cstring>

namespace usdfuzz {
namespace {

// {7D3A9C21-4E6B-4F80-9B1D-2C5E8A0F6B39}, the driver's class.
constexpr CLSID DriverClass = {
    0x7D3A9C21, 0x4E6B, 0x4F80, {0x9B, 0x1D, 0x2C, 0x5E, 0x8A, 0x0F, 0x6B, 0x39}};

std::string ProgramFolder() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

bool MakeFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    return true;
}

std::string Narrow(const std::wstring& text) {
    int length = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string converted(std::max(length, 1), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &converted[0], length, nullptr, nullptr);
    converted.resize(std::max(length, 1) - 1);
    return converted;
}

}  // namespace

GuardedBuffer::GuardedBuffer() {
    Base = static_cast<BYTE*>(
        VirtualAlloc(nullptr, 2 * Capacity, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old = 0;
    VirtualProtect(Base + Capacity, Capacity, PAGE_NOACCESS, &old);
}

GuardedBuffer::~GuardedBuffer() {
    VirtualFree(Base, 0, MEM_RELEASE);
}

BYTE* GuardedBuffer::Tail(DWORD size, BYTE fill) {
    size = std::min(size, Capacity);
    BYTE* start = Base + Capacity - size;
    std::memset(start, fill, size);
    return start;
}

void Findings::Add(const std::string& text) {
    std::lock_guard<std::mutex> lock(Mutex);
    if (Items.size() < 20) {
        Items.push_back(text);
    } else {
        ++Dropped;
    }
}

std::vector<std::string> Findings::Take() {
    std::lock_guard<std::mutex> lock(Mutex);
    std::vector<std::string> taken;
    taken.swap(Items);
    if (Dropped != 0) {
        taken.push_back("... and " + std::to_string(Dropped) + " more");
        Dropped = 0;
    }
    return taken;
}

bool Findings::Any() {
    std::lock_guard<std::mutex> lock(Mutex);
    return !Items.empty();
}

void FuzzDeviceControl::Setup(PortKind kind, std::wstring portName, Findings* findings) {
    Kind = kind;
    PortName = std::move(portName);
    PortNameResult = kind == PortKind::RefusedName ? E_ACCESSDENIED : S_OK;
    FillWholeBuffer = kind == PortKind::UnterminatedName;
    sink_ = findings;
}

void FuzzDeviceControl::CheckHeld(const char* method) {
    if (References() < 2) {
        sink_->Add(std::string("the driver called ") + method +
                   " on a device control it holds no reference to");
    }
}

ULONG STDMETHODCALLTYPE FuzzDeviceControl::Release() {
    const LONG remaining = static_cast<LONG>(TestDeviceControl::Release());
    if (remaining < 1) {
        sink_->Add("the driver released a device control more often than it took it");
    }
    return remaining;
}

HRESULT STDMETHODCALLTYPE FuzzDeviceControl::GetMyDevicePortName(LPWSTR path, DWORD capacity) {
    CheckHeld("GetMyDevicePortName");
    return TestDeviceControl::GetMyDevicePortName(path, capacity);
}

// Checked, not kept: the fuzzer runs long enough for a kept log to grow without end.
HRESULT STDMETHODCALLTYPE FuzzDeviceControl::WriteToErrorLog(DWORD type, LPCWSTR message,
                                                             DWORD code) {
    CheckHeld("WriteToErrorLog");
    static const wchar_t* const Texts[] = {L"INIT", L"GET CAPBIITIES", L"GET STATUS", L"ESCAPE"};
    bool known = false;
    for (const wchar_t* text : Texts) {
        known = known || (message != nullptr && std::wcscmp(message, text) == 0);
    }
    if (type != STI_TRACE_INFORMATION || code != 0 || !known) {
        sink_->Add("the driver logged something other than its four trace lines");
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CountingOuter::QueryInterface(REFIID, void** ppv) {
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CountingOuter::AddRef() {
    return InterlockedIncrement(&ReferenceCount);
}

ULONG STDMETHODCALLTYPE CountingOuter::Release() {
    return InterlockedDecrement(&ReferenceCount);
}

bool Host::Start(std::string* error) {
    std::string path = ProgramFolder() + "halvardusd.dll";
    Module = LoadLibraryA(path.c_str());
    if (Module == nullptr) {
        *error = "cannot load " + path;
        return false;
    }
    GetClassObject =
        reinterpret_cast<decltype(GetClassObject)>(GetProcAddress(Module, "DllGetClassObject"));
    CanUnloadNow =
        reinterpret_cast<decltype(CanUnloadNow)>(GetProcAddress(Module, "DllCanUnloadNow"));
    if (GetClassObject == nullptr || CanUnloadNow == nullptr) {
        *error = "the module lacks its COM exports";
        return false;
    }

    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring prefix =
        std::wstring(folder) + L"usdfuzz-" + std::to_wstring(GetCurrentProcessId());
    // A plain name and one outside ASCII (still inside the ANSI code page).
    std::wstring plain = prefix + L"-port.tmp";
    std::wstring accented = prefix + L"-p\u00f6rt\u00e9.tmp";
    for (const std::wstring& file : {plain, accented}) {
        if (!MakeFile(file)) {
            *error = "cannot create the port file " + Narrow(file);
            return false;
        }
        Files.push_back(Narrow(file));
    }
    Controls[1].Setup(PortKind::ExistingFile, plain, &Found);
    Controls[2].Setup(PortKind::ExistingFile, plain, &Found);  // a second control, same port
    Controls[3].Setup(PortKind::ExistingFile, accented, &Found);
    Controls[4].Setup(PortKind::MissingFile, prefix + L"-missing.tmp", &Found);
    Controls[5].Setup(PortKind::EmptyName, L"", &Found);
    Controls[6].Setup(PortKind::RefusedName, plain, &Found);
    Controls[7].Setup(PortKind::UnterminatedName, L"", &Found);
    Event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    return Event != nullptr;
}

void Host::Stop() {
    for (const std::string& file : Files) {
        DeleteFileA(file.c_str());
    }
    if (Event != nullptr) {
        CloseHandle(Event);
    }
}

IStiUSD* Host::CreateDriver() {
    IClassFactory* factory = nullptr;
    if (FAILED(
            GetClassObject(DriverClass, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) {
        return nullptr;
    }
    IStiUSD* driver = nullptr;
    factory->CreateInstance(nullptr, IID_IStiUSD, reinterpret_cast<void**>(&driver));
    factory->Release();
    return driver;
}

DWORD ProcessHandles() {
    return usdtest::OpenHandleCount();
}

}  // namespace usdfuzz
