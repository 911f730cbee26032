// The class factory of the driver object.
#pragma once

#include <objbase.h>
#include <windows.h>

namespace usd {

class CHalvardUsdFactory : public IClassFactory {
public:
    // A new factory holding one reference for the caller; null when out of memory.
    static CHalvardUsdFactory* Create();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

    CHalvardUsdFactory();
    ~CHalvardUsdFactory();

private:
    volatile LONG referenceCount_;
};

}  // namespace usd
