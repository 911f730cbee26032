// Initialize called again, and from several threads at once, on one object of the
// built module with real files standing in for devices: every binding is released
// exactly once, and no handle outlives the object, as the host counts them.
#include "tests/usd/driver_host.h"
#include "tests/usd/process_handles.h"
#include "tests/usd/simulated_scanner_driver.h"
#include "tests/usd/test_device_control.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using namespace usdtest;

namespace {

class UsdRebindingTest : public testing::Test {
protected:
    void SetUp() override {
        char folder[MAX_PATH];
        ASSERT_NE(0u, GetTempPathA(MAX_PATH, folder));
        for (std::string& path : Files) {
            char name[MAX_PATH];
            ASSERT_NE(0u, GetTempFileNameA(folder, "usd", 0, name));
            path = name;
        }
        First.PortName = Wide(Files[0]);
        Second.PortName = Wide(Files[1]);
        Missing.PortName = Wide(Files[0] + ".missing");
        Refusing.PortNameResult = E_ACCESSDENIED;
        HandlesBefore = OpenHandleCount();
        Driver = CreateDriver(LoadedModule());
        ASSERT_NE(nullptr, Driver);
    }
    void TearDown() override {
        if (Driver != nullptr) {
            EXPECT_EQ(0u, Driver->Release());
        }
        EXPECT_EQ(HandlesBefore, OpenHandleCount()) << "a handle outlived the object";
        for (TestDeviceControl* control : {&First, &Second, &Missing, &Refusing}) {
            EXPECT_EQ(1, control->References()) << "the host's own reference only";
        }
        for (const std::string& path : Files) {
            EXPECT_TRUE(OpenedByNobody(path)) << path;
            DeleteFileA(path.c_str());
        }
        EXPECT_NE(FALSE, HeapValidate(GetProcessHeap(), 0, nullptr));
        EXPECT_EQ(S_OK, LoadedModule().CanUnloadNow());
    }
    static std::wstring Wide(const std::string& text) { return {text.begin(), text.end()}; }

    std::string Files[2];
    TestDeviceControl First, Second, Missing, Refusing;
    DWORD HandlesBefore = 0;
    IStiUSD* Driver = nullptr;
};

TEST_F(UsdRebindingTest, RepeatedInitializeKeepsOnlyTheLastBinding) {
    struct Case {
        const char* What;
        std::vector<TestDeviceControl*> Calls;  // null: Initialize(nullptr), refused
        TestDeviceControl* Held;                // holds the object's reference after
        bool DeviceOpen;
    };
    const Case cases[] = {
        {"same control twice", {&First, &First}, &First, true},
        {"another control", {&First, &Second}, &Second, true},
        {"then a missing device", {&First, &Missing}, &Missing, false},
        {"then a refused port name", {&Second, &Refusing}, &Refusing, false},
        {"then a null control", {&First, nullptr}, &First, true},
        {"back to the first", {&First, &Second, &Missing, &First}, &First, true},
    };
    // No SCOPED_TRACE here: gtest's first trace on a thread takes a thread handle
    // for good, which would read as a leak.
    for (const Case& c : cases) {
        DWORD handlesWithObject = OpenHandleCount();
        for (TestDeviceControl* control : c.Calls) {
            Driver->Initialize(control, STI_VERSION, nullptr);
        }
        for (TestDeviceControl* control : {&First, &Second, &Missing, &Refusing}) {
            EXPECT_EQ(control == c.Held ? 2 : 1, control->References()) << c.What;
        }
        EXPECT_EQ(handlesWithObject + (c.DeviceOpen ? 1 : 0), OpenHandleCount()) << c.What;
        EXPECT_EQ(!(c.DeviceOpen && c.Held == &First), OpenedByNobody(Files[0])) << c.What;
        EXPECT_EQ(!(c.DeviceOpen && c.Held == &Second), OpenedByNobody(Files[1])) << c.What;
        EXPECT_EQ(0u, Driver->Release());
        EXPECT_EQ(1, c.Held->References()) << c.What;
        Driver = CreateDriver(LoadedModule());
        ASSERT_NE(nullptr, Driver);
    }
}

TEST_F(UsdRebindingTest, ConcurrentInitializeOfTheSameDevice) {
    constexpr int Threads = 2;
    constexpr int Calls = 500;
    DWORD handlesWithObject = OpenHandleCount();
    std::atomic<int> ready{0};
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < Threads; ++t) {
        threads.emplace_back([&] {
            for (++ready; ready < Threads;) {
            }
            for (int i = 0; i < Calls; ++i) {
                failures += Driver->Initialize(&First, STI_VERSION, nullptr) != S_OK;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(0, failures);
    EXPECT_EQ(2, First.References()) << "exactly one reference held by the object";
    EXPECT_EQ(handlesWithObject + 1, OpenHandleCount()) << "exactly one device open";
    STI_DEVICE_STATUS status{};
    status.StatusMask = STI_DEVSTATUS_ONLINE_STATE;
    EXPECT_EQ(S_OK, Driver->GetStatus(&status));
    EXPECT_EQ(DWORD(STI_ONLINESTATE_OPERATIONAL), status.dwOnlineState);
}

// Requests beside a rebinding never reach a device that is being closed, and the
// device is never open twice.
TEST(UsdRebindingRaceTest, RequestsBesideInitializeUseAnOpenDevice) {
    SimulatedScsiScanner scanner;
    TestDeviceControl control(L"\\\\.\\Scanner0");
    IStiUSD* driver = CreateDriver(LinkedModule());
    ASSERT_NE(driver, nullptr);
    ASSERT_EQ(driver->Initialize(&control, STI_VERSION, nullptr), S_OK);
    constexpr int RequestThreads = 3;
    std::atomic<int> ready{0};
    auto startTogether = [&] {
        for (++ready; ready < RequestThreads + 1;) {
        }
    };
    std::thread rebinding([&] {
        startTogether();
        for (int i = 0; i < 2000; ++i) {
            driver->Initialize(&control, STI_VERSION, nullptr);
        }
    });
    std::vector<std::thread> requests;
    for (int t = 0; t < RequestThreads; ++t) {
        requests.emplace_back([&] {
            startTogether();
            for (int i = 0; i < 2000; ++i) {
                SCSISCAN_INFO info;
                DWORD actual = 0;
                STI_DIAG diag{};
                driver->Escape(0x1001, nullptr, 0, &info, sizeof(info), &actual);
                driver->Diagnostic(&diag);
            }
        });
    }
    rebinding.join();
    for (std::thread& thread : requests) {
        thread.join();
    }
    EXPECT_EQ(0, scanner.RequestsToClosedDevice());
    EXPECT_EQ(1, scanner.MostOpenAtOnce());
    EXPECT_EQ(driver->Release(), 0u);
    EXPECT_EQ(scanner.Closes().size(), scanner.Opens().size());
    EXPECT_EQ(1, control.References());
}

}  // namespace
