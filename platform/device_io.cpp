#include "platform/device_io.h"

namespace platform {
namespace {

// The table must be filled before any code runs: the still-image driver runs
// without the C runtime's start-up, so no dynamic initialisation may be needed.
// Taking the address of an imported function is not a link-time constant, the
// address of these local forwarders is.
HANDLE WINAPI RealCreateFileA(LPCSTR name, DWORD access, DWORD sharing,
                              LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD attributes,
                              HANDLE templateFile) {
    return ::CreateFileA(name, access, sharing, security, disposition, attributes, templateFile);
}

BOOL WINAPI RealDeviceIoControl(HANDLE device, DWORD code, LPVOID input, DWORD inputSize,
                                LPVOID output, DWORD outputSize, LPDWORD bytesReturned,
                                LPOVERLAPPED overlapped) {
    return ::DeviceIoControl(device, code, input, inputSize, output, outputSize, bytesReturned,
                             overlapped);
}

BOOL WINAPI RealCloseHandle(HANDLE handle) {
    return ::CloseHandle(handle);
}

}  // namespace

extern constexpr DeviceIoApi RealDeviceIo = {&RealCreateFileA, &RealDeviceIoControl,
                                             &RealCloseHandle};
DeviceIoApi DeviceIo = RealDeviceIo;

}  // namespace platform
