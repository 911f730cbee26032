// halvardusd.dll as the still-image service meets it: its entry point, COM
// activation through the registry, and a real device path opened by Wine.
#include "tests/usd/driver_host.h"
#include "tests/usd/test_device_control.h"
#include "usd/module.h"

#include <gtest/gtest.h>

#include <string>

using namespace usdtest;

namespace {

using EntryPoint = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);

// 32-bit Windows decorates the stdcall names; 64-bit Windows has no such decoration.
#ifdef _WIN64
constexpr const char* EntryExportName = "DllEntryPoint";
constexpr const char* MainExportName = "DllMain";
#else
constexpr const char* EntryExportName = "_DllEntryPoint@12";
constexpr const char* MainExportName = "_DllMain@12";
#endif

TEST(UsdModuleTest, EntryPointIsTheExportedDllEntryPoint) {
    HMODULE module = LoadedModuleHandle();
    ASSERT_NE(nullptr, module) << LoadedModulePath();
    auto base = reinterpret_cast<const BYTE*>(module);
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    auto entryExport = reinterpret_cast<EntryPoint>(GetProcAddress(module, EntryExportName));
    auto mainExport = reinterpret_cast<EntryPoint>(GetProcAddress(module, MainExportName));
    ASSERT_NE(nullptr, entryExport);
    ASSERT_NE(nullptr, mainExport);
    EXPECT_EQ(reinterpret_cast<const BYTE*>(entryExport),
              base + nt->OptionalHeader.AddressOfEntryPoint);
    // Every call answers TRUE, through either name.
    for (EntryPoint entry : {entryExport, mainExport}) {
        for (DWORD reason :
             {DWORD(DLL_THREAD_ATTACH), DWORD(DLL_THREAD_DETACH), DWORD(DLL_PROCESS_ATTACH)}) {
            EXPECT_EQ(TRUE, entry(module, reason, nullptr)) << reason;
        }
    }
}

// The driver's class registered for COM in the test prefix's registry. Wine's COM
// reads class registrations from the machine's classes only.
class UsdComActivationTest : public testing::Test {
protected:
    void SetUp() override {
        KeyPath = L"Software\\Classes\\CLSID\\" + DriverClassIdText();
        std::wstring serverKey = KeyPath + L"\\InprocServer32";
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, serverKey.c_str(), 0, nullptr,
                                                 0, KEY_WRITE, nullptr, &key, nullptr));
        std::string path = LoadedModulePath();
        std::wstring widePath(path.begin(), path.end());
        SetString(key, nullptr, widePath);
        SetString(key, L"ThreadingModel", L"Both");
        RegCloseKey(key);
        ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    }
    void TearDown() override {
        CoUninitialize();
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, KeyPath.c_str());
        EXPECT_EQ(S_OK, LoadedModule().CanUnloadNow());
    }
    static void SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       DWORD((value.size() + 1) * sizeof(wchar_t)));
    }
    std::wstring KeyPath;
};

class CountingOuter : public IUnknown {
public:
    LONG References = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++References; }
    ULONG STDMETHODCALLTYPE Release() override { return --References; }
};

TEST_F(UsdComActivationTest, CreatedByClassIdentifier) {
    IStiUSD* driver = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(usd::CLSID_HalvardUsd, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IStiUSD, reinterpret_cast<void**>(&driver)));
    ASSERT_NE(driver, nullptr);
    EXPECT_EQ(GetModuleHandleA("halvardusd.dll"), LoadedModuleHandle())
        << "the built module served it";
    STI_USD_CAPS caps{};
    EXPECT_EQ(driver->GetCapabilities(&caps), S_OK);
    EXPECT_EQ(2u, caps.dwVersion);
    EXPECT_EQ(3u, caps.dwGenericCaps);
    EXPECT_EQ(S_FALSE, LoadedModule().CanUnloadNow());
    EXPECT_EQ(driver->Release(), 0u);
}

TEST_F(UsdComActivationTest, AggregationThroughActivation) {
    CountingOuter outer;
    void* object = nullptr;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, CoCreateInstance(usd::CLSID_HalvardUsd, &outer,
                                                      CLSCTX_INPROC_SERVER, IID_IStiUSD, &object));
    IUnknown* inner = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(usd::CLSID_HalvardUsd, &outer, CLSCTX_INPROC_SERVER,
                                     IID_IUnknown, reinterpret_cast<void**>(&inner)));
    IStiUSD* driver = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IStiUSD, reinterpret_cast<void**>(&driver)), S_OK);
    EXPECT_EQ(2, outer.References);
    driver->Release();
    EXPECT_EQ(1, outer.References);
    EXPECT_EQ(inner->Release(), 0u);
}

// A file stands in for the device: Wine opens it, and a scanner request to it
// fails with whatever error Wine gives, which the driver must report unchanged.
class UsdRealDevicePathTest : public testing::Test {
protected:
    void SetUp() override {
        char folder[MAX_PATH];
        char path[MAX_PATH];
        ASSERT_NE(0u, GetTempPathA(MAX_PATH, folder));
        ASSERT_NE(0u, GetTempFileNameA(folder, "usd", 0, path));
        DevicePath = path;
        Driver = CreateDriver(LoadedModule());
        ASSERT_NE(nullptr, Driver);
    }
    void TearDown() override {
        if (Driver != nullptr) {
            EXPECT_EQ(0u, Driver->Release());
        }
        EXPECT_NE(FALSE, DeleteFileA(DevicePath.c_str())) << "the driver closed the device";
        EXPECT_EQ(S_OK, LoadedModule().CanUnloadNow());
    }

    // What Wine answers to IOCTL_SCSISCAN_GET_INFO on this handle.
    static HRESULT ExpectedGetInfoResult(HANDLE handle, DWORD* error) {
        SCSISCAN_INFO info;
        DWORD returned = 0;
        SetLastError(ERROR_SUCCESS);
        BOOL ok = DeviceIoControl(handle, IOCTL_SCSISCAN_GET_INFO, nullptr, 0, &info, sizeof(info),
                                  &returned, nullptr);
        *error = ok ? ERROR_SUCCESS : GetLastError();
        return ok ? S_OK : HRESULT_FROM_WIN32(*error);
    }

    std::string DevicePath;
    IStiUSD* Driver = nullptr;
};

TEST_F(UsdRealDevicePathTest, RequestToAnOpenedFileFailsWithWinesError) {
    std::wstring widePath(DevicePath.begin(), DevicePath.end());
    TestDeviceControl control(widePath);
    ASSERT_EQ(S_OK, Driver->Initialize(&control, STI_VERSION, nullptr));

    HANDLE file =
        CreateFileA(DevicePath.c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << "the driver shares the device";
    DWORD wineError = 0;
    HRESULT expected = ExpectedGetInfoResult(file, &wineError);
    CloseHandle(file);
    ASSERT_NE(wineError, DWORD(ERROR_SUCCESS)) << "a file is no scanner";

    STI_DEVICE_STATUS status{};
    status.StatusMask = STI_DEVSTATUS_ONLINE_STATE;
    EXPECT_EQ(S_OK, Driver->GetStatus(&status));
    EXPECT_EQ(DWORD(STI_ONLINESTATE_OPERATIONAL), status.dwOnlineState);

    SCSISCAN_INFO info;
    DWORD actual = 0;
    EXPECT_EQ(expected, Driver->Escape(0x1001, nullptr, 0, &info, sizeof(info), &actual));
    DWORD reported = 0;
    EXPECT_EQ(S_OK, Driver->GetLastError(&reported));
    EXPECT_EQ(wineError, reported);

    STI_DIAG diag{};
    EXPECT_EQ(expected, Driver->Diagnostic(&diag));
    EXPECT_EQ(0u, diag.sErrorInfo.dwVendorError);
    EXPECT_EQ((std::vector<std::wstring>{L"INIT", L"GET STATUS", L"ESCAPE"}),
              control.LoggedMessages());
    EXPECT_EQ(0u, Driver->Release());
    Driver = nullptr;
    EXPECT_EQ(1, control.References());
}

TEST_F(UsdRealDevicePathTest, MissingDeviceFailsInitializeAndLaterRequests) {
    std::string missing = DevicePath + ".missing";
    SetLastError(ERROR_SUCCESS);
    HANDLE probe = CreateFileA(missing.c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_SYSTEM, nullptr);
    ASSERT_EQ(INVALID_HANDLE_VALUE, probe);
    DWORD openError = GetLastError();

    std::wstring widePath(missing.begin(), missing.end());
    TestDeviceControl control(widePath);
    EXPECT_EQ(HRESULT(0x80070000UL | openError),
              Driver->Initialize(&control, STI_VERSION, nullptr));
    DWORD reported = 0;
    EXPECT_EQ(S_OK, Driver->GetLastError(&reported));
    EXPECT_EQ(openError, reported);

    STI_DEVICE_STATUS status{};
    status.StatusMask = STI_DEVSTATUS_ONLINE_STATE;
    EXPECT_EQ(S_OK, Driver->GetStatus(&status));
    EXPECT_EQ(0u, status.dwOnlineState);

    DWORD invalidHandleError = 0;
    HRESULT expected = ExpectedGetInfoResult(INVALID_HANDLE_VALUE, &invalidHandleError);
    SCSISCAN_INFO info;
    DWORD actual = 0;
    EXPECT_EQ(expected, Driver->Escape(0x1001, nullptr, 0, &info, sizeof(info), &actual));
    if (FAILED(expected)) {
        EXPECT_EQ(S_OK, Driver->GetLastError(&reported));
        EXPECT_EQ(invalidHandleError, reported);
    }
    EXPECT_EQ(0u, Driver->Release());
    Driver = nullptr;
    EXPECT_EQ(1, control.References());
}

}  // namespace
