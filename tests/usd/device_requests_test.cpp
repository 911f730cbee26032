// Requests that reach the kernel scanner driver, and how their errors come back.
#include "tests/usd/usd_fixture.h"

#include <cstring>

using namespace usdtest;

namespace {

constexpr DWORD EscapeGetInfo = 0x1001;
constexpr DWORD EscapeScsiCommand = 0x1002;

STI_DIAG PrefilledDiag() {
    STI_DIAG diag;
    std::memset(&diag, 0xCD, sizeof(diag));
    diag.dwSize = sizeof(diag);
    return diag;
}

TEST_F(UsdTest, DiagnosticAsksTheDeviceForItsInformation) {
    OpenDevice();
    STI_DIAG diag = PrefilledDiag();
    STI_DIAG before = diag;
    EXPECT_EQ(Driver->Diagnostic(&diag), S_OK);
    EXPECT_EQ(diag.dwSize, before.dwSize);
    EXPECT_EQ(diag.dwBasicDiagCode, before.dwBasicDiagCode);
    EXPECT_EQ(diag.dwVendorDiagCode, before.dwVendorDiagCode);
    EXPECT_EQ(diag.dwStatusMask, 0u);
    STI_ERROR_INFO expected{};
    expected.dwVendorError = 1;
    EXPECT_EQ(std::memcmp(&diag.sErrorInfo, &expected, sizeof(expected)), 0);

    ASSERT_EQ(Scanner.Requests().size(), 1u);
    DeviceRequest request = Scanner.Requests()[0];
    EXPECT_EQ(request.Device, SimulatedScsiScanner::Handle);
    EXPECT_EQ(request.Code, DWORD(IOCTL_SCSISCAN_GET_INFO));
    EXPECT_EQ(request.Input, nullptr);
    EXPECT_EQ(request.InputSize, 0u);
    EXPECT_NE(request.Output, nullptr);
    EXPECT_EQ(request.OutputSize, sizeof(SCSISCAN_INFO));
    EXPECT_FALSE(request.Overlapped);
    EXPECT_EQ(DriverLastError(), 0u);
}

TEST_F(UsdTest, FailedDiagnosticRecordsTheError) {
    OpenDevice();
    Scanner.FailRequests = true;
    Scanner.RequestError = ERROR_GEN_FAILURE;
    STI_DIAG diag = PrefilledDiag();
    EXPECT_EQ(Driver->Diagnostic(&diag), HRESULT(0x8007001F));
    EXPECT_EQ(diag.dwStatusMask, 0u);
    EXPECT_EQ(diag.sErrorInfo.dwGenericError, 0u);
    EXPECT_EQ(diag.sErrorInfo.dwVendorError, 0u);
    EXPECT_EQ(diag.sErrorInfo.szExtendedErrorText[0], L'\0');
    EXPECT_EQ(DriverLastError(), DWORD(ERROR_GEN_FAILURE));
}

TEST_F(UsdTest, GetInfoEscapeReturnsTheDriversRecord) {
    OpenDevice();
    SCSISCAN_INFO info;
    std::memset(&info, 0, sizeof(info));
    DWORD actual = 0;
    BYTE ignoredInput[8] = {1, 2, 3};
    EXPECT_EQ(Driver->Escape(EscapeGetInfo, ignoredInput, sizeof(ignoredInput), &info, sizeof(info),
                             &actual),
              S_OK);
    EXPECT_EQ(std::memcmp(&info, &Scanner.Info, sizeof(info)), 0);
    EXPECT_EQ(actual, sizeof(SCSISCAN_INFO));

    ASSERT_EQ(Scanner.Requests().size(), 1u);
    DeviceRequest request = Scanner.Requests()[0];
    EXPECT_EQ(request.Code, DWORD(IOCTL_SCSISCAN_GET_INFO));
    EXPECT_EQ(request.Input, nullptr) << "escape input is not sent with this request";
    EXPECT_EQ(request.InputSize, 0u);
    EXPECT_EQ(request.Output, &info);
    EXPECT_EQ(request.OutputSize, sizeof(info));
    EXPECT_EQ(request.BytesReturned, &actual);
    EXPECT_FALSE(request.Overlapped);
    EXPECT_EQ(Control.LoggedMessages(), (std::vector<std::wstring>{L"INIT", L"ESCAPE"}));
}

TEST_F(UsdTest, ScsiCommandEscapePassesTheCallersBuffersThrough) {
    OpenDevice();
    BYTE srbStatus = 0;
    BYTE sense[18] = {};
    BYTE data[36];
    std::memset(data, 0, sizeof(data));
    SCSISCAN_CMD command{};
    command.Size = sizeof(command);
    command.SrbFlags = 0x40;  // data in
    command.CdbLength = 6;
    command.SenseLength = sizeof(sense);
    command.TransferLength = sizeof(data);
    command.Cdb[0] = 0x12;  // INQUIRY
    command.Cdb[4] = sizeof(data);
    command.pSrbStatus = &srbStatus;
    command.pSenseBuffer = sense;
    SCSISCAN_CMD sent = command;
    DWORD actual = 0;

    EXPECT_EQ(
        Driver->Escape(EscapeScsiCommand, &command, sizeof(command), data, sizeof(data), &actual),
        S_OK);
    ASSERT_EQ(Scanner.Requests().size(), 1u);
    DeviceRequest request = Scanner.Requests()[0];
    EXPECT_EQ(request.Code, DWORD(IOCTL_SCSISCAN_CMD));
    EXPECT_EQ(request.Input, &command);
    EXPECT_EQ(request.InputSize, sizeof(command));
    ASSERT_EQ(request.InputBytes.size(), sizeof(sent));
    EXPECT_EQ(std::memcmp(request.InputBytes.data(), &sent, sizeof(sent)), 0);
    EXPECT_EQ(request.Output, data);
    EXPECT_EQ(request.OutputSize, sizeof(data));
    EXPECT_EQ(request.BytesReturned, &actual);
    EXPECT_FALSE(request.Overlapped);

    EXPECT_EQ(actual, sizeof(data));
    for (DWORD i = 0; i < sizeof(data); ++i) {
        ASSERT_EQ(data[i], SimulatedScsiScanner::CommandDataByte(0x12, i)) << "byte " << i;
    }
    EXPECT_EQ(srbStatus, 1);
}

TEST_F(UsdTest, FailedRequestsMapTheirError) {
    OpenDevice();
    struct Case {
        DWORD Error;
        HRESULT Expected;
    };
    const Case cases[] = {
        {ERROR_GEN_FAILURE, HRESULT(0x8007001F)},
        {ERROR_FILE_NOT_FOUND, HRESULT(0x80070002)},
        {ERROR_IO_DEVICE, HRESULT(0x8007045D)},
        {0x00012345, HRESULT(0x80072345)},        // only the low 16 bits
        {DWORD(E_ACCESSDENIED), E_ACCESSDENIED},  // already an HRESULT
        {ERROR_SUCCESS, E_FAIL},                  // failed without a reason
    };
    Scanner.FailRequests = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Error);
        Scanner.RequestError = c.Error;
        SCSISCAN_INFO info;
        DWORD actual = 0;
        EXPECT_EQ(Driver->Escape(EscapeGetInfo, nullptr, 0, &info, sizeof(info), &actual),
                  c.Expected);
        EXPECT_EQ(DriverLastError(), c.Error);
        SCSISCAN_CMD command{};
        EXPECT_EQ(Driver->Escape(EscapeScsiCommand, &command, sizeof(command), nullptr, 0, &actual),
                  c.Expected);

        STI_ERROR_INFO errorInfo;
        std::memset(&errorInfo, 0x5A, sizeof(errorInfo));
        STI_ERROR_INFO before = errorInfo;
        EXPECT_EQ(Driver->GetLastErrorInfo(&errorInfo), S_OK);
        EXPECT_EQ(errorInfo.dwGenericError, c.Error);
        EXPECT_EQ(errorInfo.szExtendedErrorText[0], L'\0');
        EXPECT_EQ(errorInfo.dwSize, before.dwSize);
        EXPECT_EQ(errorInfo.dwVendorError, before.dwVendorError);
        EXPECT_EQ(errorInfo.szExtendedErrorText[1], before.szExtendedErrorText[1]);
    }
}

TEST_F(UsdTest, OtherEscapeCodesAreNotImplemented) {
    OpenDevice();
    Scanner.FailRequests = true;
    Scanner.RequestError = ERROR_GEN_FAILURE;
    SCSISCAN_INFO info;
    DWORD actual = 0;
    ASSERT_EQ(Driver->Escape(EscapeGetInfo, nullptr, 0, &info, sizeof(info), &actual),
              HRESULT(0x8007001F));
    for (DWORD code : {0u, 0x1000u, 0x1003u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(code);
        SetLastError(ERROR_BUSY);
        EXPECT_EQ(Driver->Escape(code, &info, sizeof(info), &info, sizeof(info), &actual),
                  E_NOTIMPL);
        EXPECT_EQ(DriverLastError(), DWORD(ERROR_GEN_FAILURE)) << "last error untouched";
    }
    EXPECT_EQ(Scanner.Requests().size(), 1u) << "no device request";
}

TEST_F(UsdTest, RequestsWithoutAnOpenDeviceFailWithTheInvalidHandleError) {
    Control.PortName.clear();
    ASSERT_EQ(Driver->Initialize(&Control, STI_VERSION, nullptr), S_OK);
    SCSISCAN_INFO info;
    DWORD actual = 0;
    EXPECT_EQ(Driver->Escape(EscapeGetInfo, nullptr, 0, &info, sizeof(info), &actual),
              HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE));
    ASSERT_EQ(Scanner.Requests().size(), 1u);
    EXPECT_EQ(Scanner.Requests()[0].Device, INVALID_HANDLE_VALUE);
    EXPECT_EQ(DriverLastError(), DWORD(ERROR_INVALID_HANDLE));
}

TEST_F(UsdTest, DeviceResetReportsTheThreadsError) {
    // Before the device is open the recorded error is reported as it stands.
    SetLastError(ERROR_BUSY);
    EXPECT_EQ(Driver->DeviceReset(), S_OK);
    OpenDevice();
    struct Case {
        DWORD ThreadError;
        HRESULT Expected;
    };
    const Case cases[] = {
        {ERROR_BUSY, HRESULT(0x800700AA)},
        {ERROR_SUCCESS, S_OK},
        {ERROR_NOT_READY, HRESULT(0x80070015)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ThreadError);
        SetLastError(c.ThreadError);
        EXPECT_EQ(Driver->DeviceReset(), c.Expected);
        EXPECT_EQ(DriverLastError(), c.ThreadError);
    }
    EXPECT_TRUE(Scanner.Requests().empty());
}

}  // namespace
