#include "usd/module.h"

#include "usd/class_factory.h"

#include <objbase.h>

namespace usd {

volatile LONG ModuleRefCount = 0;

}  // namespace usd

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    if (ppv == nullptr) {
        return E_FAIL;
    }
    *ppv = nullptr;
    if (!usd::IsIdentifier(rclsid, usd::CLSID_HalvardUsd)) {
        return E_FAIL;
    }
    if (!usd::IsIdentifier(riid, IID_IUnknown) && !usd::IsIdentifier(riid, IID_IClassFactory)) {
        return E_NOINTERFACE;
    }
    usd::CHalvardUsdFactory* factory = usd::CHalvardUsdFactory::Create();
    if (factory == nullptr) {
        return E_OUTOFMEMORY;
    }
    *ppv = static_cast<IClassFactory*>(factory);
    return S_OK;
}

STDAPI DllCanUnloadNow() {
    return usd::ModuleRefCount == 0 ? S_OK : S_FALSE;
}
