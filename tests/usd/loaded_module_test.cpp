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
constexpr const char* kEntryExportName = "DllEntryPoint";
constexpr const char* kMainExportName = "DllMain";
#else
constexpr const char* kEntryExportName = "_DllEntryPoint@12";
constexpr const char* kMainExportName = "_DllMain@12";
#endif

TEST(UsdModuleTest, EntryPointIsTheExportedDllEntryPoint) {
    HMODULE module = LoadedModuleHandle();
    ASSERT_NE(module, nullptr) << LoadedModulePath();
    auto base = reinterpret_cast<const BYTE*>(module);
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    auto entryExport = reinterpret_cast<EntryPoint>(GetProcAddress(module, kEntryExportName));
    auto mainExport = reinterpret_cast<EntryPoint>(GetProcAddress(module, kMainExportName));
    ASSERT_NE(entryExport, nullptr);
    ASSERT_NE(mainExport, nullptr);
    EXPECT_EQ(reinterpret_cast<const BYTE*>(entryExport),
              base + nt->OptionalHeader.AddressOfEntryPoint);
    // Every call answers TRUE, through either name.
    for (EntryPoint entry : {entryExport, mainExport}) {
        for (DWORD reason :
             {DWORD(DLL_THREAD_ATTACH), DWORD(DLL_THREAD_DETACH), DWORD(DLL_PROCESS_ATTACH)}) {
            EXPECT_EQ(entry(module, reason, nullptr), TRUE) << reason;
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
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, serverKey.c_str(), 0, nullptr, 0, KEY_WRITE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        std::string path = LoadedModulePath();
        std::wstring widePath(path.begin(), path.end());
        SetString(key, nullptr, widePath);
        SetString(key, L"ThreadingModel", L"Both");
        RegCloseKey(key);
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    }
    void TearDown() override {
        CoUninitialize();
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, KeyPath.c_str());
        EXPECT_EQ(LoadedModule().CanUnloadNow(), S_OK);
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
    ASSERT_EQ(CoCreateInstance(usd::CLSID_HalvardUsd, nullptr, CLSCTX_INPROC_SERVER, IID_IStiUSD,
                               reinterpret_cast<void**>(&driver)),
              S_OK);
    ASSERT_NE(driver, nullptr);
    EXPECT_EQ(GetModuleHandleA("halvardusd.dll"), LoadedModuleHandle())
        << "the built module served it";
    STI_USD_CAPS caps{};
    EXPECT_EQ(driver->GetCapabilities(&caps), S_OK);
    EXPECT_EQ(caps.dwVersion, 2u);
    EXPECT_EQ(caps.dwGenericCaps, 3u);
    EXPECT_EQ(LoadedModule().CanUnloadNow(), S_FALSE);
    EXPECT_EQ(driver->Release(), 0u);
}

TEST_F(UsdComActivationTest, AggregationThroughActivation) {
    CountingOuter outer;
    void* object = nullptr;
    EXPECT_EQ(
        CoCreateInstance(usd::CLSID_HalvardUsd, &outer, CLSCTX_INPROC_SERVER, IID_IStiUSD, &object),
        CLASS_E_NOAGGREGATION);
    IUnknown* inner = nullptr;
    ASSERT_EQ(CoCreateInstance(usd::CLSID_HalvardUsd, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&inner)),
              S_OK);
    IStiUSD* driver = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IStiUSD, reinterpret_cast<void**>(&driver)), S_OK);
    EXPECT_EQ(outer.References, 2);
    driver->Release();
    EXPECT_EQ(outer.References, 1);
    EXPECT_EQ(inner->Release(), 0u);
}

// A file stands in for the device: Wine opens it, and a scanner request to it
// fails with whatever error Wine gives, which the driver must report unchanged.
class UsdRealDevicePathTest : public testing::Test {
protected:
    void SetUp() override {
        char folder[MAX_PATH];
        char path[MAX_PATH];
        ASSERT_NE(GetTempPathA(MAX_PATH, folder), 0u);
        ASSERT_NE(GetTempFileNameA(folder, "usd", 0, path), 0u);
        DevicePath = path;
        Driver = CreateDriver(LoadedModule());
        ASSERT_NE(Driver, nullptr);
    }
    void TearDown() override {
        if (Driver != nullptr) {
            EXPECT_EQ(Driver->Release(), 0u);
        }
        EXPECT_NE(DeleteFileA(DevicePath.c_str()), FALSE) << "the driver closed the device";
        EXPECT_EQ(LoadedModule().CanUnloadNow(), S_OK);
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
    ASSERT_EQ(Driver->Initialize(&control, STI_VERSION, nullptr), S_OK);

    HANDLE file =
        CreateFileA(DevicePath.c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "the driver shares the device";
    DWORD wineError = 0;
    HRESULT expected = ExpectedGetInfoResult(file, &wineError);
    CloseHandle(file);
    ASSERT_NE(wineError, DWORD(ERROR_SUCCESS)) << "a file is no scanner";

    STI_DEVICE_STATUS status{};
    status.StatusMask = STI_DEVSTATUS_ONLINE_STATE;
    EXPECT_EQ(Driver->GetStatus(&status), S_OK);
    EXPECT_EQ(status.dwOnlineState, DWORD(STI_ONLINESTATE_OPERATIONAL));

    SCSISCAN_INFO info;
    DWORD actual = 0;
    EXPECT_EQ(Driver->Escape(0x1001, nullptr, 0, &info, sizeof(info), &actual), expected);
    DWORD reported = 0;
    EXPECT_EQ(Driver->GetLastError(&reported), S_OK);
    EXPECT_EQ(reported, wineError);

    STI_DIAG diag{};
    EXPECT_EQ(Driver->Diagnostic(&diag), expected);
    EXPECT_EQ(diag.sErrorInfo.dwVendorError, 0u);
    EXPECT_EQ(control.LoggedMessages(),
              (std::vector<std::wstring>{L"INIT", L"GET STATUS", L"ESCAPE"}));
    EXPECT_EQ(Driver->Release(), 0u);
    Driver = nullptr;
    EXPECT_EQ(control.References(), 1);
}

TEST_F(UsdRealDevicePathTest, MissingDeviceFailsInitializeAndLaterRequests) {
    std::string missing = DevicePath + ".missing";
    SetLastError(ERROR_SUCCESS);
    HANDLE probe = CreateFileA(missing.c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_SYSTEM, nullptr);
    ASSERT_EQ(probe, INVALID_HANDLE_VALUE);
    DWORD openError = GetLastError();

    std::wstring widePath(missing.begin(), missing.end());
    TestDeviceControl control(widePath);
    EXPECT_EQ(Driver->Initialize(&control, STI_VERSION, nullptr),
              HRESULT(0x80070000UL | openError));
    DWORD reported = 0;
    EXPECT_EQ(Driver->GetLastError(&reported), S_OK);
    EXPECT_EQ(reported, openError);

    STI_DEVICE_STATUS status{};
    status.StatusMask = STI_DEVSTATUS_ONLINE_STATE;
    EXPECT_EQ(Driver->GetStatus(&status), S_OK);
    EXPECT_EQ(status.dwOnlineState, 0u);

    DWORD invalidHandleError = 0;
    HRESULT expected = ExpectedGetInfoResult(INVALID_HANDLE_VALUE, &invalidHandleError);
    SCSISCAN_INFO info;
    DWORD actual = 0;
    EXPECT_EQ(Driver->Escape(0x1001, nullptr, 0, &info, sizeof(info), &actual), expected);
    if (FAILED(expected)) {
        EXPECT_EQ(Driver->GetLastError(&reported), S_OK);
        EXPECT_EQ(reported, invalidHandleError);
    }
    EXPECT_EQ(Driver->Release(), 0u);
    Driver = nullptr;
    EXPECT_EQ(control.References(), 1);
}

}  // namespace
