// Initialize, capabilities, status and the methods that do nothing.
#include "tests/usd/usd_fixture.h"

#include <cstring>

using namespace usdtest;

namespace {

std::string InAnsiCodePage(const std::wstring& text) {
    int length = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string converted(length, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &converted[0], length, nullptr, nullptr);
    converted.resize(length - 1);
    return converted;
}

STI_DEVICE_STATUS StatusQuery(DWORD mask, DWORD eventState) {
    STI_DEVICE_STATUS status;
    status.dwSize = sizeof(status);
    status.StatusMask = mask;
    status.dwOnlineState = 0xFFFF;
    status.dwHardwareStatusCode = 0x1234;
    status.dwEventHandlingState = eventState;
    status.dwPollingInterval = 777;
    return status;
}

using UsdInitializeTest = UsdTest;

TEST_F(UsdInitializeTest, NullDeviceControlIsRefusedWithoutLogging) {
    EXPECT_EQ(Driver->Initialize(nullptr, STI_VERSION, nullptr), E_INVALIDARG);
    EXPECT_TRUE(Scanner.Opens().empty());
    EXPECT_TRUE(Control.ErrorLog().empty());
}

TEST_F(UsdInitializeTest, OpensThePortNameForReadAndWrite) {
    OpenDevice();
    ASSERT_EQ(Scanner.Opens().size(), 1u);
    OpenCall open = Scanner.Opens()[0];
    EXPECT_EQ(open.Name, InAnsiCodePage(ScannerPort));
    EXPECT_EQ(open.Access, DWORD(GENERIC_READ | GENERIC_WRITE));
    EXPECT_EQ(open.Sharing, DWORD(FILE_SHARE_READ | FILE_SHARE_WRITE));
    EXPECT_FALSE(open.Security);
    EXPECT_EQ(open.Disposition, DWORD(OPEN_EXISTING));
    EXPECT_EQ(open.Attributes, DWORD(FILE_ATTRIBUTE_SYSTEM));
    EXPECT_FALSE(open.Template);
    EXPECT_EQ(Control.PortNameCapacity(), DWORD(MAX_PATH));
    EXPECT_EQ(Control.References(), 2) << "the driver holds the device control";
    ASSERT_EQ(Control.ErrorLog().size(), 1u);
    ErrorLogEntry entry = Control.ErrorLog()[0];
    EXPECT_EQ(entry.MessageType, DWORD(STI_TRACE_INFORMATION));
    EXPECT_EQ(entry.Message, L"INIT");
    EXPECT_EQ(entry.ErrorCode, 0u);
}

TEST_F(UsdInitializeTest, PortNameOutcomes) {
    struct Case {
        const char* What;
        std::wstring Port;
        HRESULT PortNameResult;
        DWORD OpenError;
        HRESULT Expected;
        bool Opens;
    };
    const Case cases[] = {
        {"port name refused", ScannerPort, E_ACCESSDENIED, 0, E_ACCESSDENIED, false},
        {"empty port name", L"", S_OK, 0, S_OK, false},
        {"empty port name, success code kept", L"", S_FALSE, 0, S_FALSE, false},
        {"device missing", ScannerPort, S_OK, ERROR_FILE_NOT_FOUND, HRESULT(0x80070002), true},
        {"device busy", ScannerPort, S_OK, ERROR_SHARING_VIOLATION, HRESULT(0x80070020), true},
        {"name outside ASCII", L"\\\\.\\Sc\u00e4nner\u00e9", S_OK, 0, S_OK, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        SimulatedScsiScanner scanner;
        scanner.OpenError = c.OpenError;
        TestDeviceControl control(c.Port);
        control.PortNameResult = c.PortNameResult;
        IStiUSD* driver = CreateDriver(LinkedModule());
        ASSERT_NE(driver, nullptr);
        EXPECT_EQ(driver->Initialize(&control, STI_VERSION, nullptr), c.Expected);
        ASSERT_EQ(scanner.Opens().size(), c.Opens ? 1u : 0u);
        if (c.Opens) {
            EXPECT_EQ(scanner.Opens()[0].Name, InAnsiCodePage(c.Port));
        }
        DWORD lastError = 0xDEADBEEF;
        EXPECT_EQ(driver->GetLastError(&lastError), S_OK);
        EXPECT_EQ(lastError, c.Opens ? c.OpenError : 0u);
        STI_DEVICE_STATUS status = StatusQuery(STI_DEVSTATUS_ONLINE_STATE, 0);
        EXPECT_EQ(driver->GetStatus(&status), S_OK);
        bool online = c.Opens && c.OpenError == 0;
        EXPECT_EQ(status.dwOnlineState, online ? DWORD(STI_ONLINESTATE_OPERATIONAL) : 0u);
        EXPECT_EQ(control.LoggedMessages(), (std::vector<std::wstring>{L"INIT", L"GET STATUS"}));
        EXPECT_EQ(driver->Release(), 0u);
        EXPECT_EQ(scanner.Closes().size(), online ? 1u : 0u);
        EXPECT_EQ(control.References(), 1);
    }
}

TEST_F(UsdInitializeTest, UnterminatedPortNameStaysInsideTheBuffer) {
    Control.FillWholeBuffer = true;
    OpenDevice();
    ASSERT_EQ(Scanner.Opens().size(), 1u);
    EXPECT_EQ(Scanner.Opens()[0].Name, std::string(Control.PortNameCapacity(), 'P'));
}

TEST_F(UsdInitializeTest, RepeatedInitializeReleasesTheFirstBinding) {
    OpenDevice();
    SimulatedScsiScanner& scanner = Scanner;
    TestDeviceControl second(L"\\\\.\\Scanner1");
    ASSERT_EQ(Driver->Initialize(&second, STI_VERSION, nullptr), S_OK);
    EXPECT_EQ(Control.References(), 1) << "first device control released";
    EXPECT_EQ(scanner.Closes().size(), 1u) << "first device closed";
    EXPECT_EQ(second.References(), 2);
    EXPECT_EQ(Driver->Release(), 0u);
    Driver = nullptr;
    EXPECT_EQ(second.References(), 1);
    EXPECT_EQ(scanner.Closes().size(), 2u);
}

TEST_F(UsdTest, DestructionClosesTheDeviceAndReleasesTheControl) {
    OpenDevice();
    EXPECT_EQ(Driver->Release(), 0u);
    Driver = nullptr;
    EXPECT_EQ(Scanner.Closes(), std::vector<HANDLE>{SimulatedScsiScanner::Handle});
}

TEST_F(UsdTest, CapabilitiesAreFixed) {
    for (bool initialized : {false, true}) {
        SCOPED_TRACE(initialized ? "device open" : "before Initialize");
        if (initialized) {
            OpenDevice();
        }
        STI_USD_CAPS caps;
        std::memset(&caps, 0xCD, sizeof(caps));
        EXPECT_EQ(Driver->GetCapabilities(&caps), S_OK);
        EXPECT_EQ(caps.dwVersion, 2u);
        EXPECT_EQ(caps.dwGenericCaps, DWORD(STI_GENCAP_NOTIFICATIONS | STI_GENCAP_POLLING_NEEDED));
    }
    EXPECT_EQ(Control.LoggedMessages(), (std::vector<std::wstring>{L"INIT", L"GET CAPBIITIES"}));
}

TEST_F(UsdTest, PendingEventIsReportedOnceToTheQueryThatAsks) {
    OpenDevice();
    const DWORD enabledAndPolling = STI_EVENTHANDLING_ENABLED | STI_EVENTHANDLING_POLLING;
    struct Step {
        const char* What;
        DWORD Mask;
        DWORD EventStateIn;
        DWORD OnlineState;
        DWORD EventStateOut;
    };
    const Step steps[] = {
        {"no mask: offline, pending bit cleared, event kept", 0,
         enabledAndPolling | STI_EVENTHANDLING_PENDING, 0, enabledAndPolling},
        {"online only", STI_DEVSTATUS_ONLINE_STATE, STI_EVENTHANDLING_PENDING, 1, 0},
        {"first event query: the event", 3, enabledAndPolling, 1, STI_EVENTHANDLING_PENDING},
        {"second event query: caller's bits less pending", 3,
         enabledAndPolling | STI_EVENTHANDLING_PENDING, 1, enabledAndPolling},
        {"events only", STI_DEVSTATUS_EVENTS_STATE, enabledAndPolling, 0, enabledAndPolling},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.What);
        STI_DEVICE_STATUS status = StatusQuery(step.Mask, step.EventStateIn);
        STI_DEVICE_STATUS before = status;
        EXPECT_EQ(Driver->GetStatus(&status), S_OK);
        EXPECT_EQ(status.dwOnlineState, step.OnlineState);
        EXPECT_EQ(status.dwEventHandlingState, step.EventStateOut);
        EXPECT_EQ(status.dwSize, before.dwSize);
        EXPECT_EQ(status.StatusMask, before.StatusMask);
        EXPECT_EQ(status.dwHardwareStatusCode, before.dwHardwareStatusCode);
        EXPECT_EQ(status.dwPollingInterval, before.dwPollingInterval);
    }
    EXPECT_TRUE(Scanner.Requests().empty()) << "status never asks the device";
}

TEST_F(UsdTest, MethodsWithoutBehaviour) {
    OpenDevice();
    BYTE buffer[16] = {};
    DWORD count = sizeof(buffer);
    EXPECT_EQ(Driver->RawReadData(buffer, &count, nullptr), E_NOTIMPL);
    EXPECT_EQ(Driver->RawWriteData(buffer, count, nullptr), E_NOTIMPL);
    EXPECT_EQ(Driver->RawReadCommand(buffer, &count, nullptr), E_NOTIMPL);
    EXPECT_EQ(Driver->RawWriteCommand(buffer, count, nullptr), E_NOTIMPL);
    EXPECT_EQ(Driver->SetNotificationHandle(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
              E_NOTIMPL);
    EXPECT_EQ(Driver->LockDevice(), S_OK);
    EXPECT_EQ(Driver->UnLockDevice(), S_OK);

    STINOTIFY notify;
    std::memset(&notify, 0xA5, sizeof(notify));
    STINOTIFY untouched = notify;
    EXPECT_EQ(Driver->GetNotificationData(&notify), HRESULT(0x80070103));
    EXPECT_EQ(std::memcmp(&notify, &untouched, sizeof(notify)), 0);
    EXPECT_EQ(Driver->GetNotificationData(nullptr), HRESULT(0x80070103));
    EXPECT_TRUE(Scanner.Requests().empty());
    EXPECT_EQ(count, sizeof(buffer));
}

TEST_F(UsdTest, NullRecordsAreRefused) {
    OpenDevice();
    EXPECT_EQ(Driver->GetCapabilities(nullptr), E_INVALIDARG);
    EXPECT_EQ(Driver->GetStatus(nullptr), E_INVALIDARG);
    EXPECT_EQ(Driver->Diagnostic(nullptr), E_INVALIDARG);
    EXPECT_EQ(Driver->GetLastError(nullptr), E_INVALIDARG);
    EXPECT_EQ(Driver->GetLastErrorInfo(nullptr), E_INVALIDARG);
    DWORD actual = 0;
    EXPECT_EQ(Driver->Escape(0x1001, nullptr, 0, nullptr, 0, nullptr), E_INVALIDARG);
    EXPECT_EQ(Driver->Escape(0x1002, nullptr, 0, &actual, 0, nullptr), E_INVALIDARG);
    EXPECT_TRUE(Scanner.Requests().empty());

    // Read-only memory is refused as well.
    void* page = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READONLY);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(Driver->GetLastError(static_cast<DWORD*>(page)), E_INVALIDARG);
    EXPECT_EQ(Driver->GetLastErrorInfo(static_cast<STI_ERROR_INFO*>(page)), E_INVALIDARG);
    VirtualFree(page, 0, MEM_RELEASE);
}

}  // namespace
