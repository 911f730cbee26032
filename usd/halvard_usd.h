// The driver object: the still-image driver interface the service calls, and the
// inner (non-delegating) unknown that owns the object's lifetime, so that it can be
// aggregated into an outer object.
#pragma once

#include "usd/sti_platform.h"

namespace usd {

// Same table layout as IUnknown; the object hands it out as its inner unknown.
struct INonDelegatingUnknown {
    virtual HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) = 0;
    virtual ULONG STDMETHODCALLTYPE NonDelegatingAddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE NonDelegatingRelease() = 0;
};

// The Win32 error e as a method result: e > 0 becomes HRESULT_FROM_WIN32 of its low
// 16 bits, 0 is S_OK, and a negative value is already an HRESULT.
HRESULT HResultFromDeviceError(DWORD error);

class CHalvardUsd : public IStiUSD, public INonDelegatingUnknown {
public:
    // A new object holding its construction reference, aggregated into outer when
    // outer is not null; null when out of memory.
    static CHalvardUsd* Create(IUnknown* outer);

    IUnknown* InnerUnknown();

    // IUnknown, delegating to the controlling unknown.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // The inner unknown.
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE NonDelegatingAddRef() override;
    ULONG STDMETHODCALLTYPE NonDelegatingRelease() override;

    // IStiUSD, in interface-table order.
    HRESULT STDMETHODCALLTYPE Initialize(PSTIDEVICECONTROL pHelDcb, DWORD dwStiVersion,
                                         HKEY hParametersKey) override;
    HRESULT STDMETHODCALLTYPE GetCapabilities(PSTI_USD_CAPS pDevCaps) override;
    HRESULT STDMETHODCALLTYPE GetStatus(PSTI_DEVICE_STATUS pDevStatus) override;
    HRESULT STDMETHODCALLTYPE DeviceReset() override;
    HRESULT STDMETHODCALLTYPE Diagnostic(LPSTI_DIAG pBuffer) override;
    HRESULT STDMETHODCALLTYPE Escape(STI_RAW_CONTROL_CODE EscapeFunction, LPVOID lpInData,
                                     DWORD cbInDataSize, LPVOID pOutData, DWORD dwOutDataSize,
                                     LPDWORD pdwActualData) override;
    HRESULT STDMETHODCALLTYPE GetLastError(LPDWORD pdwLastDeviceError) override;
    HRESULT STDMETHODCALLTYPE LockDevice() override;
    HRESULT STDMETHODCALLTYPE UnLockDevice() override;
    HRESULT STDMETHODCALLTYPE RawReadData(LPVOID lpBuffer, LPDWORD lpdwNumberOfBytes,
                                          LPOVERLAPPED lpOverlapped) override;
    HRESULT STDMETHODCALLTYPE RawWriteData(LPVOID lpBuffer, DWORD nNumberOfBytes,
                                           LPOVERLAPPED lpOverlapped) override;
    HRESULT STDMETHODCALLTYPE RawReadCommand(LPVOID lpBuffer, LPDWORD lpdwNumberOfBytes,
                                             LPOVERLAPPED lpOverlapped) override;
    HRESULT STDMETHODCALLTYPE RawWriteCommand(LPVOID lpBuffer, DWORD nNumberOfBytes,
                                              LPOVERLAPPED lpOverlapped) override;
    HRESULT STDMETHODCALLTYPE SetNotificationHandle(HANDLE hEvent) override;
    HRESULT STDMETHODCALLTYPE GetNotificationData(LPSTINOTIFY lpNotify) override;
    HRESULT STDMETHODCALLTYPE GetLastErrorInfo(STI_ERROR_INFO* pLastErrorInfo) override;

    explicit CHalvardUsd(IUnknown* outer);
    ~CHalvardUsd();

private:
    void WriteTrace(const wchar_t* text);
    // Drops the device control, port name and device a previous Initialize took;
    // the caller holds the binding exclusively (or is the destructor).
    void ForgetDevice();
    bool DeviceIsOpen() const;
    // Records the error of the device request that just failed and returns it as
    // the method's result (never a success).
    HRESULT FailedRequest(DWORD error);
    void RecordError(DWORD error);

    volatile LONG referenceCount_;
    LONG ready_;
    CRITICAL_SECTION lock_;  // guards lastError_
    SRWLOCK bindingLock_;    // guards deviceControl_, portName_ and deviceHandle_
    IUnknown* controllingUnknown_;
    IStiDeviceControl* deviceControl_;
    char* portName_;
    HANDLE deviceHandle_;
    DWORD lastError_;
    HANDLE event_;
    volatile LONG eventPending_;
};

}  // namespace usd
