// Still-image driver interface and SCSI scanner driver requests, as the platform's
// published still-image and SCSI scanner headers lay them out. The toolchain's
// <sti.h> supplies the status, diagnostic, error and notification records; what it
// lacks (the user-mode driver interface, the device control the service hands to a
// driver, the SCSI scanner records and request codes) is declared here.
#pragma once

#include <objbase.h>
#include <sti.h>
#include <windows.h>
#include <winioctl.h>

#include <cstddef>

// --- identifiers ------------------------------------------------------------

// {0C9BB460-51AC-11D0-90EA-00AA0060F86C}
inline constexpr IID IID_IStiUSD = {
    0x0C9BB460, 0x51AC, 0x11D0, {0x90, 0xEA, 0x00, 0xAA, 0x00, 0x60, 0xF8, 0x6C}};
// {128A9860-52DC-11D0-9EDF-444553540000}
inline constexpr IID IID_IStiDeviceControl = {
    0x128A9860, 0x52DC, 0x11D0, {0x9E, 0xDF, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// --- records ----------------------------------------------------------------

typedef struct _STI_USD_CAPS {
    DWORD dwVersion;
    DWORD dwGenericCaps;
} STI_USD_CAPS, *PSTI_USD_CAPS;

typedef DWORD STI_RAW_CONTROL_CODE;
typedef DWORD USD_CONTROL_CODE;

constexpr DWORD SCSISCAN_MAX_STRING = 128;  // MAX_STRING of the SCSI scanner header

typedef struct _SCSISCAN_INFO {
    ULONG Size;
    ULONG Flags;
    UCHAR PortNumber;
    UCHAR PathId;
    UCHAR TargetId;
    UCHAR Lun;
    UCHAR AdapterName[SCSISCAN_MAX_STRING];
    ULONG Reserved;
} SCSISCAN_INFO, *PSCSISCAN_INFO;

typedef struct _SCSISCAN_CMD {
    ULONG Reserved1;
    ULONG Size;
    ULONG SrbFlags;
    UCHAR CdbLength;
    UCHAR SenseLength;
    UCHAR Reserved2;
    UCHAR Reserved3;
    ULONG TransferLength;
    UCHAR Cdb[16];
    PUCHAR pSrbStatus;
    PUCHAR pSenseBuffer;
} SCSISCAN_CMD, *PSCSISCAN_CMD;

// --- SCSI scanner driver requests ---------------------------------------------

#ifndef FILE_DEVICE_SCANNER
#define FILE_DEVICE_SCANNER 0x00000019
#endif
#define SCSISCAN_CMD_CODE 0x004
#define SCSISCAN_GET_INFO 0x008
#define IOCTL_SCSISCAN_CMD \
    CTL_CODE(FILE_DEVICE_SCANNER, SCSISCAN_CMD_CODE, METHOD_OUT_DIRECT, FILE_ANY_ACCESS)
#define IOCTL_SCSISCAN_GET_INFO \
    CTL_CODE(FILE_DEVICE_SCANNER, SCSISCAN_GET_INFO, METHOD_OUT_DIRECT, FILE_ANY_ACCESS)

// --- interfaces ---------------------------------------------------------------

// What the still-image service gives a driver: its device's port name and the
// service's error log, plus raw access the service performs itself.
struct IStiDeviceControl : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Initialize(DWORD dwDeviceType, DWORD dwMode,
                                                 LPCWSTR pwszPortName, DWORD dwFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE RawReadData(LPVOID lpBuffer, LPDWORD lpdwNumberOfBytes,
                                                  LPOVERLAPPED lpOverlapped) = 0;
    virtual HRESULT STDMETHODCALLTYPE RawWriteData(LPVOID lpBuffer, DWORD nNumberOfBytes,
                                                   LPOVERLAPPED lpOverlapped) = 0;
    virtual HRESULT STDMETHODCALLTYPE RawReadCommand(LPVOID lpBuffer, LPDWORD lpdwNumberOfBytes,
                                                     LPOVERLAPPED lpOverlapped) = 0;
    virtual HRESULT STDMETHODCALLTYPE RawWriteCommand(LPVOID lpBuffer, DWORD nNumberOfBytes,
                                                      LPOVERLAPPED lpOverlapped) = 0;
    virtual HRESULT STDMETHODCALLTYPE RawDeviceControl(USD_CONTROL_CODE EscapeFunction,
                                                       LPVOID lpInData, DWORD cbInDataSize,
                                                       LPVOID pOutData, DWORD dwOutDataSize,
                                                       LPDWORD pdwActualData) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLastError(LPDWORD lpdwLastError) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMyDevicePortName(LPWSTR lpszDevicePath,
                                                          DWORD cwDevicePathSize) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMyDeviceHandle(LPHANDLE lph) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMyDeviceOpenMode(LPDWORD pdwOpenMode) = 0;
    virtual HRESULT STDMETHODCALLTYPE WriteToErrorLog(DWORD dwMessageType, LPCWSTR pszMessage,
                                                      DWORD dwErrorCode) = 0;
};
typedef IStiDeviceControl* PSTIDEVICECONTROL;

// The user-mode still-image driver, as the service calls it.
struct IStiUSD : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Initialize(PSTIDEVICECONTROL pHelDcb, DWORD dwStiVersion,
                                                 HKEY hParametersKey) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCapabilities(PSTI_USD_CAPS pDevCaps) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStatus(PSTI_DEVICE_STATUS pDevStatus) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeviceReset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Diagnostic(LPSTI_DIAG pBuffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE Escape(STI_RAW_CONTROL_CODE EscapeFunction, LPVOID lpInData,
                                             DWORD cbInDataSize, LPVOID pOutData,
                                             DWORD dwOutDataSize, LPDWORD pdwActualData) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLastError(LPDWORD pdwLastDeviceError) = 0;
    virtual HRESULT STDMETHODCALLTYPE LockDevice() = 0;
    virtual HRESULT STDMETHODCALLTYPE UnLockDevice() = 0;
    virtual HRESULT STDMETHODCALLTYPE RawReadData(LPVOID lpBuffer, LPDWORD lpdwNumberOfBytes,
                                                  LPOVERLAPPED lpOverlapped) = 0;
    virtual HRESULT STDMETHODCALLTYPE RawWriteData(LPVOID lpBuffer, DWORD nNumberOfBytes,
                                                   LPOVERLAPPED lpOverlapped) = 0;
    virtual HRESULT STDMETHODCALLTYPE RawReadCommand(LPVOID lpBuffer, LPDWORD lpdwNumberOfBytes,
                                                     LPOVERLAPPED lpOverlapped) = 0;
    virtual HRESULT STDMETHODCALLTYPE RawWriteCommand(LPVOID lpBuffer, DWORD nNumberOfBytes,
                                                      LPOVERLAPPED lpOverlapped) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetNotificationHandle(HANDLE hEvent) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNotificationData(LPSTINOTIFY lpNotify) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLastErrorInfo(STI_ERROR_INFO* pLastErrorInfo) = 0;
};
typedef IStiUSD* PSTIUSD;

// --- layout checks (32-bit and 64-bit Windows) ---------------------------------

static_assert(sizeof(STI_USD_CAPS) == 8, "STI_USD_CAPS layout");
static_assert(sizeof(STI_DEVICE_STATUS) == 24, "STI_DEVICE_STATUS layout");
static_assert(offsetof(STI_DEVICE_STATUS, dwEventHandlingState) == 16, "STI_DEVICE_STATUS layout");
// The service is wide-character: the error text is 255 WCHARs whatever UNICODE says.
static_assert(sizeof(STI_ERROR_INFO) == 524, "STI_ERROR_INFO must be the wide record");
static_assert(offsetof(STI_ERROR_INFO, szExtendedErrorText) == 12, "STI_ERROR_INFO layout");
static_assert(sizeof(STI_DIAG) == 540, "STI_DIAG layout");
static_assert(offsetof(STI_DIAG, sErrorInfo) == 16, "STI_DIAG layout");
static_assert(sizeof(STINOTIFY) == 84, "STINOTIFY layout");
static_assert(sizeof(SCSISCAN_INFO) == 144, "SCSISCAN_INFO layout");
static_assert(offsetof(SCSISCAN_INFO, Reserved) == 140, "SCSISCAN_INFO layout");
static_assert(offsetof(SCSISCAN_CMD, Cdb) == 20, "SCSISCAN_CMD layout");
#ifdef _WIN64
// The two pointers are 8 bytes and 8-aligned after the 36 bytes before them.
static_assert(sizeof(SCSISCAN_CMD) == 56, "SCSISCAN_CMD layout");
static_assert(offsetof(SCSISCAN_CMD, pSrbStatus) == 40, "SCSISCAN_CMD layout");
static_assert(offsetof(SCSISCAN_CMD, pSenseBuffer) == 48, "SCSISCAN_CMD layout");
#else
static_assert(sizeof(SCSISCAN_CMD) == 44, "SCSISCAN_CMD layout");
static_assert(offsetof(SCSISCAN_CMD, pSenseBuffer) == 40, "SCSISCAN_CMD layout");
#endif
static_assert(IOCTL_SCSISCAN_GET_INFO == 0x190022, "IOCTL_SCSISCAN_GET_INFO code");
static_assert(IOCTL_SCSISCAN_CMD == 0x190012, "IOCTL_SCSISCAN_CMD code");
static_assert(STI_TRACE_INFORMATION == 1 && STI_GENCAP_NOTIFICATIONS == 1 &&
                  STI_GENCAP_POLLING_NEEDED == 2 && STI_DEVSTATUS_ONLINE_STATE == 1 &&
                  STI_DEVSTATUS_EVENTS_STATE == 2 && STI_ONLINESTATE_OPERATIONAL == 1 &&
                  STI_EVENTHANDLING_PENDING == 4,
              "still-image constants");
