// The module's entry point. The still-image service loads the driver into its own
// process and calls it from whatever threads it likes; the driver needs no
// per-thread notifications, and no C runtime start-up (the module is linked with
// this function as its entry point, see usd/CMakeLists.txt).
#include <windows.h>

extern "C" BOOL WINAPI DllEntryPoint(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    return DllEntryPoint(instance, reason, reserved);
}
