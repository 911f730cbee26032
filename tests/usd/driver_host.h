// How the tests reach the driver: the module's two COM exports, either linked into
// this program (where the simulated kernel driver can be put behind it) or from
// halvardusd.dll loaded beside the test program, and objects made through them.
#pragma once

#include "usd/sti_platform.h"

#include <string>

namespace usdtest {

struct DriverModule {
    const char* Name;
    HRESULT(STDAPICALLTYPE* GetClassObject)(REFCLSID, REFIID, LPVOID*);
    HRESULT(STDAPICALLTYPE* CanUnloadNow)();
};

// The module's code linked into the test program.
DriverModule LinkedModule();
// halvardusd.dll, loaded once from the test program's folder.
DriverModule LoadedModule();
HMODULE LoadedModuleHandle();
std::string LoadedModulePath();

// A new, unaggregated driver object from the module's class factory (the factory
// is released again); null on failure.
IStiUSD* CreateDriver(const DriverModule& module);

// The class identifier in registry form.
std::wstring DriverClassIdText();

}  // namespace usdtest
