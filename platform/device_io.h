// The road to the kernel scanner driver: opening the device by its port name,
// sending it requests and closing it. Every call goes through this table so that
// tests can put a simulated driver behind it or make a request fail on purpose; it
// holds the real kernel calls by default.
#pragma once

#include <windows.h>

namespace platform {

struct DeviceIoApi {
    HANDLE(WINAPI* CreateFileA)
    (LPCSTR name, DWORD access, DWORD sharing, LPSECURITY_ATTRIBUTES security, DWORD disposition,
     DWORD attributes, HANDLE templateFile);
    BOOL(WINAPI* DeviceIoControl)
    (HANDLE device, DWORD code, LPVOID input, DWORD inputSize, LPVOID output, DWORD outputSize,
     LPDWORD bytesReturned, LPOVERLAPPED overlapped);
    BOOL(WINAPI* CloseHandle)(HANDLE handle);
};

extern DeviceIoApi DeviceIo;
extern const DeviceIoApi RealDeviceIo;

}  // namespace platform
