// How many handles this process holds, as the system counts them, and whether a
// file is still held open: what a host watches to see whether a module leaks
// handles.
#pragma once

#include <windows.h>

#include <string>

namespace usdtest {

// GetProcessHandleCount where the system answers it; Wine answers 0 there but
// lists every process's handles in the system handle information, which is then
// counted for this process.
DWORD OpenHandleCount();

// Nobody has the file open: it can be opened without sharing.
bool OpenedByNobody(const std::string& path);

}  // namespace usdtest
