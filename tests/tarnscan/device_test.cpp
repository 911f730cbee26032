// The device's behaviour apart from the pixels: model report, configuration read
// at every Open, faults, refused windows and reads, and the call log.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "scanner_harness.h"

using namespace harness;

namespace {

// The call log's hash, written from the published FNV-1a definition.
uint64_t Fnv1a(const void* data, size_t size) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    uint64_t hash = 14695981039346656037ull;
    for (size_t i = 0; i < size; ++i)
        hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

std::string Hex(uint64_t value) {
    char text[32];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

class DeviceTest : public ::testing::Test {
protected:
    DeviceTest()
        : picture_(TestPicture(13, 9)),
          paperFile_(".ppm"),
          model_("TARNSCAN_MODEL", nullptr),
          document_("TARNSCAN_DOCUMENT", nullptr),
          dpi_("TARNSCAN_DOCUMENT_DPI", nullptr),
          faults_("TARNSCAN_FAULTS", nullptr),
          log_("TARNSCAN_LOG", nullptr),
          sheet_("TARNSCAN_SHEET_LENGTH", nullptr) {
        WritePpm(paperFile_.Path(), picture_);
        SetEnvironmentVariableA("TARNSCAN_DOCUMENT", paperFile_.Path().c_str());
    }

    std::vector<uint8_t> Expected(const WindowDescriptorType& window) {
        Expectation expectation(window);
        expectation.paper = &picture_;
        return ExpectedImage(expectation);
    }

    Picture picture_;
    TempFile paperFile_;
    ScopedVariable model_, document_, dpi_, faults_, log_, sheet_;
};

TEST_F(DeviceTest, ModelNameStandsAtByte16BlankPadded) {
    struct {
        const char* variable;
        const char* reported;
    } cases[] = {{nullptr, "QD120           "},
                 {"QD140+", "QD140+          "},
                 {"QA1220", "QA1220          "},
                 {"A-MODEL-NAME-LONGER-THAN-16", "A-MODEL-NAME-LON"}};
    for (auto c : cases) {
        SCOPED_TRACE(c.reported);
        ScopedVariable model("TARNSCAN_MODEL", c.variable);
        DeviceInfoType info;
        std::memset(&info, 0x55, sizeof info);
        CTarnScan scanner;
        EXPECT_TRUE(scanner.Open(info));
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&info) + 16, 16), c.reported);
    }
}

TEST_F(DeviceTest, ConfigurationIsReadAgainAtEveryOpen) {
    CTarnScan scanner;
    DeviceInfoType info;
    {
        ScopedVariable faults("TARNSCAN_FAULTS", "open");
        EXPECT_FALSE(scanner.Open(info));
    }
    ScopedVariable model("TARNSCAN_MODEL", "QB1310");
    EXPECT_TRUE(scanner.Open(info));
    EXPECT_EQ("QB1310", std::string(info.Model, 6));
}

TEST_F(DeviceTest, UnusableConfigurationMakesOpenFail) {
    TempFile notPicture(".ppm");
    {
        FILE* file = std::fopen(notPicture.Path().c_str(), "wb");
        std::fputs("P3\n2 2\n255\n0 0 0 0 0 0 0 0 0 0 0 0\n", file);
        std::fclose(file);
    }
    TempFile truncated(".ppm");
    {
        FILE* file = std::fopen(truncated.Path().c_str(), "wb");
        std::fputs("P6\n40 40\n255\n", file);
        std::fputs("short", file);
        std::fclose(file);
    }
    TempFile sixteenBits(".pgm");
    {
        FILE* file = std::fopen(sixteenBits.Path().c_str(), "wb");
        std::fputs("P5\n1 1\n65535\n\x01\x02", file);
        std::fclose(file);
    }
    struct {
        const char* name;
        const char* value;
        std::string path;
    } cases[] = {
        {"TARNSCAN_DOCUMENT", nullptr, "C:\\no\\such\\paper.ppm"},
        {"TARNSCAN_DOCUMENT", nullptr, notPicture.Path()},
        {"TARNSCAN_DOCUMENT", nullptr, truncated.Path()},
        {"TARNSCAN_DOCUMENT", nullptr, sixteenBits.Path()},
        {"TARNSCAN_DOCUMENT_DPI", "0", ""},
        {"TARNSCAN_DOCUMENT_DPI", "many", ""},
        {"TARNSCAN_FAULTS", "retry=x", ""},
        {"TARNSCAN_FAULTS", "unplugged", ""},
        {"TARNSCAN_SHEET_LENGTH", "-3", ""},
        {"TARNSCAN_SHEET_LENGTH", "1.5 in", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " " << (c.value ? c.value : c.path));
        ScopedVariable variable(c.name, c.value ? c.value : c.path.c_str());
        CTarnScan scanner;
        DeviceInfoType info;
        AditionalSenseCodeType sense;
        EXPECT_FALSE(scanner.Open(info));
        EXPECT_FALSE(scanner.UnitReady(&sense));
        EXPECT_FALSE(scanner.SetWindow(Window(Composition::RgbColour, 24, 4, 4), 0));
        EXPECT_FALSE(scanner.StartScan());
    }
}

TEST_F(DeviceTest, EachFaultFailsItsCall) {
    const char* faults[] = {"open", "unitready", "setwindow", "speed",
                            "trc",  "ctt",       "start",     "position"};
    for (const char* fault : faults) {
        SCOPED_TRACE(fault);
        ScopedVariable variable("TARNSCAN_FAULTS", fault);
        CTarnScan scanner;
        DeviceInfoType info;
        AditionalSenseCodeType sense;
        std::vector<uint8_t> tone = ToneBlock(0, [](int i) { return i / 16; });
        std::vector<uint8_t> colours(65536, 1);
        WindowDescriptorType window = Window(Composition::PaletteColour, 8, 4, 4);

        bool open = scanner.Open(info);
        EXPECT_EQ(std::string(fault) != "open", open);
        if (!open) continue;
        EXPECT_EQ(std::string(fault) != "unitready", scanner.UnitReady(&sense));
        EXPECT_EQ(std::string(fault) != "setwindow", scanner.SetWindow(window, 0));
        EXPECT_EQ(std::string(fault) != "speed", scanner.SetFractionalSpeed(4));
        EXPECT_EQ(std::string(fault) != "trc", scanner.LoadTrcTable(tone.data()));
        EXPECT_EQ(std::string(fault) != "ctt", scanner.LoadColorTranslationTable(colours.data()));
        // Without a window the scan cannot start either.
        bool starts = std::string(fault) != "start" && std::string(fault) != "setwindow";
        EXPECT_EQ(starts, scanner.StartScan());
        EXPECT_TRUE(scanner.StopScan());
        EXPECT_EQ(std::string(fault) != "position", scanner.SetObjectPosition(ObjectRewind, 0));
        EXPECT_EQ(std::string(fault) != "position", scanner.SetObjectPosition(ObjectEject, 0));
    }
}

TEST_F(DeviceTest, UnitReadyFaultReportsNotReadySense) {
    ScopedVariable variable("TARNSCAN_FAULTS", "unitready");
    CTarnScan scanner;
    DeviceInfoType info;
    AditionalSenseCodeType sense{};
    ASSERT_TRUE(scanner.Open(info));
    EXPECT_FALSE(scanner.UnitReady(&sense));
    EXPECT_EQ(2, sense.SenseKey);
}

TEST_F(DeviceTest, RetryFaultDelaysTheFirstReadsOfEveryScan) {
    ScopedVariable variable("TARNSCAN_FAULTS", "retry=3");
    WindowDescriptorType window = Window(Composition::RgbColour, 24, 10, 6);
    CTarnScan scanner;
    for (int scan = 0; scan < 2; ++scan) {
        SCOPED_TRACE(scan);
        StartScan(scanner, window);
        std::vector<uint8_t> buffer(100);
        for (int attempt = 0; attempt < 3; ++attempt) {
            DataTransferType transfer{100, buffer.data(), 77};
            EXPECT_EQ(ReadRetry, attempt == 1 ? scanner.ReadInterpolatedData(&transfer, 150, 100)
                                              : scanner.ReadData(&transfer));
            EXPECT_EQ(0u, transfer.BytesDelivered);
        }
        EXPECT_EQ(Expected(window), ReadAll(scanner, 100));
    }
}

TEST_F(DeviceTest, StuckDeviceNeverDelivers) {
    ScopedVariable variable("TARNSCAN_FAULTS", "stuck");
    CTarnScan scanner;
    StartScan(scanner, Window(Composition::RgbColour, 24, 10, 6));
    std::vector<uint8_t> buffer(100);
    for (int attempt = 0; attempt < 200; ++attempt) {
        DataTransferType transfer{100, buffer.data(), 0};
        ASSERT_EQ(ReadRetry, scanner.ReadData(&transfer));
        ASSERT_EQ(0u, transfer.BytesDelivered);
    }
}

TEST_F(DeviceTest, StallFaultStopsBeingReadyAfterWholeLines) {
    WindowDescriptorType window = Window(Composition::RgbColour, 24, 10, 6);  // lines of 30 bytes
    const std::vector<uint8_t> full = Expected(window);
    struct {
        const char* faults;
        size_t lines;
        bool stalls;
    } cases[] = {{"stall=0", 0, true},
                 {"stall=2", 2, true},
                 {"stall=6", 6, false},
                 {"stall=2,end=1", 1, false}};
    for (auto c : cases) {
        SCOPED_TRACE(c.faults);
        ScopedVariable variable("TARNSCAN_FAULTS", c.faults);
        CTarnScan scanner;
        StartScan(scanner, window);
        std::vector<uint8_t> image;
        std::vector<uint8_t> buffer(45);  // reads cross line boundaries
        ReadCompleteType last = ReadComplete;
        for (int read = 0; read < 50; ++read) {
            DataTransferType transfer{45, buffer.data(), 0};
            last = scanner.ReadData(&transfer);
            if (last != ReadComplete) {
                EXPECT_EQ(0u, transfer.BytesDelivered);
                continue;
            }
            image.insert(image.end(), buffer.begin(), buffer.begin() + transfer.BytesDelivered);
        }
        EXPECT_EQ(c.stalls ? ReadRetry : ReadEndOfScan, last);
        EXPECT_EQ(std::vector<uint8_t>(full.begin(), full.begin() + c.lines * 30), image);
    }
}

TEST_F(DeviceTest, EndFaultEndsTheScanAfterWholeLines) {
    WindowDescriptorType window = Window(Composition::RgbColour, 24, 10, 6);  // lines of 30 bytes
    const std::vector<uint8_t> full = Expected(window);
    struct {
        const char* faults;
        size_t lines;
        uint32_t chunk;
    } cases[] = {{"end=0", 0, 100},           {"end=2", 2, 100}, {"end=2", 2, 7},
                 {"end=4", 4, 65536},         {"end=6", 6, 45},  {"end=99", 6, 45},
                 {" retry=2 , end=3 ", 3, 31}};
    for (auto c : cases) {
        SCOPED_TRACE(testing::Message() << c.faults << " reads of " << c.chunk);
        ScopedVariable variable("TARNSCAN_FAULTS", c.faults);
        CTarnScan scanner;
        StartScan(scanner, window);
        std::vector<uint8_t> image;
        std::vector<uint8_t> buffer(c.chunk);
        int ends = 0;
        for (int guard = 0; guard < 1000 && ends < 3; ++guard) {
            DataTransferType transfer{c.chunk, buffer.data(), 0};
            ReadCompleteType result = scanner.ReadData(&transfer);
            if (result == ReadRetry) continue;
            if (result == ReadEndOfScan) {
                EXPECT_EQ(0u, transfer.BytesDelivered);
                ++ends;  // and every later read ends too
                continue;
            }
            ASSERT_EQ(ReadComplete, result);
            ASSERT_EQ(0, ends);
            image.insert(image.end(), buffer.begin(), buffer.begin() + transfer.BytesDelivered);
        }
        EXPECT_EQ(3, ends);
        EXPECT_EQ(std::vector<uint8_t>(full.begin(), full.begin() + c.lines * 30), image);
    }
}

// The sheet ends the data after the whole lines before its edge, counted from the
// scan's first line, unless the window or an end=N fault ends it first; the log
// says so before the read that reports the end.
TEST_F(DeviceTest, SheetLengthEndsTheScanAtTheLastWholeLineOnTheSheet) {
    TempFile logFile(".log");
    ScopedVariable log("TARNSCAN_LOG", logFile.Path().c_str());
    struct {
        const char* length;
        const char* faults;
        size_t lines100, lines300;  // of windows of 6 and 18 lines
        bool sheetEnds;
    } cases[] = {{"0.03", nullptr, 3, 9, true},
                 {"0.035", nullptr, 3, 10, true},
                 {".001", nullptr, 0, 0, true},
                 {"50", nullptr, 6, 18, false},
                 {"0.03", "end=2", 2, 2, false}};
    CTarnScan scanner;  // one device throughout: every Open reads the length again
    for (auto c : cases)
        for (int dpi : {100, 300}) {
            SCOPED_TRACE(testing::Message() << c.length << " inches at " << dpi << " dpi");
            ScopedVariable sheet("TARNSCAN_SHEET_LENGTH", c.length);
            ScopedVariable faults("TARNSCAN_FAULTS", c.faults);
            WindowDescriptorType window = Window(Composition::RgbColour, 24, 10, dpi * 6 / 100);
            window.YResolution = dpi;
            const size_t lines = dpi == 100 ? c.lines100 : c.lines300;
            const size_t logged = logFile.Read().size();
            StartScan(scanner, window);
            const std::vector<uint8_t> full = Expected(window);  // lines of 30 bytes
            EXPECT_EQ(std::vector<uint8_t>(full.begin(), full.begin() + lines * 30),
                      ReadAll(scanner, 45));
            const std::string calls = logFile.Read().substr(logged);
            const std::string end = "SheetEnd lines=" + std::to_string(lines) +
                                    "\nReadData requested=45 delivered=0 -> 1\nStopScan";
            EXPECT_EQ(c.sheetEnds, calls.find(end) != std::string::npos) << calls;
            EXPECT_EQ(calls.find("SheetEnd"), calls.rfind("SheetEnd")) << calls;
        }
}

TEST_F(DeviceTest, InvalidWindowsAreRefused) {
    struct {
        const char* name;
        void (*change)(WindowDescriptorType&);
    } cases[] = {
        {"zero width", [](WindowDescriptorType& w) { w.ScanWidth = 0; }},
        {"negative width", [](WindowDescriptorType& w) { w.ScanWidth = -800; }},
        {"zero length", [](WindowDescriptorType& w) { w.ScanLength = 0; }},
        {"negative length", [](WindowDescriptorType& w) { w.ScanLength = -1; }},
        {"zero x resolution", [](WindowDescriptorType& w) { w.XResolution = 0; }},
        {"negative y resolution", [](WindowDescriptorType& w) { w.YResolution = -400; }},
        {"negative x offset", [](WindowDescriptorType& w) { w.XOffset = -3; }},
        {"negative y offset", [](WindowDescriptorType& w) { w.YOffset = -3; }},
        {"0 bits", [](WindowDescriptorType& w) { w.BitsPerPixel = 0; }},
        {"2 bits", [](WindowDescriptorType& w) { w.BitsPerPixel = 2; }},
        {"32 bits", [](WindowDescriptorType& w) { w.BitsPerPixel = 32; }},
        {"absurd bits", [](WindowDescriptorType& w) { w.BitsPerPixel = 0x40000000; }},
        {"absurd width", [](WindowDescriptorType& w) { w.ScanWidth = 0x7fffffff; }},
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.name);
        WindowDescriptorType window = Window(Composition::RgbColour, 24, 10, 6);
        c.change(window);
        CTarnScan scanner;
        DeviceInfoType info;
        ASSERT_TRUE(scanner.Open(info));
        EXPECT_FALSE(scanner.SetWindow(window, 0));
        EXPECT_FALSE(scanner.StartScan());
        std::vector<uint8_t> buffer(64);
        DataTransferType transfer{64, buffer.data(), 0};
        EXPECT_EQ(ReadFailed, scanner.ReadData(&transfer));
    }
}

TEST_F(DeviceTest, RefusedWindowReplacesAnEarlierValidOne) {
    CTarnScan scanner;
    DeviceInfoType info;
    ASSERT_TRUE(scanner.Open(info));
    ASSERT_TRUE(scanner.SetWindow(Window(Composition::RgbColour, 24, 10, 6), 0));
    WindowDescriptorType bad = Window(Composition::RgbColour, 24, 10, 6);
    bad.BitsPerPixel = 3;
    EXPECT_FALSE(scanner.SetWindow(bad, 0));
    EXPECT_FALSE(scanner.StartScan());
}

TEST_F(DeviceTest, ScanNeedsAWindowSinceTheLastOpen) {
    CTarnScan scanner;
    DeviceInfoType info;
    EXPECT_FALSE(scanner.StartScan());  // never opened
    ASSERT_TRUE(scanner.Open(info));
    EXPECT_FALSE(scanner.StartScan());
    ASSERT_TRUE(scanner.SetWindow(Window(Composition::RgbColour, 24, 10, 6), 0));
    ASSERT_TRUE(scanner.Open(info));
    EXPECT_FALSE(scanner.StartScan());
}

TEST_F(DeviceTest, ReadsOutsideAScanOrWithoutABufferFail) {
    CTarnScan scanner;
    std::vector<uint8_t> buffer(64);
    DataTransferType transfer{64, buffer.data(), 5};
    EXPECT_EQ(ReadFailed, scanner.ReadData(&transfer));
    EXPECT_EQ(0u, transfer.BytesDelivered);
    EXPECT_EQ(ReadFailed, scanner.ReadData(nullptr));
    EXPECT_EQ(ReadFailed, scanner.ReadInterpolatedData(nullptr, 600, 400));

    StartScan(scanner, Window(Composition::RgbColour, 24, 10, 6));
    DataTransferType noBuffer{64, nullptr, 5};
    EXPECT_EQ(ReadFailed, scanner.ReadData(&noBuffer));
    EXPECT_EQ(0u, noBuffer.BytesDelivered);
    DataTransferType nothing{0, nullptr, 5};
    EXPECT_EQ(ReadComplete, scanner.ReadData(&nothing));
    EXPECT_EQ(0u, nothing.BytesDelivered);
    for (auto ratio : {std::make_pair(600, 0), std::make_pair(0, 400), std::make_pair(-600, 400),
                       std::make_pair(0x7fffffff, 1)}) {
        DataTransferType widened{64, buffer.data(), 5};
        EXPECT_EQ(ReadFailed, scanner.ReadInterpolatedData(&widened, ratio.first, ratio.second));
    }
    // The scan goes on unharmed.
    EXPECT_EQ(Expected(Window(Composition::RgbColour, 24, 10, 6)), ReadAll(scanner, 64));

    DataTransferType afterStop{64, buffer.data(), 5};
    EXPECT_EQ(ReadFailed, scanner.ReadData(&afterStop));
}

TEST_F(DeviceTest, LineWidthChangesOnlyAtALineBoundary) {
    WindowDescriptorType window = Window(Composition::RgbColour, 24, 8, 4);  // 24 bytes, widened 36
    CTarnScan scanner;
    StartScan(scanner, window);
    std::vector<uint8_t> buffer(100);
    DataTransferType transfer{10, buffer.data(), 0};
    ASSERT_EQ(ReadComplete, scanner.ReadData(&transfer));
    EXPECT_EQ(ReadFailed, scanner.ReadInterpolatedData(&transfer, 150, 100));
    transfer.BytesRequested = 14;
    ASSERT_EQ(ReadComplete, scanner.ReadData(&transfer));
    EXPECT_EQ(14u, transfer.BytesDelivered);
    transfer.BytesRequested = 36;
    ASSERT_EQ(ReadComplete, scanner.ReadInterpolatedData(&transfer, 150, 100));
    EXPECT_EQ(36u, transfer.BytesDelivered);

    Expectation widened(window);
    widened.paper = &picture_;
    widened.widenedWidth = 12;
    std::vector<uint8_t> expected = ExpectedImage(widened);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + 36),
              std::vector<uint8_t>(expected.begin() + 36, expected.begin() + 72));
}

TEST_F(DeviceTest, OtherArgumentsAreRefused) {
    CTarnScan scanner;
    DeviceInfoType info;
    ASSERT_TRUE(scanner.Open(info));
    EXPECT_FALSE(scanner.SetFractionalSpeed(256));
    EXPECT_FALSE(scanner.SetFractionalSpeed(-1));
    EXPECT_TRUE(scanner.SetFractionalSpeed(0));
    EXPECT_TRUE(scanner.SetFractionalSpeed(255));
    std::vector<uint8_t> tone = ToneBlock(4, [](int) { return 0; });
    EXPECT_FALSE(scanner.LoadTrcTable(tone.data()));
    EXPECT_FALSE(scanner.LoadTrcTable(nullptr));
    EXPECT_FALSE(scanner.LoadColorTranslationTable(nullptr));
    EXPECT_FALSE(scanner.SetObjectPosition(static_cast<ObjectCommandType>(2), 0));
}

TEST(Fnv1a, KnownVectors) {
    EXPECT_EQ("cbf29ce484222325", Hex(Fnv1a("", 0)));
    EXPECT_EQ("af63dc4c8601ec8c", Hex(Fnv1a("a", 1)));
    EXPECT_EQ("85944171f73967e8", Hex(Fnv1a("foobar", 6)));
}

TEST_F(DeviceTest, CallLogHasOneLinePerCall) {
    TempFile logFile(".log");
    ScopedVariable log("TARNSCAN_LOG", logFile.Path().c_str());
    ScopedVariable model("TARNSCAN_MODEL", "QA1220");

    std::vector<uint8_t> tone = ToneBlock(0, [](int i) { return 255 - i / 16; });
    std::vector<uint8_t> red = ToneBlock(1, [](int i) { return i / 17; });
    std::vector<uint8_t> colours(65536);
    for (int i = 0; i < 65536; ++i)
        colours[i] = static_cast<uint8_t>(i * 7);
    WindowDescriptorType window = Window(Composition::RgbColour, 24, 668, 10);
    window.XResolution = 400;
    window.YResolution = 600;
    window.XOffset = 66;
    {
        CTarnScan scanner;
        DeviceInfoType info;
        AditionalSenseCodeType sense;
        scanner.Open(info);
        scanner.UnitReady(&sense);
        scanner.SetWindow(window, 0);
        scanner.SetFractionalSpeed(1);
        scanner.LoadTrcTable(tone.data());
        scanner.LoadTrcTable(red.data());
        scanner.LoadColorTranslationTable(colours.data());
        scanner.StartScan();
        std::vector<uint8_t> buffer(65536);
        DataTransferType transfer{65536, buffer.data(), 0};
        scanner.ReadData(&transfer);
        transfer.BytesRequested = 9000;
        scanner.ReadInterpolatedData(&transfer, 600, 400);
        scanner.StopScan();
        scanner.SetObjectPosition(ObjectRewind, 0);
    }
    std::string expected =
        "Construct\n"
        "Open model=QA1220 -> 1\n"
        "UnitReady -> 1\n"
        "SetWindow XResolution=400 YResolution=600 XOffset=66 YOffset=0 ScanWidth=668 "
        "ScanLength=10 "
        "Brightness=10 Threshold=128 ImageComposition=5 BitsPerPixel=24 Flage=131 "
        "CompressionType=0 Filter=0 "
        "WhiteValue=240 InitialThreshold=120 ScalingFactor=100 Direction=0 Termination=48 "
        "ScaleMode=0 mode=0 "
        "-> 1\n"
        "SetFractionalSpeed speed=1 -> 1\n"
        "LoadTrcTable channel=0 fnv1a64=" +
        Hex(Fnv1a(tone.data() + 1, 4096)) +
        " -> 1\n"
        "LoadTrcTable channel=1 fnv1a64=" +
        Hex(Fnv1a(red.data() + 1, 4096)) +
        " -> 1\n"
        "LoadColorTranslationTable fnv1a64=" +
        Hex(Fnv1a(colours.data(), 65536)) +
        " -> 1\n"
        "StartScan -> 1\n"
        "ReadData requested=65536 delivered=20040 -> 0\n"
        "ReadInterpolatedData requested=9000 delivered=0 target=600 native=400 -> 1\n"
        "StopScan -> 1\n"
        "SetObjectPosition command=1 arg=0 -> 1\n"
        "Destruct\n";
    EXPECT_EQ(expected, logFile.Read());
}

TEST_F(DeviceTest, CallLogRecordsFailuresAndRetries) {
    TempFile logFile(".log");
    ScopedVariable log("TARNSCAN_LOG", logFile.Path().c_str());
    ScopedVariable faults("TARNSCAN_FAULTS", "retry=1,trc");
    WindowDescriptorType window = Window(Composition::Greyscale, 8, 5, 2);
    window.BitsPerPixel = 7;
    std::vector<uint8_t> tone = ToneBlock(3, [](int) { return 9; });
    {
        CTarnScan scanner;
        DeviceInfoType info;
        scanner.Open(info);
        scanner.SetWindow(window, 0);
        window.BitsPerPixel = 8;
        scanner.SetWindow(window, 0);
        scanner.LoadTrcTable(tone.data());
        scanner.StartScan();
        std::vector<uint8_t> buffer(64);
        DataTransferType transfer{64, buffer.data(), 0};
        scanner.ReadData(&transfer);
        scanner.ReadData(&transfer);
        scanner.ReadInterpolatedData(&transfer, 600, 400);
    }
    std::string fields =
        "XResolution=100 YResolution=100 XOffset=1 YOffset=0 ScanWidth=5 ScanLength=2 "
        "Brightness=10 Threshold=128 ImageComposition=2 BitsPerPixel=";
    std::string rest =
        " Flage=131 CompressionType=0 Filter=0 WhiteValue=240 InitialThreshold=120 "
        "ScalingFactor=100 Direction=0 Termination=48 ScaleMode=0 mode=0";
    std::string expected =
        "Construct\n"
        "Open model=QD120 -> 1\n"
        "SetWindow " +
        fields + "7" + rest +
        " -> 0\n"
        "SetWindow " +
        fields + "8" + rest +
        " -> 1\n"
        "LoadTrcTable channel=3 fnv1a64=" +
        Hex(Fnv1a(tone.data() + 1, 4096)) +
        " -> 0\n"
        "StartScan -> 1\n"
        "ReadData requested=64 delivered=0 -> 3\n"
        "ReadData requested=64 delivered=10 -> 0\n"
        "ReadInterpolatedData requested=64 delivered=0 target=600 native=400 -> 1\n"
        "Destruct\n";
    EXPECT_EQ(expected, logFile.Read());
}

}  // namespace
