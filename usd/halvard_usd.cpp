// Construction, destruction and the two unknowns of the driver object.
#include "usd/halvard_usd.h"

#include "platform/device_io.h"
#include "usd/module.h"

namespace usd {

CHalvardUsd* CHalvardUsd::Create(IUnknown* outer) {
    return NewOnProcessHeap<CHalvardUsd>(outer);
}

CHalvardUsd::CHalvardUsd(IUnknown* outer)
    : referenceCount_(1),
      ready_(0),
      controllingUnknown_(outer != nullptr ? outer : InnerUnknown()),
      deviceControl_(nullptr),
      portName_(nullptr),
      deviceHandle_(INVALID_HANDLE_VALUE),
      lastError_(0),
      event_(nullptr),
      eventPending_(1) {
    InitializeCriticalSection(&lock_);
    InitializeSRWLock(&bindingLock_);
    event_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ready_ = (event_ != nullptr && event_ != INVALID_HANDLE_VALUE) ? 1 : 0;
    ModuleAddRef();
}

CHalvardUsd::~CHalvardUsd() {
    if (event_ != nullptr && event_ != INVALID_HANDLE_VALUE) {
        CloseHandle(event_);
    }
    ForgetDevice();
    DeleteCriticalSection(&lock_);
}

void CHalvardUsd::ForgetDevice() {
    if (DeviceIsOpen()) {
        platform::DeviceIo.CloseHandle(deviceHandle_);
        deviceHandle_ = INVALID_HANDLE_VALUE;
    }
    if (portName_ != nullptr) {
        HeapFree(GetProcessHeap(), 0, portName_);
        portName_ = nullptr;
    }
    if (deviceControl_ != nullptr) {
        deviceControl_->Release();
        deviceControl_ = nullptr;
    }
}

bool CHalvardUsd::DeviceIsOpen() const {
    return deviceHandle_ != INVALID_HANDLE_VALUE;
}

IUnknown* CHalvardUsd::InnerUnknown() {
    // The inner table has IUnknown's layout: three methods, same calling convention.
    return reinterpret_cast<IUnknown*>(static_cast<INonDelegatingUnknown*>(this));
}

HRESULT STDMETHODCALLTYPE CHalvardUsd::QueryInterface(REFIID riid, void** ppv) {
    return controllingUnknown_->QueryInterface(riid, ppv);
}

ULONG STDMETHODCALLTYPE CHalvardUsd::AddRef() {
    return controllingUnknown_->AddRef();
}

ULONG STDMETHODCALLTYPE CHalvardUsd::Release() {
    return controllingUnknown_->Release();
}

HRESULT STDMETHODCALLTYPE CHalvardUsd::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (!ready_ || ppv == nullptr) {
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
    return InterlockedIncrement(&referenceCount_);
}

ULONG STDMETHODCALLTYPE CHalvardUsd::NonDelegatingRelease() {
    LONG remaining = InterlockedDecrement(&referenceCount_);
    if (remaining == 0) {
        DeleteOnProcessHeap(this);
        ModuleRelease();
    }
    return remaining;
}

}  // namespace usd
