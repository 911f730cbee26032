#include "tools/twacquire/cancel.h"

#include <windows.h>

#include <atomic>

namespace {

std::atomic<bool> cancelRequested{false};

BOOL WINAPI OnConsoleControl(DWORD) {
    cancelRequested = true;
    return TRUE;
}

}  // namespace

void WatchForCancel() {
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

bool CancelRequested() {
    return cancelRequested;
}
