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
    EXPECT_EQ(S_OK, Driver->Diagnostic(&diag));
    EXPECT_EQ(before.dwSize, diag.dwSize);
    EXPECT_EQ(before.dwBasicDiagCode, diag.dwBasicDiagCode);
    EXPECT_EQ(before.dwVendorDiagCode, diag.dwVendorDiagCode);
    EXPECT_EQ(0u, diag.dwStatusMask);
    STI_ERROR_INFO expected{};
    expected.dwVendorError = 1;
    EXPECT_EQ(0, std::memcmp(&diag.sErrorInfo, &expected, sizeof(expected)));

    ASSERT_EQ(1u, Scanner.Requests().size());
    DeviceRequest request = Scanner.Requests()[0];
    EXPECT_EQ(SimulatedScsiScanner::Handle, request.Device);
    EXPECT_EQ(DWORD(IOCTL_SCSISCAN_GET_INFO), request.Code);
    EXPECT_EQ(nullptr, request.Input);
    EXPECT_EQ(0u, request.InputSize);
    EXPECT_NE(nullptr, request.Output);
    EXPECT_EQ(sizeof(SCSISCAN_INFO), request.OutputSize);
    EXPECT_FALSE(request.Overlapped);
    EXPECT_EQ(0u, DriverLastError());
}

TEST_F(UsdTest, FailedDiagnosticRecordsTheError) {
    OpenDevice();
    Scanner.FailRequests = true;
    Scanner.RequestError = ERROR_GEN_FAILURE;
    STI_DIAG diag = PrefilledDiag();
    EXPECT_EQ(HRESULT(0x8007001F), Driver->Diagnostic(&diag));
    EXPECT_EQ(0u, diag.dwStatusMask);
    EXPECT_EQ(0u, diag.sErrorInfo.dwGenericError);
    EXPECT_EQ(0u, diag.sErrorInfo.dwVendorError);
    EXPECT_EQ(L'\0', diag.sErrorInfo.szExtendedErrorText[0]);
    EXPECT_EQ(DWORD(ERROR_GEN_FAILURE), DriverLastError());
}

TEST_F(UsdTest, GetInfoEscapeReturnsTheDriversRecord) {
    OpenDevice();
    SCSISCAN_INFO info;
    std::memset(&info, 0, sizeof(info));
    DWORD actual = 0;
    BYTE ignoredInput[8] = {1, 2, 3};
    EXPECT_EQ(S_OK, Driver->Escape(EscapeGetInfo, ignoredInput, sizeof(ignoredInput), &info,
                                   sizeof(info), &actual));
    EXPECT_EQ(0, std::memcmp(&info, &Scanner.Info, sizeof(info)));
    EXPECT_EQ(sizeof(SCSISCAN_INFO), actual);

    ASSERT_EQ(1u, Scanner.Requests().size());
    DeviceRequest request = Scanner.Requests()[0];
    EXPECT_EQ(DWORD(IOCTL_SCSISCAN_GET_INFO), request.Code);
    EXPECT_EQ(nullptr, request.Input) << "escape input is not sent with this request";
    EXPECT_EQ(0u, request.InputSize);
    EXPECT_EQ(&info, request.Output);
    EXPECT_EQ(sizeof(info), request.OutputSize);
    EXPECT_EQ(&actual, request.BytesReturned);
    EXPECT_FALSE(request.Overlapped);
    EXPECT_EQ((std::vector<std::wstring>{L"INIT", L"ESCAPE"}), Control.LoggedMessages());
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

    EXPECT_EQ(S_OK, Driver->Escape(EscapeScsiCommand, &command, sizeof(command), data, sizeof(data),
                                   &actual));
    ASSERT_EQ(1u, Scanner.Requests().size());
    DeviceRequest request = Scanner.Requests()[0];
    EXPECT_EQ(DWORD(IOCTL_SCSISCAN_CMD), request.Code);
    EXPECT_EQ(&command, request.Input);
    EXPECT_EQ(sizeof(command), request.InputSize);
    ASSERT_EQ(sizeof(sent), request.InputBytes.size());
    EXPECT_EQ(0, std::memcmp(request.InputBytes.data(), &sent, sizeof(sent)));
    EXPECT_EQ(data, request.Output);
    EXPECT_EQ(sizeof(data), request.OutputSize);
    EXPECT_EQ(&actual, request.BytesReturned);
    EXPECT_FALSE(request.Overlapped);

    EXPECT_EQ(sizeof(data), actual);
    for (DWORD i = 0; i < sizeof(data); ++i) {
        ASSERT_EQ(SimulatedScsiScanner::CommandDataByte(0x12, i), data[i]) << "byte " << i;
    }
    EXPECT_EQ(1, srbStatus);
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
        EXPECT_EQ(c.Expected,
                  Driver->Escape(EscapeGetInfo, nullptr, 0, &info, sizeof(info), &actual));
        EXPECT_EQ(c.Error, DriverLastError());
        SCSISCAN_CMD command{};
        EXPECT_EQ(c.Expected, Driver->Escape(EscapeScsiCommand, &command, sizeof(command), nullptr,
                                             0, &actual));

        STI_ERROR_INFO errorInfo;
        std::memset(&errorInfo, 0x5A, sizeof(errorInfo));
        STI_ERROR_INFO before = errorInfo;
        EXPECT_EQ(S_OK, Driver->GetLastErrorInfo(&errorInfo));
        EXPECT_EQ(c.Error, errorInfo.dwGenericError);
        EXPECT_EQ(L'\0', errorInfo.szExtendedErrorText[0]);
        EXPECT_EQ(before.dwSize, errorInfo.dwSize);
        EXPECT_EQ(before.dwVendorError, errorInfo.dwVendorError);
        EXPECT_EQ(before.szExtendedErrorText[1], errorInfo.szExtendedErrorText[1]);
    }
}

TEST_F(UsdTest, OtherEscapeCodesAreNotImplemented) {
    OpenDevice();
    Scanner.FailRequests = true;
    Scanner.RequestError = ERROR_GEN_FAILURE;
    SCSISCAN_INFO info;
    DWORD actual = 0;
    ASSERT_EQ(HRESULT(0x8007001F),
              Driver->Escape(EscapeGetInfo, nullptr, 0, &info, sizeof(info), &actual));
    for (DWORD code : {0u, 0x1000u, 0x1003u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(code);
        SetLastError(ERROR_BUSY);
        EXPECT_EQ(E_NOTIMPL,
                  Driver->Escape(code, &info, sizeof(info), &info, sizeof(info), &actual));
        EXPECT_EQ(DWORD(ERROR_GEN_FAILURE), DriverLastError()) << "last error untouched";
    }
    EXPECT_EQ(1u, Scanner.Requests().size()) << "no device request";
}

TEST_F(UsdTest, RequestsWithoutAnOpenDeviceFailWithTheInvalidHandleError) {
    Control.PortName.clear();
    ASSERT_EQ(S_OK, Driver->Initialize(&Control, STI_VERSION, nullptr));
    SCSISCAN_INFO info;
    DWORD actual = 0;
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE),
              Driver->Escape(EscapeGetInfo, nullptr, 0, &info, sizeof(info), &actual));
    ASSERT_EQ(1u, Scanner.Requests().size());
    EXPECT_EQ(INVALID_HANDLE_VALUE, Scanner.Requests()[0].Device);
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), DriverLastError());
}

TEST_F(UsdTest, DeviceResetReportsTheThreadsError) {
    // Before the device is open the recorded error is reported as it stands.
    SetLastError(ERROR_BUSY);
    EXPECT_EQ(S_OK, Driver->DeviceReset());
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
        EXPECT_EQ(c.Expected, Driver->DeviceReset());
        EXPECT_EQ(c.ThreadError, DriverLastError());
    }
    EXPECT_TRUE(Scanner.Requests().empty());
}

}  // namespace
