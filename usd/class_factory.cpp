#include "usd/class_factory.h"

#include "usd/halvard_usd.h"
#include "usd/module.h"
#include "usd/sti_platform.h"

namespace usd {

CHalvardUsdFactory* CHalvardUsdFactory::Create() {
    return NewOnProcessHeap<CHalvardUsdFactory>();
}

CHalvardUsdFactory::CHalvardUsdFactory() : referenceCount_(1) {
    ModuleAddRef();
}

CHalvardUsdFactory::~CHalvardUsdFactory() = default;

HRESULT STDMETHODCALLTYPE CHalvardUsdFactory::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr) {
        return E_INVALIDARG;
    }
    *ppv = nullptr;
    if (!IsIdentifier(riid, IID_IUnknown) && !IsIdentifier(riid, IID_IClassFactory)) {
        return E_NOINTERFACE;
    }
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

// The factory's own count is interlocked like the module's: the service may hand
// the factory to several threads, and a lost count would free it under a caller.
ULONG STDMETHODCALLTYPE CHalvardUsdFactory::AddRef() {
    ModuleAddRef();
    return InterlockedIncrement(&referenceCount_);
}

ULONG STDMETHODCALLTYPE CHalvardUsdFactory::Release() {
    ModuleRelease();
    LONG remaining = InterlockedDecrement(&referenceCount_);
    if (remaining == 0) {
        DeleteOnProcessHeap(this);
    }
    return remaining;
}

HRESULT STDMETHODCALLTYPE CHalvardUsdFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid,
                                                             void** ppv) {
    if (ppv != nullptr) {
        *ppv = nullptr;
    }
    bool asUnknown = IsIdentifier(riid, IID_IUnknown);
    if (!asUnknown && !IsIdentifier(riid, IID_IStiUSD)) {
        return E_NOINTERFACE;
    }
    // An aggregated object can only be handed out through its inner unknown.
    if (pUnkOuter != nullptr && !asUnknown) {
        return CLASS_E_NOAGGREGATION;
    }
    CHalvardUsd* driver = CHalvardUsd::Create(pUnkOuter);
    if (driver == nullptr) {
        return E_OUTOFMEMORY;
    }
    IUnknown* inner = driver->InnerUnknown();
    HRESULT result = inner->QueryInterface(riid, ppv);
    // Drops the construction reference: the object now lives on the caller's
    // reference, or is destroyed if the query failed.
    inner->Release();
    return result;
}

HRESULT STDMETHODCALLTYPE CHalvardUsdFactory::LockServer(BOOL lock) {
    if (lock) {
        ModuleAddRef();
    } else {
        ModuleRelease();
    }
    return S_OK;
}

}  // namespace usd
