// The last device error: how it becomes a method result and how the service reads it.
#include "usd/halvard_usd.h"

namespace usd {

HRESULT HResultFromDeviceError(DWORD error) {
    LONG value = static_cast<LONG>(error);
    if (value > 0) {
        return static_cast<HRESULT>((error & 0xFFFFUL) | 0x80070000UL);
    }
    return value;  // 0 is S_OK; a negative value is already an HRESULT
}

void CHalvardUsd::RecordError(DWORD error) {
    EnterCriticalSection(&lock_);
    lastError_ = error;
    LeaveCriticalSection(&lock_);
}

HRESULT CHalvardUsd::FailedRequest(DWORD error) {
    RecordError(error);
    // A request that failed without saying why must not read as a success.
    return error == ERROR_SUCCESS ? E_FAIL : HResultFromDeviceError(error);
}

HRESULT STDMETHODCALLTYPE CHalvardUsd::GetLastError(LPDWORD pdwLastDeviceError) {
    HRESULT result = S_OK;
    EnterCriticalSection(&lock_);
    if (IsBadWritePtr(pdwLastDeviceError, sizeof(*pdwLastDeviceError))) {
        result = E_INVALIDARG;
    } else {
        *pdwLastDeviceError = lastError_;
    }
    LeaveCriticalSection(&lock_);
    return result;
}

HRESULT STDMETHODCALLTYPE CHalvardUsd::GetLastErrorInfo(STI_ERROR_INFO* pLastErrorInfo) {
    // Every byte written, up to the text's first character, must be writable.
    constexpr UINT_PTR WrittenBytes = offsetof(STI_ERROR_INFO, szExtendedErrorText) + sizeof(WCHAR);
    HRESULT result = S_OK;
    EnterCriticalSection(&lock_);
    if (IsBadWritePtr(pLastErrorInfo, WrittenBytes)) {
        result = E_INVALIDARG;
    } else {
        pLastErrorInfo->dwGenericError = lastError_;
        pLastErrorInfo->szExtendedErrorText[0] = L'\0';
    }
    LeaveCriticalSection(&lock_);
    return result;
}

}  // namespace usd
