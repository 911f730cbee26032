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
        ASSERT_NE(Driver, nullptr);
    }
    void TearDown() override {
        if (Driver != nullptr) {
            EXPECT_EQ(Driver->Release(), 0u);
        }
        EXPECT_EQ(LinkedModule().CanUnloadNow(), S_OK) << "a reference leaked";
        EXPECT_EQ(Control.References(), 1) << "the device control was not released";
    }

    // Initialize with the simulated device's port name; the device opens.
    void OpenDevice() { ASSERT_EQ(Driver->Initialize(&Control, STI_VERSION, nullptr), S_OK); }

    DWORD DriverLastError() {
        DWORD error = 0xDEADBEEF;
        EXPECT_EQ(Driver->GetLastError(&error), S_OK);
        return error;
    }

    SimulatedScsiScanner Scanner;
    TestDeviceControl Control{ScannerPort};
    IStiUSD* Driver = nullptr;
};

}  // namespace usdtest
