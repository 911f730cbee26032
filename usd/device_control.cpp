// Binding the driver object to the service's device control: the port name, the
// device opened by it, and the trace lines written to the service's error log.
#include "usd/halvard_usd.h"

#include "platform/device_io.h"
#include "usd/binding_lock.h"

namespace usd {
namespace {

constexpr DWORD PortNameCapacity = MAX_PATH;

}  // namespace

void CHalvardUsd::WriteTrace(const wchar_t* text) {
    // The caller holds the binding. Before Initialize there is no error log.
    if (deviceControl_ != nullptr) {
        deviceControl_->WriteToErrorLog(STI_TRACE_INFORMATION, text, 0);
    }
}

HRESULT STDMETHODCALLTYPE CHalvardUsd::Initialize(PSTIDEVICECONTROL pHelDcb, DWORD, HKEY) {
    if (pHelDcb == nullptr) {
        return E_INVALIDARG;
    }
    // Exclusive for the whole rebinding: a second Initialize on another thread
    // would otherwise release the previous control, name and device a second
    // time, and a request beside it would use a device being closed. The device
    // control is called with the binding held, so it must not call back into
    // this object.
    ExclusiveBinding binding(bindingLock_);
    ForgetDevice();
    deviceControl_ = pHelDcb;
    deviceControl_->AddRef();
    WriteTrace(L"INIT");

    // One spare character keeps the name terminated whatever the service wrote.
    WCHAR portName[PortNameCapacity + 1];
    portName[0] = L'\0';
    HRESULT result = deviceControl_->GetMyDevicePortName(portName, PortNameCapacity);
    portName[PortNameCapacity] = L'\0';
    if (FAILED(result) || portName[0] == L'\0') {
        return result;
    }

    int length = WideCharToMultiByte(CP_ACP, 0, portName, -1, nullptr, 0, nullptr, nullptr);
    if (length == 0) {
        return E_INVALIDARG;
    }
    portName_ = static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, length + 1));
    if (portName_ == nullptr) {
        return E_INVALIDARG;
    }
    WideCharToMultiByte(CP_ACP, 0, portName, -1, portName_, length, nullptr, nullptr);

    deviceHandle_ = platform::DeviceIo.CreateFileA(portName_, GENERIC_READ | GENERIC_WRITE,
                                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                   OPEN_EXISTING, FILE_ATTRIBUTE_SYSTEM, nullptr);
    DWORD openError = ::GetLastError();
    RecordError(openError);
    if (DeviceIsOpen()) {
        return S_OK;
    }
    return static_cast<HRESULT>(0x80070000UL | openError);
}

}  // namespace usd
