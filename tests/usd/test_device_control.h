// The still-image service's side of a driver: the IStiDeviceControl it hands to
// IStiUSD::Initialize, with the device's port name and a recorded error log.
#pragma once

#include "usd/sti_platform.h"

#include <mutex>
#include <string>
#include <vector>

namespace usdtest {

struct ErrorLogEntry {
    DWORD MessageType;
    std::wstring Message;
    DWORD ErrorCode;
};

class TestDeviceControl : public IStiDeviceControl {
public:
    explicit TestDeviceControl(std::wstring portName = L"");

    std::wstring PortName;
    HRESULT PortNameResult = S_OK;  // what GetMyDevicePortName returns
    bool FillWholeBuffer = false;   // write the whole buffer, no terminator

    std::vector<ErrorLogEntry> ErrorLog();
    std::vector<std::wstring> LoggedMessages();
    LONG References() const { return ReferenceCount; }
    DWORD PortNameCapacity() const { return LastPortNameCapacity; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Initialize(DWORD, DWORD, LPCWSTR, DWORD) override;
    HRESULT STDMETHODCALLTYPE RawReadData(LPVOID, LPDWORD, LPOVERLAPPED) override;
    HRESULT STDMETHODCALLTYPE RawWriteData(LPVOID, DWORD, LPOVERLAPPED) override;
    HRESULT STDMETHODCALLTYPE RawReadCommand(LPVOID, LPDWORD, LPOVERLAPPED) override;
    HRESULT STDMETHODCALLTYPE RawWriteCommand(LPVOID, DWORD, LPOVERLAPPED) override;
    HRESULT STDMETHODCALLTYPE RawDeviceControl(USD_CONTROL_CODE, LPVOID, DWORD, LPVOID, DWORD,
                                               LPDWORD) override;
    HRESULT STDMETHODCALLTYPE GetLastError(LPDWORD) override;
    HRESULT STDMETHODCALLTYPE GetMyDevicePortName(LPWSTR lpszDevicePath,
                                                  DWORD cwDevicePathSize) override;
    HRESULT STDMETHODCALLTYPE GetMyDeviceHandle(LPHANDLE) override;
    HRESULT STDMETHODCALLTYPE GetMyDeviceOpenMode(LPDWORD) override;
    HRESULT STDMETHODCALLTYPE WriteToErrorLog(DWORD dwMessageType, LPCWSTR pszMessage,
                                              DWORD dwErrorCode) override;

private:
    volatile LONG ReferenceCount = 1;  // the test's own; never freed by Release
    DWORD LastPortNameCapacity = 0;
    std::mutex Mutex;
    std::vector<ErrorLogEntry> Entries;
};

}  // namespace usdtest
