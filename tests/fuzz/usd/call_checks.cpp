#include "tests/fuzz/usd/call_checks.h"

#include <cstdio>
#include <cstring>

namespace usdfuzz {
namespace {

// {7D3A9C21-4E6B-4F80-9B1D-2C5E8A0F6B39}, the driver's class, and one no one serves.
constexpr CLSID DriverClass = {
    0x7D3A9C21, 0x4E6B, 0x4F80, {0x9B, 0x1D, 0x2C, 0x5E, 0x8A, 0x0F, 0x6B, 0x39}};
constexpr GUID Unknown = {0x0BADF00D, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};

// A caller passing no identifier at all: the reference is a null pointer.
const IID& NullIdentifier() {
    static const IID* volatile none = nullptr;
    return *none;
}

const IID& InterfaceChoice(uint32_t choice) {
    switch (choice) {
    case 0:
        return IID_IUnknown;
    case 1:
        return IID_IStiUSD;
    case 2:
        return IID_IClassFactory;
    case 3:
        return IID_IStiDeviceControl;
    case 4:
        return Unknown;
    default:
        return NullIdentifier();
    }
}

bool InterfaceServed(uint32_t choice) {
    return choice <= 1;
}

bool FactoryInterface(uint32_t choice) {
    return choice == 0 || choice == 2;
}

bool AllBytes(const BYTE* bytes, size_t size, BYTE value) {
    for (size_t i = 0; i < size; ++i) {
        if (bytes[i] != value) {
            return false;
        }
    }
    return true;
}

class Checker {
public:
    Checker(const Call& call, Host& host) : TheCall(call), TheHost(host) {}

    void Expect(bool condition, const char* what) {
        if (!condition) {
            TheHost.Found.Add(Token(TheCall) + ": " + what);
        }
    }
    void ExpectResult(HRESULT actual, HRESULT expected) {
        if (actual != expected) {
            char text[96];
            std::snprintf(text, sizeof(text), "returned 0x%08lX, not 0x%08lX",
                          static_cast<unsigned long>(actual), static_cast<unsigned long>(expected));
            Expect(false, text);
        }
    }
    // S_OK or a failure: a request never reports another success code.
    void ExpectOkOrFailure(HRESULT actual) {
        Expect(actual == S_OK || FAILED(actual), "returned a success code other than S_OK");
    }

private:
    const Call& TheCall;
    Host& TheHost;
};

void CheckStatus(const Call& call, IStiUSD* driver, ThreadBuffers& buffers, Checker& check,
                 Observation& seen) {
    const uint32_t* a = call.Args;
    if (a[0] == 0) {
        check.ExpectResult(driver->GetStatus(nullptr), E_INVALIDARG);
        return;
    }
    auto* status =
        reinterpret_cast<STI_DEVICE_STATUS*>(buffers.Record.Tail(sizeof(STI_DEVICE_STATUS), 0));
    status->dwSize = sizeof(*status);
    status->StatusMask = a[1];
    status->dwOnlineState = 0xFFFF;
    status->dwHardwareStatusCode = 0x1234;
    status->dwEventHandlingState = a[2];
    status->dwPollingInterval = 777;
    check.ExpectResult(driver->GetStatus(status), S_OK);
    check.Expect(status->dwSize == sizeof(*status) && status->StatusMask == a[1] &&
                     status->dwHardwareStatusCode == 0x1234 && status->dwPollingInterval == 777,
                 "status changed members it does not report");
    check.Expect(status->dwOnlineState <= 1, "online state neither 0 nor 1");
    check.Expect((a[1] & STI_DEVSTATUS_ONLINE_STATE) || status->dwOnlineState == 0,
                 "online state reported when not asked");
    DWORD events = status->dwEventHandlingState;
    bool pendingReported =
        (a[1] & STI_DEVSTATUS_EVENTS_STATE) && events == STI_EVENTHANDLING_PENDING;
    check.Expect(pendingReported || events == (a[2] & ~DWORD(STI_EVENTHANDLING_PENDING)),
                 "event state neither the pending event nor the caller's bits less pending");
    if (a[1] & STI_DEVSTATUS_ONLINE_STATE) {
        seen.Online = int(status->dwOnlineState);
    }
    seen.AskedForEvents = (a[1] & STI_DEVSTATUS_EVENTS_STATE) != 0;
    seen.GotPendingEvent = pendingReported;
}

void CheckDiagnostic(const Call& call, IStiUSD* driver, ThreadBuffers& buffers, Checker& check) {
    if (call.Args[0] == 0) {
        check.ExpectResult(driver->Diagnostic(nullptr), E_INVALIDARG);
        return;
    }
    auto* diag = reinterpret_cast<STI_DIAG*>(buffers.Record.Tail(sizeof(STI_DIAG), 0xCD));
    diag->dwSize = sizeof(*diag);
    HRESULT result = driver->Diagnostic(diag);
    check.ExpectOkOrFailure(result);
    check.Expect(diag->dwSize == sizeof(*diag) && diag->dwBasicDiagCode == 0xCDCDCDCD &&
                     diag->dwVendorDiagCode == 0xCDCDCDCD,
                 "diagnostic changed the caller's codes");
    check.Expect(diag->dwStatusMask == 0 && diag->sErrorInfo.dwGenericError == 0 &&
                     diag->sErrorInfo.dwSize == 0 && diag->sErrorInfo.szExtendedErrorText[0] == 0,
                 "diagnostic error information not cleared");
    check.Expect(diag->sErrorInfo.dwVendorError == (result == S_OK ? 1u : 0u),
                 "vendor error is not the request's success");
}

void CheckEscape(const Call& call, IStiUSD* driver, ThreadBuffers& buffers, Checker& check) {
    const uint32_t* a = call.Args;
    DWORD code = a[0];
    // The information request ignores its input: it gets none that could be read.
    BYTE* in = (code == 0x1001 || a[1] == 0) ? nullptr : buffers.In.Tail(a[1], 0x5A);
    BYTE* out = a[2] == 0 ? nullptr : buffers.Out.Tail(a[2], 0);
    auto* actual = a[3] == 0 ? nullptr : reinterpret_cast<DWORD*>(buffers.Count.Tail(4, 0xEE));
    HRESULT result = driver->Escape(code, in, a[1], out, a[2], actual);
    if (code != 0x1001 && code != 0x1002) {
        check.ExpectResult(result, E_NOTIMPL);
    } else if (actual == nullptr) {
        check.ExpectResult(result, E_INVALIDARG);
    } else {
        check.ExpectOkOrFailure(result);
    }
}

void CheckLastErrorInfo(const Call& call, IStiUSD* driver, ThreadBuffers& buffers, Checker& check) {
    // 14 bytes are written: the error and the text's first character.
    constexpr DWORD Written = offsetof(STI_ERROR_INFO, szExtendedErrorText) + sizeof(WCHAR);
    switch (call.Args[0]) {
    case 0:
        check.ExpectResult(driver->GetLastErrorInfo(nullptr), E_INVALIDARG);
        break;
    case 1: {
        auto* info =
            reinterpret_cast<STI_ERROR_INFO*>(buffers.Record.Tail(sizeof(STI_ERROR_INFO), 0x5A));
        check.ExpectResult(driver->GetLastErrorInfo(info), S_OK);
        check.Expect(info->szExtendedErrorText[0] == 0, "error text not emptied");
        check.Expect(info->dwSize == 0x5A5A5A5A && info->dwVendorError == 0x5A5A5A5A &&
                         AllBytes(reinterpret_cast<BYTE*>(&info->szExtendedErrorText[1]),
                                  sizeof(info->szExtendedErrorText) - sizeof(WCHAR), 0x5A),
                     "error information changed beyond the error and the text's end");
        break;
    }
    case 2:
        check.ExpectResult(
            driver->GetLastErrorInfo(reinterpret_cast<STI_ERROR_INFO*>(buffers.ReadOnly)),
            E_INVALIDARG);
        break;
    case 3:
        check.ExpectResult(driver->GetLastErrorInfo(reinterpret_cast<STI_ERROR_INFO*>(
                               buffers.Record.Tail(Written - 1, 0))),
                           E_INVALIDARG);
        break;
    default:
        check.ExpectResult(driver->GetLastErrorInfo(
                               reinterpret_cast<STI_ERROR_INFO*>(buffers.Record.Tail(Written, 0))),
                           S_OK);
        break;
    }
}

void CheckLastError(const Call& call, IStiUSD* driver, ThreadBuffers& buffers, Checker& check) {
    switch (call.Args[0]) {
    case 0:
        check.ExpectResult(driver->GetLastError(nullptr), E_INVALIDARG);
        break;
    case 1:
        check.ExpectResult(
            driver->GetLastError(reinterpret_cast<DWORD*>(buffers.Record.Tail(4, 0))), S_OK);
        break;
    case 2:
        check.ExpectResult(driver->GetLastError(reinterpret_cast<DWORD*>(buffers.ReadOnly)),
                           E_INVALIDARG);
        break;
    default:
        check.ExpectResult(
            driver->GetLastError(reinterpret_cast<DWORD*>(buffers.Record.Tail(2, 0))),
            E_INVALIDARG);
        break;
    }
}

void CheckRaw(const Call& call, IStiUSD* driver, ThreadBuffers& buffers, Checker& check) {
    BYTE* buffer = call.Args[0] == 0 ? nullptr : buffers.Out.Tail(call.Args[1], 0x77);
    DWORD size = call.Args[1];
    DWORD* count = call.Args[0] == 0 ? nullptr : &size;
    HRESULT result = E_FAIL;
    switch (call.What) {
    case Method::RawReadData:
        result = driver->RawReadData(buffer, count, nullptr);
        break;
    case Method::RawWriteData:
        result = driver->RawWriteData(buffer, size, nullptr);
        break;
    case Method::RawReadCommand:
        result = driver->RawReadCommand(buffer, count, nullptr);
        break;
    default:
        result = driver->RawWriteCommand(buffer, size, nullptr);
        break;
    }
    check.ExpectResult(result, E_NOTIMPL);
    check.Expect(size == call.Args[1], "a raw method changed the byte count");
}

void CheckQueryInterface(const Call& call, IStiUSD* driver, Checker& check) {
    const uint32_t* a = call.Args;
    if (a[2] != 0) {
        check.ExpectResult(driver->QueryInterface(InterfaceChoice(a[0]), nullptr), E_INVALIDARG);
        return;
    }
    void* found = reinterpret_cast<void*>(0x1);
    HRESULT result = driver->QueryInterface(InterfaceChoice(a[0]), &found);
    if (InterfaceServed(a[0])) {
        check.ExpectResult(result, S_OK);
        check.Expect(found != nullptr, "no interface handed out");
        if (found != nullptr) {
            static_cast<IUnknown*>(found)->Release();
        }
    } else {
        check.ExpectResult(result, E_NOINTERFACE);
        check.Expect(found == nullptr, "refused query left the caller's pointer set");
    }
}

IClassFactory* Factory(const Call& call, Host& host, Checker& check) {
    void* object = reinterpret_cast<void*>(0x1);
    auto refused = [&](const CLSID& wanted, const IID& as, HRESULT expected) {
        check.ExpectResult(host.GetClassObject(wanted, as, &object), expected);
        check.Expect(object == nullptr, "refused class object left the caller's pointer set");
        return nullptr;
    };
    switch (call.Args[3]) {
    case 2:
        return refused(Unknown, IID_IClassFactory, E_FAIL);
    case 3:
        return refused(DriverClass, IID_IStiUSD, E_NOINTERFACE);
    case 4:
        return refused(NullIdentifier(), IID_IClassFactory, E_FAIL);
    case 5:
        return refused(DriverClass, NullIdentifier(), E_NOINTERFACE);
    default:
        check.ExpectResult(
            host.GetClassObject(DriverClass, call.Args[3] == 0 ? IID_IClassFactory : IID_IUnknown,
                                &object),
            S_OK);
        return static_cast<IClassFactory*>(object);
    }
}

// The factory answers for itself as IUnknown and IClassFactory only.
void CheckFactoryQuery(const Call& call, IClassFactory* factory, Checker& check) {
    void* found = reinterpret_cast<void*>(0x1);
    HRESULT result = factory->QueryInterface(InterfaceChoice(call.Args[0]), &found);
    check.ExpectResult(result, FactoryInterface(call.Args[0]) ? S_OK : E_NOINTERFACE);
    check.Expect((result == S_OK) == (found != nullptr), "query result and pointer disagree");
    if (result == S_OK && found != nullptr) {
        static_cast<IUnknown*>(found)->Release();
    }
}

void CheckCreateInstance(const Call& call, Host& host, Checker& check) {
    IClassFactory* factory = Factory(call, host, check);
    if (factory == nullptr) {
        return;
    }
    CheckFactoryQuery(call, factory, check);
    const uint32_t* a = call.Args;
    IUnknown* outer = a[1] != 0 ? &host.Outer : nullptr;
    void* object = reinterpret_cast<void*>(0x1);
    HRESULT result =
        factory->CreateInstance(outer, InterfaceChoice(a[0]), a[2] ? nullptr : &object);
    bool asUnknown = a[0] == 0;
    if (!InterfaceServed(a[0])) {
        check.ExpectResult(result, E_NOINTERFACE);
    } else if (outer != nullptr && !asUnknown) {
        check.ExpectResult(result, CLASS_E_NOAGGREGATION);
    } else if (a[2] != 0) {
        check.ExpectResult(result, E_INVALIDARG);
    } else {
        check.ExpectResult(result, S_OK);
    }
    if (result == S_OK && a[2] == 0 && object != nullptr) {
        auto* unknown = static_cast<IUnknown*>(object);
        IStiUSD* driver = nullptr;
        if (unknown->QueryInterface(IID_IStiUSD, reinterpret_cast<void**>(&driver)) == S_OK) {
            STI_USD_CAPS caps{};
            check.ExpectResult(driver->GetCapabilities(&caps), S_OK);
            driver->Release();
        }
        check.Expect(unknown->Release() == 0, "a new object outlived its only reference");
    }
    check.Expect(factory->Release() == 0, "the factory outlived its only reference");
}

void CheckLockServer(const Call& call, Host& host, Checker& check) {
    IClassFactory* factory = Factory(call, host, check);
    if (factory == nullptr) {
        return;
    }
    check.ExpectResult(factory->LockServer(TRUE), S_OK);
    check.ExpectResult(host.CanUnloadNow(), S_FALSE);
    check.ExpectResult(factory->LockServer(FALSE), S_OK);
    check.Expect(factory->Release() == 0, "the factory outlived its only reference");
}

}  // namespace

ThreadBuffers::ThreadBuffers() {
    ReadOnly = static_cast<BYTE*>(
        VirtualAlloc(nullptr, GuardedBuffer::Capacity, MEM_RESERVE | MEM_COMMIT, PAGE_READONLY));
}

ThreadBuffers::~ThreadBuffers() {
    VirtualFree(ReadOnly, 0, MEM_RELEASE);
}

Observation RunCall(const Call& call, IStiUSD* driver, Host& host, ThreadBuffers& buffers,
                    const HRESULT* expectedInitialize) {
    Checker check(call, host);
    Observation seen;
    const uint32_t* a = call.Args;
    switch (call.What) {
    case Method::Initialize:
        check.ExpectResult(
            driver->Initialize(a[0] == 0 ? nullptr : &host.Controls[a[0]], STI_VERSION, nullptr),
            a[0] == 0 ? E_INVALIDARG : expectedInitialize[a[0]]);
        break;
    case Method::GetCapabilities: {
        STI_USD_CAPS* caps =
            a[0] == 0
                ? nullptr
                : reinterpret_cast<STI_USD_CAPS*>(buffers.Record.Tail(sizeof(STI_USD_CAPS), 0xCD));
        HRESULT result = driver->GetCapabilities(caps);
        check.ExpectResult(result, caps == nullptr ? E_INVALIDARG : S_OK);
        check.Expect(caps == nullptr || (caps->dwVersion == 2 && caps->dwGenericCaps == 3),
                     "capabilities other than version 2, notifications and polling");
        break;
    }
    case Method::GetStatus:
        CheckStatus(call, driver, buffers, check, seen);
        break;
    case Method::DeviceReset:
        SetLastError(a[0]);
        check.ExpectOkOrFailure(driver->DeviceReset());
        break;
    case Method::Diagnostic:
        CheckDiagnostic(call, driver, buffers, check);
        break;
    case Method::Escape:
        CheckEscape(call, driver, buffers, check);
        break;
    case Method::GetLastError:
        CheckLastError(call, driver, buffers, check);
        break;
    case Method::LockDevice:
        check.ExpectResult(driver->LockDevice(), S_OK);
        break;
    case Method::UnLockDevice:
        check.ExpectResult(driver->UnLockDevice(), S_OK);
        break;
    case Method::RawReadData:
    case Method::RawWriteData:
    case Method::RawReadCommand:
    case Method::RawWriteCommand:
        CheckRaw(call, driver, buffers, check);
        break;
    case Method::SetNotificationHandle: {
        HANDLE offered[] = {nullptr, host.Event, INVALID_HANDLE_VALUE,
                            reinterpret_cast<HANDLE>(0x1234)};
        check.ExpectResult(driver->SetNotificationHandle(offered[a[0] % 4]), E_NOTIMPL);
        check.Expect(WaitForSingleObject(host.Event, 0) == WAIT_TIMEOUT,
                     "the caller's event was closed or signalled");
        break;
    }
    case Method::GetNotificationData: {
        BYTE* record = a[0] == 0 ? nullptr : buffers.Record.Tail(sizeof(STINOTIFY), 0xA5);
        check.ExpectResult(driver->GetNotificationData(reinterpret_cast<LPSTINOTIFY>(record)),
                           HRESULT(0x80070103));
        check.Expect(record == nullptr || AllBytes(record, sizeof(STINOTIFY), 0xA5),
                     "notification data written although there is none");
        break;
    }
    case Method::GetLastErrorInfo:
        CheckLastErrorInfo(call, driver, buffers, check);
        break;
    case Method::QueryInterface:
        CheckQueryInterface(call, driver, check);
        break;
    case Method::AddRefRelease: {
        ULONG taken = driver->AddRef();
        ULONG left = driver->Release();
        check.Expect(taken >= 2 && left >= 1, "the object's count went below the caller's");
        break;
    }
    case Method::CreateInstance:
        CheckCreateInstance(call, host, check);
        break;
    case Method::LockServer:
        CheckLockServer(call, host, check);
        break;
    default:
        break;
    }
    return seen;
}

}  // namespace usdfuzz
