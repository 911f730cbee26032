// What the driver reports about the device without asking it: capabilities,
// online and event state, and the methods it does not implement.
#include "usd/halvard_usd.h"

#include "usd/binding_lock.h"

namespace usd {

HRESULT STDMETHODCALLTYPE CHalvardUsd::GetCapabilities(PSTI_USD_CAPS pDevCaps) {
    SharedBinding binding(bindingLock_);
    WriteTrace(L"GET CAPBIITIES");
    if (pDevCaps == nullptr) {
        return E_INVALIDARG;
    }
    ZeroMemory(pDevCaps, sizeof(*pDevCaps));
    pDevCaps->dwVersion = STI_VERSION_REAL;
    pDevCaps->dwGenericCaps = STI_GENCAP_NOTIFICATIONS | STI_GENCAP_POLLING_NEEDED;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CHalvardUsd::GetStatus(PSTI_DEVICE_STATUS pDevStatus) {
    SharedBinding binding(bindingLock_);
    WriteTrace(L"GET STATUS");
    if (pDevStatus == nullptr) {
        return E_INVALIDARG;
    }
    pDevStatus->dwOnlineState = 0;
    if ((pDevStatus->StatusMask & STI_DEVSTATUS_ONLINE_STATE) && DeviceIsOpen()) {
        pDevStatus->dwOnlineState = STI_ONLINESTATE_OPERATIONAL;
    }
    pDevStatus->dwEventHandlingState &= ~STI_EVENTHANDLING_PENDING;
    // The pending event is reported once, to the first query that asks for it,
    // even when several threads ask at the same time.
    if ((pDevStatus->StatusMask & STI_DEVSTATUS_EVENTS_STATE) &&
        InterlockedExchange(&eventPending_, 0) != 0) {
        pDevStatus->dwEventHandlingState = STI_EVENTHANDLING_PENDING;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CHalvardUsd::LockDevice() {
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CHalvardUsd::UnLockDevice() {
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CHalvardUsd::RawReadData(LPVOID, LPDWORD, LPOVERLAPPED) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CHalvardUsd::RawWriteData(LPVOID, DWORD, LPOVERLAPPED) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CHalvardUsd::RawReadCommand(LPVOID, LPDWORD, LPOVERLAPPED) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CHalvardUsd::RawWriteCommand(LPVOID, DWORD, LPOVERLAPPED) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CHalvardUsd::SetNotificationHandle(HANDLE) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CHalvardUsd::GetNotificationData(LPSTINOTIFY) {
    // The device never queues notification data.
    EnterCriticalSection(&lock_);
    LeaveCriticalSection(&lock_);
    return HRESULT_FROM_WIN32(ERROR_NO_MORE_ITEMS);
}

}  // namespace usd
