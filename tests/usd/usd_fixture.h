// A driver object from the module's code linked into the test, with the simulated
// kernel scanner driver behind platform::DeviceIo and the test's device control.
#pragma once

#include "tests/usd/driver_host.h"
#include "tests/usd/simulated_scanner_driver.h"
#include "tests/usd/test_device_control.h"

#include <gtest/gtest.h>

namespace usdtest {

inline const wchar_t* const ScannerPort = L"\\\\.\\Scanner0";

class UsdTest : public testing::Test {
protected:
    void SetUp() override {
        Driver = CreateDriver(LinkedModule());
        ASSERT_NE(nullptr, Driver);
    }
    void TearDown() override {
        if (Driver != nullptr) {
            EXPECT_EQ(0u, Driver->Release());
        }
        EXPECT_EQ(S_OK, LinkedModule().CanUnloadNow()) << "a reference leaked";
        EXPECT_EQ(1, Control.References()) << "the device control was not released";
    }

    // Initialize with the simulated device's port name; the device opens.
    void OpenDevice() { ASSERT_EQ(S_OK, Driver->Initialize(&Control, STI_VERSION, nullptr)); }

    DWORD DriverLastError() {
        DWORD error = 0xDEADBEEF;
        EXPECT_EQ(S_OK, Driver->GetLastError(&error));
        return error;
    }

    SimulatedScsiScanner Scanner;
    TestDeviceControl Control{ScannerPort};
    IStiUSD* Driver = nullptr;
};

}  // namespace usdtest
