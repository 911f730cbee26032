#include "tests/usd/simulated_scanner_driver.h"

#include <algorithm>
#include <cstring>

namespace usdtest {
namespace {

thread_local DWORD ThreadRequestError = ERROR_SUCCESS;
constexpr BYTE SrbStatusSuccess = 0x01;

}  // namespace

SimulatedScsiScanner* SimulatedScsiScanner::Current = nullptr;
const HANDLE SimulatedScsiScanner::Handle = reinterpret_cast<HANDLE>(0x5CA0);

SimulatedScsiScanner::SimulatedScsiScanner()
    : Info{}, Previous(Current), PreviousApi(platform::DeviceIo) {
    Info.Size = sizeof(SCSISCAN_INFO);
    Info.PortNumber = 2;
    Info.PathId = 0;
    Info.TargetId = 5;
    Info.Lun = 0;
    std::strcpy(reinterpret_cast<char*>(Info.AdapterName), "Halvard simulated SCSI adapter");
    Info.Reserved = 0x5EED;
    Current = this;
    platform::DeviceIo = {&SimulatedScsiScanner::CreateFileA,
                          &SimulatedScsiScanner::DeviceIoControl,
                          &SimulatedScsiScanner::CloseHandle};
}

SimulatedScsiScanner::~SimulatedScsiScanner() {
    platform::DeviceIo = PreviousApi;
    Current = Previous;
}

std::vector<OpenCall> SimulatedScsiScanner::Opens() {
    std::lock_guard<std::mutex> lock(Mutex);
    return OpenCalls;
}

std::vector<DeviceRequest> SimulatedScsiScanner::Requests() {
    std::lock_guard<std::mutex> lock(Mutex);
    return RequestCalls;
}

std::vector<HANDLE> SimulatedScsiScanner::Closes() {
    std::lock_guard<std::mutex> lock(Mutex);
    return CloseCalls;
}

int SimulatedScsiScanner::RequestsToClosedDevice() {
    std::lock_guard<std::mutex> lock(Mutex);
    return ClosedDeviceRequests;
}

int SimulatedScsiScanner::MostOpenAtOnce() {
    std::lock_guard<std::mutex> lock(Mutex);
    return OpenPeak;
}

BYTE SimulatedScsiScanner::CommandDataByte(BYTE operationCode, DWORD index) {
    return static_cast<BYTE>(operationCode * 31u + index * 7u + 3u);
}

void SimulatedScsiScanner::SetThreadRequestError(DWORD error) {
    ThreadRequestError = error;
}

HANDLE WINAPI SimulatedScsiScanner::CreateFileA(LPCSTR name, DWORD access, DWORD sharing,
                                                LPSECURITY_ATTRIBUTES security, DWORD disposition,
                                                DWORD attributes, HANDLE templateFile) {
    SimulatedScsiScanner& self = *Current;
    {
        std::lock_guard<std::mutex> lock(self.Mutex);
        self.OpenCalls.push_back({name, access, sharing, security != nullptr, disposition,
                                  attributes, templateFile != nullptr});
    }
    if (self.OpenError != ERROR_SUCCESS) {
        SetLastError(self.OpenError);
        return INVALID_HANDLE_VALUE;
    }
    {
        std::lock_guard<std::mutex> lock(self.Mutex);
        self.OpenPeak = std::max(self.OpenPeak, ++self.OpenNow);
    }
    SetLastError(ERROR_SUCCESS);
    return Handle;
}

BOOL WINAPI SimulatedScsiScanner::DeviceIoControl(HANDLE device, DWORD code, LPVOID input,
                                                  DWORD inputSize, LPVOID output, DWORD outputSize,
                                                  LPDWORD bytesReturned, LPOVERLAPPED overlapped) {
    SimulatedScsiScanner& self = *Current;
    DeviceRequest request{device, code,       input,         inputSize,
                          output, outputSize, bytesReturned, overlapped != nullptr,
                          {}};
    if (input != nullptr) {
        const BYTE* bytes = static_cast<const BYTE*>(input);
        request.InputBytes.assign(bytes, bytes + inputSize);
    }
    {
        std::lock_guard<std::mutex> lock(self.Mutex);
        self.RequestCalls.push_back(request);
        self.ClosedDeviceRequests += device == Handle && self.OpenNow == 0;
    }
    return self.Answer(request);
}

BOOL SimulatedScsiScanner::Answer(DeviceRequest& request) {
    if (request.Device != Handle) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (ThreadRequestError != ERROR_SUCCESS || FailRequests) {
        SetLastError(ThreadRequestError != ERROR_SUCCESS ? ThreadRequestError : RequestError);
        return FALSE;
    }
    switch (request.Code) {
    case IOCTL_SCSISCAN_GET_INFO:
        if (request.Output == nullptr || request.OutputSize < sizeof(SCSISCAN_INFO)) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        std::memcpy(request.Output, &Info, sizeof(Info));
        *request.BytesReturned = sizeof(Info);
        return TRUE;
    case IOCTL_SCSISCAN_CMD:
        return ExecuteCommand(request);
    default:
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
}

BOOL SimulatedScsiScanner::ExecuteCommand(const DeviceRequest& request) {
    if (request.Input == nullptr || request.InputSize < sizeof(SCSISCAN_CMD)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const SCSISCAN_CMD& command = *static_cast<const SCSISCAN_CMD*>(request.Input);
    DWORD transfer = std::min(command.TransferLength, request.OutputSize);
    BYTE* data = static_cast<BYTE*>(request.Output);
    for (DWORD i = 0; i < transfer; ++i) {
        data[i] = CommandDataByte(command.Cdb[0], i);
    }
    if (command.pSrbStatus != nullptr) {
        *command.pSrbStatus = SrbStatusSuccess;
    }
    *request.BytesReturned = transfer;
    return TRUE;
}

BOOL WINAPI SimulatedScsiScanner::CloseHandle(HANDLE handle) {
    SimulatedScsiScanner& self = *Current;
    if (handle != Handle) {
        return ::CloseHandle(handle);
    }
    {
        std::lock_guard<std::mutex> lock(self.Mutex);
        self.CloseCalls.push_back(handle);
        --self.OpenNow;
    }
    // Closing a device takes a while: other threads run before the caller learns
    // that the handle is gone.
    SwitchToThread();
    return TRUE;
}

}  // namespace usdtest
