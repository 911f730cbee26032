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
    EXPECT_EQ(E_INVALIDARG, Driver->Initialize(nullptr, STI_VERSION, nullptr));
    EXPECT_TRUE(Scanner.Opens().empty());
    EXPECT_TRUE(Control.ErrorLog().empty());
}

TEST_F(UsdInitializeTest, OpensThePortNameForReadAndWrite) {
    OpenDevice();
    ASSERT_EQ(1u, Scanner.Opens().size());
    OpenCall open = Scanner.Opens()[0];
    EXPECT_EQ(InAnsiCodePage(ScannerPort), open.Name);
    EXPECT_EQ(DWORD(GENERIC_READ | GENERIC_WRITE), open.Access);
    EXPECT_EQ(DWORD(FILE_SHARE_READ | FILE_SHARE_WRITE), open.Sharing);
    EXPECT_FALSE(open.Security);
    EXPECT_EQ(DWORD(OPEN_EXISTING), open.Disposition);
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_SYSTEM), open.Attributes);
    EXPECT_FALSE(open.Template);
    EXPECT_EQ(DWORD(MAX_PATH), Control.PortNameCapacity());
    EXPECT_EQ(2, Control.References()) << "the driver holds the device control";
    ASSERT_EQ(1u, Control.ErrorLog().size());
    ErrorLogEntry entry = Control.ErrorLog()[0];
    EXPECT_EQ(DWORD(STI_TRACE_INFORMATION), entry.MessageType);
    EXPECT_EQ(L"INIT", entry.Message);
    EXPECT_EQ(0u, entry.ErrorCode);
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
        ASSERT_EQ(c.Opens ? 1u : 0u, scanner.Opens().size());
        if (c.Opens) {
            EXPECT_EQ(InAnsiCodePage(c.Port), scanner.Opens()[0].Name);
        }
        DWORD lastError = 0xDEADBEEF;
        EXPECT_EQ(driver->GetLastError(&lastError), S_OK);
        EXPECT_EQ(c.Opens ? c.OpenError : 0u, lastError);
        STI_DEVICE_STATUS status = StatusQuery(STI_DEVSTATUS_ONLINE_STATE, 0);
        EXPECT_EQ(driver->GetStatus(&status), S_OK);
        bool online = c.Opens && c.OpenError == 0;
        EXPECT_EQ(online ? DWORD(STI_ONLINESTATE_OPERATIONAL) : 0u, status.dwOnlineState);
        EXPECT_EQ((std::vector<std::wstring>{L"INIT", L"GET STATUS"}), control.LoggedMessages());
        EXPECT_EQ(driver->Release(), 0u);
        EXPECT_EQ(scanner.Closes().size(), online ? 1u : 0u);
        EXPECT_EQ(1, control.References());
    }
}

TEST_F(UsdInitializeTest, UnterminatedPortNameStaysInsideTheBuffer) {
    Control.FillWholeBuffer = true;
    OpenDevice();
    ASSERT_EQ(1u, Scanner.Opens().size());
    EXPECT_EQ(std::string(Control.PortNameCapacity(), 'P'), Scanner.Opens()[0].Name);
}

TEST_F(UsdInitializeTest, RepeatedInitializeReleasesTheFirstBinding) {
    OpenDevice();
    SimulatedScsiScanner& scanner = Scanner;
    TestDeviceControl second(L"\\\\.\\Scanner1");
    ASSERT_EQ(S_OK, Driver->Initialize(&second, STI_VERSION, nullptr));
    EXPECT_EQ(1, Control.References()) << "first device control released";
    EXPECT_EQ(scanner.Closes().size(), 1u) << "first device closed";
    EXPECT_EQ(2, second.References());
    EXPECT_EQ(0u, Driver->Release());
    Driver = nullptr;
    EXPECT_EQ(1, second.References());
    EXPECT_EQ(scanner.Closes().size(), 2u);
}

TEST_F(UsdTest, DestructionClosesTheDeviceAndReleasesTheControl) {
    OpenDevice();
    EXPECT_EQ(0u, Driver->Release());
    Driver = nullptr;
    EXPECT_EQ(std::vector<HANDLE>{SimulatedScsiScanner::Handle}, Scanner.Closes());
}

TEST_F(UsdTest, CapabilitiesAreFixed) {
    for (bool initialized : {false, true}) {
        SCOPED_TRACE(initialized ? "device open" : "before Initialize");
        if (initialized) {
            OpenDevice();
        }
        STI_USD_CAPS caps;
        std::memset(&caps, 0xCD, sizeof(caps));
        EXPECT_EQ(S_OK, Driver->GetCapabilities(&caps));
        EXPECT_EQ(2u, caps.dwVersion);
        EXPECT_EQ(DWORD(STI_GENCAP_NOTIFICATIONS | STI_GENCAP_POLLING_NEEDED), caps.dwGenericCaps);
    }
    EXPECT_EQ((std::vector<std::wstring>{L"INIT", L"GET CAPBIITIES"}), Control.LoggedMessages());
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
        EXPECT_EQ(S_OK, Driver->GetStatus(&status));
        EXPECT_EQ(step.OnlineState, status.dwOnlineState);
        EXPECT_EQ(step.EventStateOut, status.dwEventHandlingState);
        EXPECT_EQ(before.dwSize, status.dwSize);
        EXPECT_EQ(before.StatusMask, status.StatusMask);
        EXPECT_EQ(before.dwHardwareStatusCode, status.dwHardwareStatusCode);
        EXPECT_EQ(before.dwPollingInterval, status.dwPollingInterval);
    }
    EXPECT_TRUE(Scanner.Requests().empty()) << "status never asks the device";
}

TEST_F(UsdTest, MethodsWithoutBehaviour) {
    OpenDevice();
    BYTE buffer[16] = {};
    DWORD count = sizeof(buffer);
    EXPECT_EQ(E_NOTIMPL, Driver->RawReadData(buffer, &count, nullptr));
    EXPECT_EQ(E_NOTIMPL, Driver->RawWriteData(buffer, count, nullptr));
    EXPECT_EQ(E_NOTIMPL, Driver->RawReadCommand(buffer, &count, nullptr));
    EXPECT_EQ(E_NOTIMPL, Driver->RawWriteCommand(buffer, count, nullptr));
    EXPECT_EQ(E_NOTIMPL,
              Driver->SetNotificationHandle(CreateEventA(nullptr, TRUE, FALSE, nullptr)));
    EXPECT_EQ(S_OK, Driver->LockDevice());
    EXPECT_EQ(S_OK, Driver->UnLockDevice());

    STINOTIFY notify;
    std::memset(&notify, 0xA5, sizeof(notify));
    STINOTIFY untouched = notify;
    EXPECT_EQ(HRESULT(0x80070103), Driver->GetNotificationData(&notify));
    EXPECT_EQ(0, std::memcmp(&notify, &untouched, sizeof(notify)));
    EXPECT_EQ(HRESULT(0x80070103), Driver->GetNotificationData(nullptr));
    EXPECT_TRUE(Scanner.Requests().empty());
    EXPECT_EQ(sizeof(buffer), count);
}

TEST_F(UsdTest, NullRecordsAreRefused) {
    OpenDevice();
    EXPECT_EQ(E_INVALIDARG, Driver->GetCapabilities(nullptr));
    EXPECT_EQ(E_INVALIDARG, Driver->GetStatus(nullptr));
    EXPECT_EQ(E_INVALIDARG, Driver->Diagnostic(nullptr));
    EXPECT_EQ(E_INVALIDARG, Driver->GetLastError(nullptr));
    EXPECT_EQ(E_INVALIDARG, Driver->GetLastErrorInfo(nullptr));
    DWORD actual = 0;
    EXPECT_EQ(E_INVALIDARG, Driver->Escape(0x1001, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_EQ(E_INVALIDARG, Driver->Escape(0x1002, nullptr, 0, &actual, 0, nullptr));
    EXPECT_TRUE(Scanner.Requests().empty());

    // Read-only memory is refused as well.
    void* page = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READONLY);
    ASSERT_NE(nullptr, page);
    EXPECT_EQ(E_INVALIDARG, Driver->GetLastError(static_cast<DWORD*>(page)));
    EXPECT_EQ(E_INVALIDARG, Driver->GetLastErrorInfo(static_cast<STI_ERROR_INFO*>(page)));
    VirtualFree(page, 0, MEM_RELEASE);
}

}  // namespace
