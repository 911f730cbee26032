// Requests sent to the kernel scanner driver: the diagnostic and the two escapes.
#include "usd/halvard_usd.h"

#include "platform/device_io.h"
#include "usd/binding_lock.h"

namespace usd {
namespace {

constexpr STI_RAW_CONTROL_CODE EscapeGetInfo = 0x1001;
constexpr STI_RAW_CONTROL_CODE EscapeScsiCommand = 0x1002;

}  // namespace

HRESULT STDMETHODCALLTYPE CHalvardUsd::DeviceReset() {
    // Nothing is sent to the device; what is reported is the thread's error,
    // read before taking the locks.
    DWORD threadError = ::GetLastError();
    SharedBinding binding(bindingLock_);
    EnterCriticalSection(&lock_);
    if (DeviceIsOpen()) {
        lastError_ = threadError;
    }
    DWORD reported = lastError_;
    LeaveCriticalSection(&lock_);
    return HResultFromDeviceError(reported);
}

HRESULT STDMETHODCALLTYPE CHalvardUsd::Diagnostic(LPSTI_DIAG pBuffer) {
    if (pBuffer == nullptr) {
        return E_INVALIDARG;
    }
    pBuffer->dwStatusMask = 0;
    ZeroMemory(&pBuffer->sErrorInfo, sizeof(pBuffer->sErrorInfo));
    SharedBinding binding(bindingLock_);

    SCSISCAN_INFO info;
    DWORD returned = 0;
    BOOL succeeded =
        platform::DeviceIo.DeviceIoControl(deviceHandle_, IOCTL_SCSISCAN_GET_INFO, nullptr, 0,
                                           &info, sizeof(info), &returned, nullptr);
    DWORD error = succeeded ? ERROR_SUCCESS : ::GetLastError();
    pBuffer->sErrorInfo.dwGenericError = 0;
    pBuffer->sErrorInfo.dwVendorError = succeeded ? 1 : 0;
    return succeeded ? S_OK : FailedRequest(error);
}

HRESULT STDMETHODCALLTYPE CHalvardUsd::Escape(STI_RAW_CONTROL_CODE EscapeFunction, LPVOID lpInData,
                                              DWORD cbInDataSize, LPVOID pOutData,
                                              DWORD dwOutDataSize, LPDWORD pdwActualData) {
    SharedBinding binding(bindingLock_);
    WriteTrace(L"ESCAPE");
    DWORD request;
    if (EscapeFunction == EscapeGetInfo) {
        request = IOCTL_SCSISCAN_GET_INFO;
        lpInData = nullptr;
        cbInDataSize = 0;
    } else if (EscapeFunction == EscapeScsiCommand) {
        request = IOCTL_SCSISCAN_CMD;
    } else {
        return E_NOTIMPL;
    }
    // A request without an overlapped record always writes the byte count.
    if (pdwActualData == nullptr) {
        return E_INVALIDARG;
    }
    // The caller's records and buffers go to the kernel driver as they are.
    BOOL succeeded =
        platform::DeviceIo.DeviceIoControl(deviceHandle_, request, lpInData, cbInDataSize, pOutData,
                                           dwOutDataSize, pdwActualData, nullptr);
    return succeeded ? S_OK : FailedRequest(::GetLastError());
}

}  // namespace usd
