// How the source reaches the Source Manager for its notifications: it loads
// "TWAIN_32.DLL" by name and calls its "DSM_Entry". Tests replace these calls to
// refuse a notification or to stand in for a missing Source Manager.
#pragma once

#include <windows.h>

namespace platform {

struct SourceManagerLinkApi {
    HMODULE(WINAPI* LoadLibrary)(LPCSTR name);
    FARPROC(WINAPI* GetProcAddress)(HMODULE module, LPCSTR name);
    BOOL(WINAPI* FreeLibrary)(HMODULE module);
};

extern SourceManagerLinkApi SourceManagerLink;
extern const SourceManagerLinkApi RealSourceManagerLink;

}  // namespace platform
