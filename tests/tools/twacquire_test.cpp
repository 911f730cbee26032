// twacquire end to end: a separate process acquires the simulated scanner's built-in
// chart through Wine's Source Manager; the .bmp and .png it writes must agree with
// each other and with the pixels the imaging model gives, for native and memory
// transfers; failures must be told in TWAIN's words and leave no files.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/tools/chart_scan_model.h"
#include "tests/tools/twacquire_runner.h"
#include "tools/image/bmp_file.h"
#include "tools/image/png_file.h"

namespace {

class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name) {
        SetEnvironmentVariableA(name, value);
    }
    ~ScopedVariable() { SetEnvironmentVariableA(name_, nullptr); }

private:
    const char* name_;
};

// The simulated scanner as it comes: a QD120 with the built-in chart, no faults.
void UseDefaultScanner() {
    for (const char* name : {"TARNSCAN_MODEL", "TARNSCAN_DOCUMENT", "TARNSCAN_DOCUMENT_DPI",
                             "TARNSCAN_FAULTS", "TARNSCAN_LOG"})
        SetEnvironmentVariableA(name, nullptr);
}

// Where two images first differ, or empty when they are the same.
std::string Difference(const Image& expected, const Image& actual) {
    if (expected.Width != actual.Width || expected.Height != actual.Height ||
        expected.BitsPerPixel != actual.BitsPerPixel)
        return "size " + std::to_string(actual.Width) + " x " + std::to_string(actual.Height) +
               " at " + std::to_string(actual.BitsPerPixel) + " bits, expected " +
               std::to_string(expected.Width) + " x " + std::to_string(expected.Height) + " at " +
               std::to_string(expected.BitsPerPixel);
    if (!(expected.Palette == actual.Palette)) return "colour tables differ";
    const size_t rowBytes = expected.RowBytes();
    for (int32_t y = 0; y < expected.Height; ++y)
        for (size_t i = 0; i < rowBytes; ++i)
            if (expected.Row(y)[i] != actual.Row(y)[i])
                return "row " + std::to_string(y) + " byte " + std::to_string(i) + ": " +
                       std::to_string(actual.Row(y)[i]) + ", expected " +
                       std::to_string(expected.Row(y)[i]);
    return "";
}

struct AcquireCase {
    const char* name;
    std::vector<std::string> arguments;
    ChartScan scan;
    const char* output;            // file ending and, for .tif, --compression
    const char* faults = nullptr;  // TARNSCAN_FAULTS
};

// Each case writes one file; between them every format, every TIFF compression,
// both transfers and rows delivered in pieces are covered.
const std::vector<AcquireCase>& AcquireCases() {
    static const std::vector<AcquireCase> cases = {
        {"rgb_native",
         {"--pixel", "rgb", "--resolution", "100", "--frame", "0,0,8,10", "--transfer", "native"},
         {100, 100, 800, 1000, ScanEncoding::Rgb24},
         ".png"},
        // A 1000-byte buffer holds less than one 2400-byte row: rows come in pieces.
        {"rgb_memory_row_pieces",
         {"--pixel", "rgb", "--resolution", "100", "--frame", "0,0,8,10", "--transfer", "memory",
          "--buffer", "1000", "--twain1"},
         {100, 100, 800, 1000, ScanEncoding::Rgb24},
         ".tif none"},
        {"rgb_memory_row_pieces_bmp",
         {"--pixel", "rgb", "--resolution", "100", "--frame", "0,0,8,10", "--transfer", "memory",
          "--buffer", "1000", "--twain1"},
         {100, 100, 800, 1000, ScanEncoding::Rgb24},
         ".bmp"},
        {"grey_native",
         {"--pixel", "gray", "--resolution", "200", "--frame", "0,0,8,3", "--transfer", "native"},
         {200, 200, 1600, 600, ScanEncoding::Grey8},
         ".bmp"},
        {"grey_memory",
         {"--pixel", "gray", "--resolution", "200", "--frame", "0,0,8,3", "--transfer", "memory"},
         {200, 200, 1600, 600, ScanEncoding::Grey8},
         ".tif packbits"},
        // 150 dpi: the chart is 1275 pixels wide, so the centred window starts half
        // a pixel off; different resolutions across and down.
        {"bilevel_native",
         {"--pixel", "bw", "--threshold", "100", "--xres", "150", "--yres", "100", "--frame",
          "0,0,8,4"},
         {150, 100, 1200, 400, ScanEncoding::Bilevel, 100},
         ".tif"},
        {"bilevel_memory_odd_buffer",
         {"--pixel", "bw", "--threshold", "100", "--xres", "150", "--yres", "100", "--frame",
          "0,0,8,4", "--transfer", "memory", "--buffer", "777", "--twain1"},
         {150, 100, 1200, 400, ScanEncoding::Bilevel, 100},
         ".png"},
        {"bilevel_memory_uncompressed",
         {"--pixel", "bw", "--threshold", "100", "--xres", "150", "--yres", "100", "--frame",
          "0,0,8,4", "--transfer", "memory"},
         {150, 100, 1200, 400, ScanEncoding::Bilevel, 100},
         ".tif none"},
        {"palette256_native",
         {"--pixel", "palette", "--resolution", "100", "--frame", "0,0,8,10"},
         {100, 100, 800, 1000, ScanEncoding::Palette8},
         ".tif deflate"},
        {"palette16_memory",
         {"--pixel", "palette", "--bits", "4", "--resolution", "100", "--frame", "0,0,8,10",
          "--transfer", "memory"},
         {100, 100, 800, 1000, ScanEncoding::Palette4},
         ".png"},
        {"palette16_memory_tiff",
         {"--pixel", "palette", "--bits", "4", "--resolution", "100", "--frame", "0,0,8,10",
          "--transfer", "memory"},
         {100, 100, 800, 1000, ScanEncoding::Palette4},
         ".tif packbits"},
        // 600 dpi colour on a 400-dpi QD120: scanned at 400 and widened 3/2.
        {"rgb_interpolated_native",
         {"--pixel", "rgb", "--resolution", "600", "--frame", "0,0,8,1"},
         {600, 600, 4800, 600, ScanEncoding::Rgb24, 128, 400},
         ".tif"},
        {"rgb_interpolated_memory",
         {"--pixel", "rgb", "--resolution", "600", "--frame", "0,0,8,1", "--transfer", "memory"},
         {600, 600, 4800, 600, ScanEncoding::Rgb24, 128, 400},
         ".bmp"},
        // The device stops after 300 lines: the image keeps its height, zero below.
        {"rgb_native_device_ends_early",
         {"--pixel", "rgb", "--resolution", "100", "--frame", "0,0,8,10", "--bigtiff"},
         {100, 100, 800, 1000, ScanEncoding::Rgb24, 128, 0, 300},
         ".tif deflate",
         "end=300"},
        {"grey_memory_device_ends_early",
         {"--pixel", "gray", "--resolution", "100", "--frame", "0,0,8,10", "--transfer", "memory"},
         {100, 100, 800, 1000, ScanEncoding::Grey8, 128, 0, 300},
         ".png",
         "end=300"},
    };
    return cases;
}

class TwacquireChart : public ::testing::TestWithParam<AcquireCase> {};

TEST_P(TwacquireChart, OutputHoldsTheExpectedPixels) {
    UseDefaultScanner();
    const AcquireCase& c = GetParam();
    ScopedVariable faults("TARNSCAN_FAULTS", c.faults);
    const std::string output = c.output;
    const std::string ending = output.substr(0, output.find(' '));
    const std::string path = CheckedFilesDirectory() + c.name + ending;
    std::vector<std::string> arguments = c.arguments;
    if (output.find(' ') != std::string::npos) {
        arguments.push_back("--compression");
        arguments.push_back(output.substr(output.find(' ') + 1));
    }
    arguments.push_back(path);
    const std::string trace = MakeScratchDirectory(c.name) + "trace.log";
    ScopedVariable tracing("DUNMERE_TRACE", trace.c_str());

    TwacquireRun run = RunTwacquire(arguments);
    ASSERT_EQ(0, run.ExitCode) << run.Err;
    // The resolution goes as the item type of the application's TWAIN version.
    const bool twain1 = std::count(arguments.begin(), arguments.end(), "--twain1") > 0;
    const std::string setResolution = std::string("MSG_SET ICAP_YRESOLUTION TWON_ONEVALUE ") +
                                      (twain1 ? "TWTY_UINT16" : "TWTY_FIX32");
    EXPECT_NE(std::string::npos, ReadText(trace).find(setResolution)) << setResolution;
    // A TWAIN 2 frame at Left 0 starts a pixel in: the device takes X offset 0 for
    // the window centred on the feed, where a TWAIN 1.x application's frame is.
    ChartScan scan = c.scan;
    if (!twain1) scan.XOffset = 1;
    const Image expected = ExpectedChartScan(scan);
    const std::string summary = path + ": " + std::to_string(expected.Width) + " x " +
                                std::to_string(expected.Height) + " pixels, " +
                                std::to_string(expected.BitsPerPixel) + " bits";
    EXPECT_NE(std::string::npos, run.Out.find(summary)) << run.Out;
    EXPECT_NE(std::string::npos, run.Out.find("MB/s")) << run.Out;
    EXPECT_FALSE(FileExists(path + ".part"));
    // The Linux side reads .tif and .png files with its own readers against this.
    WriteExpectedImage(path + ".expected", expected, c.scan.XResolution, c.scan.YResolution);

    Image written;
    std::string error;
    if (ending == ".bmp") {
        ASSERT_TRUE(ReadBmp(path, written, error)) << error;
        EXPECT_EQ("", Difference(expected, written));
    } else if (ending == ".png") {
        ASSERT_TRUE(ReadPng(path, written, error)) << error;
        EXPECT_EQ("", Difference(expected, written));
    } else {
        EXPECT_TRUE(FileExists(path));
    }
}

INSTANTIATE_TEST_SUITE_P(Transfers, TwacquireChart, ::testing::ValuesIn(AcquireCases()),
                         [](const ::testing::TestParamInfo<AcquireCase>& info) {
                             return info.param.name;
                         });

struct FailureCase {
    const char* name;
    const char* faults;  // TARNSCAN_FAULTS, or null
    std::vector<std::string> arguments;
    const char* told;  // what stderr must say
    const char* ending = ".png";
    const char* model = nullptr;  // TARNSCAN_MODEL
    const char* sheet = nullptr;  // TARNSCAN_SHEET_LENGTH
};

class TwacquireFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(TwacquireFailure, IsToldLeavesNoFileAndEndsTheSession) {
    UseDefaultScanner();
    const FailureCase& c = GetParam();
    ScopedVariable faults("TARNSCAN_FAULTS", c.faults);
    ScopedVariable model("TARNSCAN_MODEL", c.model);
    ScopedVariable sheet("TARNSCAN_SHEET_LENGTH", c.sheet);
    const std::string directory = MakeScratchDirectory(c.name);
    const std::string path = directory + "none" + c.ending;
    std::vector<std::string> arguments = c.arguments;
    arguments.push_back(path);

    TwacquireRun run = RunTwacquire(arguments);
    EXPECT_EQ(1, run.ExitCode) << run.Err;
    EXPECT_NE(std::string::npos, run.Err.find(c.told)) << run.Err;
    EXPECT_FALSE(FileExists(path));
    EXPECT_FALSE(FileExists(path + ".part"));
    // The session ended in order: no step of it was refused.
    for (const char* step : {"MSG_ENDXFER", "MSG_RESET", "MSG_DISABLEDS", "MSG_CLOSEDS"})
        EXPECT_EQ(std::string::npos, run.Err.find(step)) << run.Err;
}

INSTANTIATE_TEST_SUITE_P(
    Failures, TwacquireFailure,
    ::testing::Values(
        FailureCase{"bit_depth_refused",
                    nullptr,
                    {"--pixel", "bw", "--bits", "8"},
                    "setting ICAP_BITDEPTH to 8 failed: TWRC_FAILURE (1), TWCC_BADVALUE (10)"},
        FailureCase{"unknown_source",
                    nullptr,
                    {"--source", "No Such Scanner"},
                    "failed: TWRC_FAILURE (1), TWCC_NODS (3)"},
        FailureCase{"scan_start_native",
                    "start",
                    {"--transfer", "native"},
                    "DAT_IMAGENATIVEXFER failed: TWRC_FAILURE (1), TWCC_OPERATIONERROR (5)"},
        FailureCase{"scan_start_memory",
                    "start",
                    {"--transfer", "memory"},
                    "DAT_IMAGEMEMXFER failed: TWRC_FAILURE (1), TWCC_OPERATIONERROR (5)"},
        // 36 x 120 inches of colour at 600 dpi is 4.7 GB: no .bmp can hold it.
        FailureCase{"bmp_beyond_4_gib",
                    nullptr,
                    {"--pixel", "rgb", "--resolution", "600", "--frame", "0,0,36,120"},
                    "too large for a .bmp file, which stops at 4 GiB: name the output .tif",
                    ".bmp",
                    "QC1400"},
        FailureCase{"group4_for_grey",
                    nullptr,
                    {"--pixel", "gray", "--compression", "g4"},
                    "Group 4 compression is for black-and-white images only",
                    ".tif"},
        // The sheet ends before the first row: there is no image to keep.
        FailureCase{"auto_length_no_row",
                    nullptr,
                    {"--auto-length", "--transfer", "memory"},
                    "TWCC_NOMEDIA (29)",
                    ".png",
                    nullptr,
                    "0.001"}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

TEST(TwacquireList, PrintsIdentityAndEveryReportedCapability) {
    UseDefaultScanner();
    TwacquireRun run = RunTwacquire({"--list"});
    ASSERT_EQ(0, run.ExitCode) << run.Err;
    EXPECT_NE(std::string::npos, run.Out.find("Source: Halvard TWAIN Driver\n")) << run.Out;
    EXPECT_NE(std::string::npos, run.Out.find("Manufacturer:     Halvard Ltd.\n"));
    // A TWAIN 2 application is offered brightness, threshold, the scanner's
    // readiness, the frame and the other TWAIN 2 capabilities beside the 15 every
    // application is offered.
    EXPECT_NE(std::string::npos, run.Out.find("Capabilities (32 reported):\n"));
    for (const char* cap :
         {"CAP_XFERCOUNT (", "CAP_SUPPORTEDCAPS (", "CAP_UICONTROLLABLE (", "ICAP_COMPRESSION (",
          "ICAP_PLANARCHUNKY (", "ICAP_PHYSICALHEIGHT (", "ICAP_PHYSICALWIDTH (",
          "ICAP_PIXELFLAVOR (", "ICAP_BITDEPTH (", "ICAP_BITORDER (", "ICAP_PIXELTYPE (",
          "ICAP_UNITS (", "ICAP_XFERMECH (", "ICAP_XRESOLUTION (", "ICAP_YRESOLUTION ("})
        EXPECT_NE(std::string::npos, run.Out.find(std::string("\n  ") + cap)) << cap;
    // A frame is printed as its four edges in inches: the default window, 2 by 2,
    // centred on the QD120's 39.375 inches.
    EXPECT_NE(std::string::npos,
              run.Out.find(
                  "    current      TWON_ONEVALUE TWTY_FRAME left 18.6875, top 0, right 20.6875, "
                  "bottom 2\n"))
        << run.Out;
    // As a TWAIN 1.x application, the 15 of old.
    TwacquireRun legacy = RunTwacquire({"--list", "--twain1"});
    ASSERT_EQ(0, legacy.ExitCode) << legacy.Err;
    EXPECT_NE(std::string::npos, legacy.Out.find("Capabilities (15 reported):\n")) << legacy.Out;
}

}  // namespace

namespace {

// The source's Scan Parameters dialog, once twacquire --ui has it on screen with
// its fields filled in (the window can show before its width field has a value,
// and a button pressed then acts on empty fields).
HWND WaitForScanDialog(DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
        HWND dialog = FindWindowA(nullptr, "Scan Parameters");
        if (dialog && IsWindowVisible(dialog) &&
            SendMessageA(GetDlgItem(dialog, 1012), WM_GETTEXTLENGTH, 0, 0) > 0)  // width
            return dialog;
        Sleep(100);
    }
    return nullptr;
}

// The dialog's command buttons, as a click on them arrives.
void Press(HWND dialog, int control) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, control)));
}

const char NoDialog[] = "the source showed no Scan Parameters dialog; twacquire said: ";

constexpr int AcquireButton = 3;
constexpr int CancelButton = 2;

TEST(TwacquireDialog, AcquireInTheSourcesDialogWritesTheImage) {
    if (!getenv("DISPLAY"))
        GTEST_SKIP() << "the source's dialog needs a display (run under xvfb-run)";
    UseDefaultScanner();
    const std::string base = MakeScratchDirectory("dialog_acquire") + "dialog";
    CTwacquireProcess twacquire({"--ui", "--timeout", "60", base + ".png"});
    ASSERT_TRUE(twacquire.Started());
    HWND dialog = WaitForScanDialog(15000);
    ASSERT_NE(nullptr, dialog) << NoDialog << twacquire.Finish(0).Err;
    Press(dialog, AcquireButton);

    TwacquireRun run = twacquire.Finish();
    ASSERT_EQ(0, run.ExitCode) << run.Err;
    Image png;
    std::string error;
    ASSERT_TRUE(ReadPng(base + ".png", png, error)) << error;
    DeleteFileA((base + ".png").c_str());
}

TEST(TwacquireDialog, CancelInTheSourcesDialogEndsWithoutAnImage) {
    if (!getenv("DISPLAY"))
        GTEST_SKIP() << "the source's dialog needs a display (run under xvfb-run)";
    UseDefaultScanner();
    const std::string base = MakeScratchDirectory("dialog_cancel") + "dialog";
    CTwacquireProcess twacquire({"--ui", "--timeout", "60", base + ".png"});
    ASSERT_TRUE(twacquire.Started());
    HWND dialog = WaitForScanDialog(15000);
    ASSERT_NE(nullptr, dialog) << NoDialog << twacquire.Finish(0).Err;
    Press(dialog, CancelButton);

    TwacquireRun run = twacquire.Finish();
    EXPECT_EQ(3, run.ExitCode) << run.Err;
    EXPECT_NE(std::string::npos, run.Err.find("cancelled")) << run.Err;
    EXPECT_FALSE(FileExists(base + ".png"));
    EXPECT_FALSE(FileExists(base + ".png.part"));
}

}  // namespace

TEST(TwacquireOutput, UnwritableOutputIsToldBeforeAnythingIsScanned) {
    UseDefaultScanner();
    const std::string log = MakeScratchDirectory("unwritable") + "calls.log";
    ScopedVariable calls("TARNSCAN_LOG", log.c_str());
    const std::string path = MakeScratchDirectory("unwritable") + "missing\\scan.tif";

    TwacquireRun run = RunTwacquire({path});
    EXPECT_EQ(1, run.ExitCode);
    EXPECT_NE(std::string::npos, run.Err.find("cannot create " + path)) << run.Err;
    // The scanner was opened when the source loaded, but no scan was started.
    const std::string text = ReadText(log);
    EXPECT_NE(std::string::npos, text.find("Open model=")) << text;
    EXPECT_EQ(std::string::npos, text.find("StartScan")) << text;
}

TEST(TwacquireOutput, UsageErrorsAreTold) {
    const struct {
        std::vector<std::string> arguments;
        const char* told;
    } cases[] = {{{"scan.jpg"}, ".tif, .tiff, .png or .bmp"},
                 {{"--auto-length", "--twain1", "scan.tif"}, "--auto-length needs a TWAIN 2"}};
    for (const auto& c : cases) {
        TwacquireRun run = RunTwacquire(c.arguments);
        EXPECT_EQ(2, run.ExitCode);
        EXPECT_NE(std::string::npos, run.Err.find(c.told)) << run.Err;
    }
}

namespace {

// twacquire's message loop gives the source's modeless dialog its keyboard: Enter
// presses the default button, "Acquire Data".
TEST(TwacquireDialog, EnterInTheSourcesDialogAcquires) {
    if (!getenv("DISPLAY"))
        GTEST_SKIP() << "the source's dialog needs a display (run under xvfb-run)";
    UseDefaultScanner();
    const std::string base = MakeScratchDirectory("dialog_enter") + "dialog";
    CTwacquireProcess twacquire({"--ui", "--timeout", "30", base + ".png"});
    ASSERT_TRUE(twacquire.Started());
    HWND dialog = WaitForScanDialog(15000);
    ASSERT_NE(nullptr, dialog) << NoDialog << twacquire.Finish(0).Err;
    PostMessageA(dialog, WM_KEYDOWN, VK_RETURN, 0x001c0001);
    PostMessageA(dialog, WM_KEYUP, VK_RETURN, 0xc01c0001);

    TwacquireRun run = twacquire.Finish();
    EXPECT_EQ(0, run.ExitCode) << run.Err;
    EXPECT_TRUE(FileExists(base + ".png"));
    DeleteFileA((base + ".png").c_str());
}

}  // namespace

namespace {

// The controls of the source's dialog, as a person uses them from another process.
void TypeInto(HWND dialog, int control, const char* text) {
    SendMessageA(GetDlgItem(dialog, control), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void Click(HWND dialog, int control) {
    SendMessageA(GetDlgItem(dialog, control), BM_CLICK, 0, 0);
}

void ChooseResolution(HWND dialog, const char* entry) {
    HWND list = GetDlgItem(dialog, 1057);
    LRESULT index = SendMessageA(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(entry));
    ASSERT_NE(CB_ERR, index) << entry;
    SendMessageA(list, CB_SETCURSEL, index, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(1057, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
}

void MoveTrackbar(HWND dialog, int control, int position) {
    HWND bar = GetDlgItem(dialog, control);
    SendMessageA(bar, TBM_SETPOS, TRUE, position);
    SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position),
                 reinterpret_cast<LPARAM>(bar));
}

std::string TextOf(HWND dialog, int control) {
    char text[256] = "";
    GetDlgItemTextA(dialog, control, text, sizeof text);
    return text;
}

// Settings chosen and stored with "&Set Parameters" in one twacquire process come
// back in the dialog of the next process, and its "&Acquire Data" scans exactly them.
TEST(TwacquireDialog, StoredSettingsSurviveARestartAndAreWhatIsScanned) {
    if (!getenv("DISPLAY"))
        GTEST_SKIP() << "the source's dialog needs a display (run under xvfb-run)";
    UseDefaultScanner();
    // Start from an empty store: every value not chosen below is the store's default.
    RegDeleteTreeA(HKEY_CURRENT_USER, "software\\Brightmoor\\DUNMERE.DLL");
    const std::string base = MakeScratchDirectory("dialog_restart") + "scan";
    {
        // A TWAIN 1.x application's dialog opens on the user's stored settings.
        CTwacquireProcess first({"--ui", "--twain1", "--timeout", "60", base + "_first.png"});
        ASSERT_TRUE(first.Started());
        HWND dialog = WaitForScanDialog(15000);
        ASSERT_NE(nullptr, dialog) << NoDialog << first.Finish(0).Err;
        ChooseResolution(dialog, "100");
        Click(dialog, 1019);             // Greyscale
        Click(dialog, 1028);             // Centre Justified
        TypeInto(dialog, 1012, "4");     // width, inches: 400 pixels, 384 after rounding to 32
        TypeInto(dialog, 1014, "3");     // length: 300 rows
        MoveTrackbar(dialog, 1025, 10);  // gamma 1.0
        Click(dialog, 1);                // "&Set Parameters"
        Press(dialog, CancelButton);
        TwacquireRun run = first.Finish();
        EXPECT_EQ(3, run.ExitCode) << run.Err;
    }
    CTwacquireProcess second({"--ui", "--twain1", "--timeout", "60", base + ".png"});
    ASSERT_TRUE(second.Started());
    HWND dialog = WaitForScanDialog(15000);
    ASSERT_NE(nullptr, dialog) << NoDialog << second.Finish(0).Err;
    EXPECT_EQ("3.84", TextOf(dialog, 1012));
    EXPECT_EQ("3", TextOf(dialog, 1014));
    EXPECT_EQ("1", TextOf(dialog, 1026));
    EXPECT_EQ(BST_CHECKED, SendMessageA(GetDlgItem(dialog, 1019), BM_GETCHECK, 0, 0));
    EXPECT_EQ("100", TextOf(dialog, 1057));  // the drop-down list shows its selection
    Press(dialog, AcquireButton);

    TwacquireRun run = second.Finish();
    ASSERT_EQ(0, run.ExitCode) << run.Err;
    Image png;
    std::string error;
    ASSERT_TRUE(ReadPng(base + ".png", png, error)) << error;
    EXPECT_EQ("", Difference(ExpectedChartScan({100, 100, 384, 300, ScanEncoding::Grey8}), png));
    DeleteFileA((base + ".png").c_str());
}

}  // namespace
