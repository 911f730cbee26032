// A SCSI scanner kernel driver, simulated behind platform::DeviceIo: it opens one
// device path, answers IOCTL_SCSISCAN_GET_INFO with its SCSISCAN_INFO, carries out
// IOCTL_SCSISCAN_CMD requests, records every call, and fails on demand.
#pragma once

#include "platform/device_io.h"
#include "usd/sti_platform.h"

#include <mutex>
#include <string>
#include <vector>

namespace usdtest {

struct OpenCall {
    std::string Name;
    DWORD Access;
    DWORD Sharing;
    bool Security;
    DWORD Disposition;
    DWORD Attributes;
    bool Template;
};

struct DeviceRequest {
    HANDLE Device;
    DWORD Code;
    LPVOID Input;
    DWORD InputSize;
    LPVOID Output;
    DWORD OutputSize;
    LPDWORD BytesReturned;
    bool Overlapped;
    std::vector<BYTE> InputBytes;  // what the driver received, byte for byte
};

class SimulatedScsiScanner {
public:
    // Installs the simulation in platform::DeviceIo; the destructor puts back
    // what was there before (the real calls, or an enclosing simulation).
    SimulatedScsiScanner();
    ~SimulatedScsiScanner();

    static const HANDLE Handle;  // what a successful open returns

    // The device answers; a test may change them before use.
    SCSISCAN_INFO Info;
    DWORD OpenError = ERROR_SUCCESS;  // non-zero: the open fails with this error
    bool FailRequests = false;        // requests fail with RequestError
    DWORD RequestError = ERROR_GEN_FAILURE;

    std::vector<OpenCall> Opens();
    std::vector<DeviceRequest> Requests();
    std::vector<HANDLE> Closes();
    // Requests that arrived while the device was not open, and the most opens
    // of the device that were outstanding at one time.
    int RequestsToClosedDevice();
    int MostOpenAtOnce();

    // The data an IOCTL_SCSISCAN_CMD request returns for a command: byte i of the
    // transfer is a function of the command's operation code and of i.
    static BYTE CommandDataByte(BYTE operationCode, DWORD index);

    // Per thread: when non-zero, requests from this thread fail with this error.
    static void SetThreadRequestError(DWORD error);

private:
    static HANDLE WINAPI CreateFileA(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD,
                                     HANDLE);
    static BOOL WINAPI DeviceIoControl(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD,
                                       LPOVERLAPPED);
    static BOOL WINAPI CloseHandle(HANDLE);
    BOOL Answer(DeviceRequest& request);
    BOOL ExecuteCommand(const DeviceRequest& request);

    static SimulatedScsiScanner* Current;
    SimulatedScsiScanner* Previous;
    platform::DeviceIoApi PreviousApi;
    std::mutex Mutex;
    std::vector<OpenCall> OpenCalls;
    std::vector<DeviceRequest> RequestCalls;
    std::vector<HANDLE> CloseCalls;
    int OpenNow = 0;
    int OpenPeak = 0;
    int ClosedDeviceRequests = 0;
};

}  // namespace usdtest
