#include "tests/usd/driver_host.h"

#include "usd/module.h"

namespace usdtest {

DriverModule LinkedModule() {
    return {"linked", &DllGetClassObject, &DllCanUnloadNow};
}

std::string LoadedModulePath() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of("\\/") + 1) + "halvardusd.dll";
}

HMODULE LoadedModuleHandle() {
    static HMODULE module = LoadLibraryA(LoadedModulePath().c_str());
    return module;
}

DriverModule LoadedModule() {
    HMODULE module = LoadedModuleHandle();
    DriverModule loaded{"loaded", nullptr, nullptr};
    if (module != nullptr) {
        loaded.GetClassObject = reinterpret_cast<decltype(loaded.GetClassObject)>(
            GetProcAddress(module, "DllGetClassObject"));
        loaded.CanUnloadNow = reinterpret_cast<decltype(loaded.CanUnloadNow)>(
            GetProcAddress(module, "DllCanUnloadNow"));
    }
    return loaded;
}

IStiUSD* CreateDriver(const DriverModule& module) {
    IClassFactory* factory = nullptr;
    if (FAILED(module.GetClassObject(usd::CLSID_HalvardUsd, IID_IClassFactory,
                                     reinterpret_cast<void**>(&factory)))) {
        return nullptr;
    }
    IStiUSD* driver = nullptr;
    factory->CreateInstance(nullptr, IID_IStiUSD, reinterpret_cast<void**>(&driver));
    factory->Release();
    return driver;
}

std::wstring DriverClassIdText() {
    wchar_t text[40];
    StringFromGUID2(usd::CLSID_HalvardUsd, text, 40);
    return text;
}

}  // namespace usdtest
