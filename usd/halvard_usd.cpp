// Construction, destruction and the two unknowns of the driver object.
#include "usd/halvard_usd.h"

#include "platform/device_io.h"
#include "usd/module.h"

namespace usd {

CHalvardUsd* CHalvardUsd::Create(IUnknown* outer) {
    return NewOnProcessHeap<CHalvardUsd>(outer);
}

CHalvardUsd::CHalvardUsd(IUnknown* outer)
    : ReferenceCount(1),
      Ready(0),
      ControllingUnknown(outer != nullptr ? outer : InnerUnknown()),
      DeviceControl(nullptr),
      PortName(nullptr),
      DeviceHandle(INVALID_HANDLE_VALUE),
      LastError(0),
      Event(nullptr),
      EventPending(1) {
    InitializeCriticalSection(&Lock);
    InitializeSRWLock(&BindingLock);
    Event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Ready = (Event != nullptr && Event != INVALID_HANDLE_VALUE) ? 1 : 0;
    ModuleAddRef();
}

CHalvardUsd::~CHalvardUsd() {
    if (Event != nullptr && Event != INVALID_HANDLE_VALUE) {
        CloseHandle(Event);
    }
    ForgetDevice();
    DeleteCriticalSection(&Lock);
}

void CHalvardUsd::ForgetDevice() {
    if (DeviceIsOpen()) {
        platform::DeviceIo.CloseHandle(DeviceHandle);
        DeviceHandle = INVALID_HANDLE_VALUE;
    }
    if (PortName != nullptr) {
        HeapFree(GetProcessHeap(), 0, PortName);
        PortName = nullptr;
    }
    if (DeviceControl != nullptr) {
        DeviceControl->Release();
        DeviceControl = nullptr;
    }
}

bool CHalvardUsd::DeviceIsOpen() const {
    return DeviceHandle != INVALID_HANDLE_VALUE;
}

IUnknown* CHalvardUsd::InnerUnknown() {
    // The inner table has IUnknown's layout: three methods, same calling convention.
    return reinterpret_cast<IUnknown*>(static_cast<INonDelegatingUnknown*>(this));
}

HRESULT STDMETHODCALLTYPE CHalvardUsd::QueryInterface(REFIID riid, void** ppv) {
    return ControllingUnknown->QueryInterface(riid, ppv);
}

ULONG STDMETHODCALLTYPE CHalvardUsd::AddRef() {
    return ControllingUnknown->AddRef();
}

ULONG STDMETHODCALLTYPE CHalvardUsd::Release() {
    return ControllingUnknown->Release();
}

HRESULT STDMETHODCALLTYPE CHalvardUsd::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (!Ready || ppv == nullptr) {
        return E_INVALIDARG;
    }
    *ppv = nullptr;
    IUnknown* found;
    if (IsIdentifier(riid, IID_IUnknown)) {
        found = InnerUnknown();
    } else if (IsIdentifier(riid, IID_IStiUSD)) {
        found = static_cast<IStiUSD*>(this);
    } else {
        return E_NOINTERFACE;
    }
    // Through the interface handed out: for IStiUSD that counts on the outer object.
    found->AddRef();
    *ppv = found;
    return S_OK;
}

ULONG STDMETHODCALLTYPE CHalvardUsd::NonDelegatingAddRef() {
    return InterlockedIncrement(&ReferenceCount);
}

ULONG STDMETHODCALLTYPE CHalvardUsd::NonDelegatingRelease() {
    LONG remaining = InterlockedDecrement(&ReferenceCount);
    if (remaining == 0) {
        DeleteOnProcessHeap(this);
        ModuleRelease();
    }
    return remaining;
}

}  // namespace usd
