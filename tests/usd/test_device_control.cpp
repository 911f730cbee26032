#include "tests/usd/test_device_control.h"

#include <algorithm>

namespace usdtest {

TestDeviceControl::TestDeviceControl(std::wstring portName) : PortName(std::move(portName)) {}

std::vector<ErrorLogEntry> TestDeviceControl::ErrorLog() {
    std::lock_guard<std::mutex> lock(Mutex);
    return Entries;
}

std::vector<std::wstring> TestDeviceControl::LoggedMessages() {
    std::vector<std::wstring> messages;
    for (const ErrorLogEntry& entry : ErrorLog()) {
        messages.push_back(entry.Message);
    }
    return messages;
}

HRESULT STDMETHODCALLTYPE TestDeviceControl::QueryInterface(REFIID riid, void** ppv) {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IStiDeviceControl)) {
        *ppv = static_cast<IStiDeviceControl*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE TestDeviceControl::AddRef() {
    return InterlockedIncrement(&ReferenceCount);
}

ULONG STDMETHODCALLTYPE TestDeviceControl::Release() {
    return InterlockedDecrement(&ReferenceCount);
}

HRESULT STDMETHODCALLTYPE TestDeviceControl::Initialize(DWORD, DWORD, LPCWSTR, DWORD) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TestDeviceControl::RawReadData(LPVOID, LPDWORD, LPOVERLAPPED) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TestDeviceControl::RawWriteData(LPVOID, DWORD, LPOVERLAPPED) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TestDeviceControl::RawReadCommand(LPVOID, LPDWORD, LPOVERLAPPED) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TestDeviceControl::RawWriteCommand(LPVOID, DWORD, LPOVERLAPPED) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TestDeviceControl::RawDeviceControl(USD_CONTROL_CODE, LPVOID, DWORD,
                                                              LPVOID, DWORD, LPDWORD) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TestDeviceControl::GetLastError(LPDWORD) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TestDeviceControl::GetMyDevicePortName(LPWSTR lpszDevicePath,
                                                                 DWORD cwDevicePathSize) {
    LastPortNameCapacity = cwDevicePathSize;
    if (FAILED(PortNameResult)) {
        return PortNameResult;
    }
    if (FillWholeBuffer) {
        std::fill(lpszDevicePath, lpszDevicePath + cwDevicePathSize, L'P');
        return PortNameResult;
    }
    size_t length = std::min<size_t>(PortName.size(), cwDevicePathSize - 1);
    std::copy(PortName.begin(), PortName.begin() + length, lpszDevicePath);
    lpszDevicePath[length] = L'\0';
    return PortNameResult;
}

HRESULT STDMETHODCALLTYPE TestDeviceControl::GetMyDeviceHandle(LPHANDLE) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TestDeviceControl::GetMyDeviceOpenMode(LPDWORD) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TestDeviceControl::WriteToErrorLog(DWORD dwMessageType,
                                                             LPCWSTR pszMessage,
                                                             DWORD dwErrorCode) {
    std::lock_guard<std::mutex> lock(Mutex);
    Entries.push_back({dwMessageType, pszMessage, dwErrorCode});
    return S_OK;
}

}  // namespace usdtest
