// Entry of dunmere.ds: the source object lives from process attach to detach, and
// the two message-pump exports offer the host's messages to the module's windows.
#include "source/twain_source.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        DisableThreadLibraryCalls(instance);
        AttachModule(instance);
        break;
    case DLL_PROCESS_DETACH:
        DetachModule();
        break;
    }
    return TRUE;
}

// Offers one message of the host's loop to the module's windows; nonzero when one
// of them consumed it (dialog navigation keys, for instance).
extern "C" BOOL WINAPI FilterDllMsg(LPMSG message) {
    CTwainSource* source = TheSource();
    return source && message && source->PreTranslateMessage(message) ? TRUE : FALSE;
}

// Runs the module's idle processing until it reports nothing more to do.
extern "C" void WINAPI ProcessDllIdle() {
    CTwainSource* source = TheSource();
    if (!source) return;
    for (long count = 0; source->OnIdle(count); ++count) {
    }
}
