// How many handles this process holds, as the system counts them: what a host
// watches to see whether a module leaks handles.
#pragma once

#include <windows.h>

namespace usdtest {

// GetProcessHandleCount where the system answers it; Wine answers 0 there but
// lists every process's handles in the system handle information, which is then
// counted for this process.
DWORD OpenHandleCount();

}  // namespace usdtest
