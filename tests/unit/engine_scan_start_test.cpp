// Scan start as the device sees it in the call log: the window (the interpolated
// window in particular), the order of the calls, the tone tables and the colour
// translation table, and a failure at each step.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/tone_tables.h"
#include "source/twain_source.h"
#include "tests/unit/engine_fixture.h"

namespace {

enum class Mechanism { Native, Memory };

class ScanStartTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        LiveGlobalMemory::Install();
    }

    // Enables and transfers the image; returns the result of the (first failing or
    // last) call.
    TW_UINT16 Transfer(Mechanism mechanism) {
        OpenAndEnable();
        if (mechanism == Mechanism::Native) return NativeTransfer();
        const std::vector<MemoryBlock> blocks = MemoryTransfer(65536);
        return blocks.back().Result;
    }

    std::string Field(const std::string& call, const std::string& name) {
        const std::vector<std::string> lines = LogCalls(call);
        if (lines.empty()) return "(no " + call + ")";
        return LogFields(lines.back())[name];
    }
};

std::string LinearToneHash() {
    std::vector<uint8_t> table(ToneTableLength);
    for (int i = 0; i < ToneTableLength; ++i)
        table[i] = static_cast<uint8_t>((255 * i + 2048) / 4096);
    return Fnv1a64(table.data(), table.size());
}

std::string ToneHash(uint8_t white, uint8_t black, float gamma) {
    std::vector<uint8_t> table(ToneTableLength);
    BuildToneTable(table.data(), white, black, gamma, ToneTableLength);
    return Fnv1a64(table.data(), table.size());
}

}  // namespace

TEST_F(ScanStartTest, InterpolatedWindowIsNarrowedForTheDeviceOnly) {
    struct Case {
        const char* model;
        int xResolution, yResolution, bits, width, offset;
        int alignedWidth, deviceResolution, deviceWidth, deviceOffset;
        bool interpolated;
    };
    const Case cases[] = {
        {"QA1220", 600, 600, 24, 1000, 100, 1002, 400, 668, 66, true},
        {"QA1220", 800, 800, 24, 1001, 100, 1002, 400, 501, 50, true},
        {"QA1220", 400, 600, 24, 1000, 30, 1002, 400, 668, 20, true},  // ratio from X: 3/2
        {"QA1200", 400, 400, 24, 99, 7, 100, 200, 50, 3, true},
        {"QA1200", 300, 300, 24, 100, 7, 102, 200, 68, 4, true},
        {"QD140+", 600, 600, 24, 200, 10, 201, 400, 134, 6, true},
        {"QD140+", 400, 400, 24, 1001, 10, 1001, 400, 1001, 10, false},   // its native resolution
        {"QA1220", 600, 600, 8, 1001, 100, 1001, 600, 1001, 100, false},  // greyscale
        {"QA1220", 500, 500, 24, 1001, 100, 1001, 500, 1001, 100,
         false},  // not an interpolated one
    };
    for (Mechanism mechanism : {Mechanism::Native, Mechanism::Memory}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message()
                         << c.model << " " << c.xResolution << "x" << c.yResolution << " " << c.bits
                         << " bits, width " << c.width
                         << (mechanism == Mechanism::Native ? ", native" : ", memory"));
            UseScanner(c.model);
            SetWindow(c.xResolution, c.yResolution, c.offset, 0, c.width, 2, c.bits,
                      c.bits == 24 ? Composition::RgbColour : Composition::Greyscale);
            EXPECT_EQ(TWRC_XFERDONE, Transfer(mechanism));
            const std::string deviceWindow = LogCalls("SetWindow").at(0);
            const std::map<std::string, std::string> window = LogFields(deviceWindow);
            EXPECT_EQ(std::to_string(c.deviceResolution), window.at("XResolution"));
            EXPECT_EQ(std::to_string(c.yResolution), window.at("YResolution"));
            EXPECT_EQ(std::to_string(c.deviceWidth), window.at("ScanWidth"));
            EXPECT_EQ(std::to_string(c.deviceOffset), window.at("XOffset"));
            EXPECT_EQ("2", window.at("ScanLength"));
            EXPECT_EQ("0", window.at("mode"));
            // Afterwards the window is the application's again, with the width aligned:
            // the next scan is programmed and read exactly as this one.
            const TW_IMAGEINFO info = ImageInfo();
            EXPECT_EQ(c.xResolution, info.XResolution.Whole);
            EXPECT_EQ(c.alignedWidth, info.ImageWidth);
            TW_PENDINGXFERS pending = {};
            ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
            TW_USERINTERFACE ui = {FALSE, FALSE, nullptr};
            ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui));
            ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &SourceId));
            const size_t firstScan = LogLines().size();
            EXPECT_EQ(TWRC_XFERDONE, Transfer(mechanism));
            EXPECT_EQ(deviceWindow, LogCalls("SetWindow", firstScan).at(0));
            const std::vector<std::string> interpolatedReads = LogCalls("ReadInterpolatedData");
            EXPECT_EQ(c.interpolated, !interpolatedReads.empty());
            EXPECT_EQ(!c.interpolated, !LogCalls("ReadData").empty());
            for (const std::string& line : interpolatedReads) {
                const std::map<std::string, std::string> read = LogFields(line);
                EXPECT_EQ(std::to_string(c.yResolution), read.at("target"));
                EXPECT_EQ(std::to_string(c.deviceResolution), read.at("native"));
            }
        }
    }
}

TEST_F(ScanStartTest, CallsComeInOrderWithTheColourTableOnlyForNativePalettes) {
    struct Case {
        int bits;
        Composition composition;
        Mechanism mechanism;
        bool colourTable;
    };
    // 8-bit bilevel and 16-bit grey: depths only the stored settings ask for.
    for (const Case& c : {Case{4, Composition::PaletteColour, Mechanism::Native, true},
                          Case{8, Composition::PaletteColour, Mechanism::Native, true},
                          Case{8, Composition::Bilevel, Mechanism::Native, true},
                          Case{8, Composition::Greyscale, Mechanism::Native, false},
                          Case{24, Composition::RgbColour, Mechanism::Native, false},
                          Case{1, Composition::Bilevel, Mechanism::Native, false},
                          Case{16, Composition::Greyscale, Mechanism::Native, false},
                          Case{4, Composition::PaletteColour, Mechanism::Memory, false},
                          Case{8, Composition::PaletteColour, Mechanism::Memory, false}}) {
        SCOPED_TRACE(::testing::Message()
                     << c.bits << " bits, composition " << static_cast<int>(c.composition)
                     << (c.mechanism == Mechanism::Native ? ", native" : ", memory"));
        UseScanner("QD120");
        const bool stored = c.bits == 16 || (c.composition == Composition::Bilevel && c.bits == 8);
        SetWindow(100, 100, 5, 0, 64, 3, c.bits, c.composition,
                  stored ? WindowFrom::StoredSettings : WindowFrom::Negotiation);
        const size_t mark = LogLines().size();
        ASSERT_EQ(TWRC_XFERDONE, Transfer(c.mechanism));
        std::vector<std::string> calls = CallNames(mark);
        // Reads repeat; keep one of each run.
        calls.erase(std::unique(calls.begin(), calls.end()), calls.end());
        std::vector<std::string> expected = {"Open", "UnitReady", "SetWindow", "SetFractionalSpeed",
                                             "LoadTrcTable"};
        if (c.colourTable) expected.push_back("LoadColorTranslationTable");
        expected.insert(expected.end(), {"StartScan", "ReadData", "StopScan"});
        EXPECT_EQ(expected, calls);
        EXPECT_EQ("1", Field("SetFractionalSpeed", "speed"));
        if (c.colourTable) {
            std::vector<uint8_t> table(65536);
            for (int colour = 0; colour < 65536; ++colour) {
                const int r = colour >> 11, g = (colour >> 5) & 63, b = colour & 31;
                table[colour] =
                    static_cast<uint8_t>(c.bits == 8 ? 32 * (r / 4) + 4 * (g / 8) + b / 8
                                                     : 4 * (r / 8) + 2 * (g / 32) + b / 16);
            }
            EXPECT_EQ(Fnv1a64(table.data(), table.size()),
                      Field("LoadColorTranslationTable", "fnv1a64"));
        }
    }
}

TEST_F(ScanStartTest, OneToneTableForGreyPointsThreeOtherwise) {
    UseScanner("QD120");
    Stored.FractionalSpeed = 7;
    SetWindow(100, 100, 5, 0, 32, 2, 24, Composition::RgbColour);
    ASSERT_EQ(TWRC_XFERDONE, Transfer(Mechanism::Native));
    std::vector<std::string> tables = LogCalls("LoadTrcTable");
    ASSERT_EQ(1u, tables.size());
    EXPECT_EQ("0", LogFields(tables[0])["channel"]);
    EXPECT_EQ(LinearToneHash(), LogFields(tables[0])["fnv1a64"]);
    EXPECT_EQ("7", Field("SetFractionalSpeed", "speed"));

    UseScanner("QD120");
    Stored.WhitePoint = {255, 250, 200};
    Stored.BlackPoint = {0, 3, 40};
    Stored.Gamma = 2.2f;
    SetWindow(100, 100, 5, 0, 32, 2, 24, Composition::RgbColour);
    ASSERT_EQ(TWRC_XFERDONE, Transfer(Mechanism::Memory));
    tables = LogCalls("LoadTrcTable");
    ASSERT_EQ(3u, tables.size());
    const std::string expected[3] = {ToneHash(255, 0, 2.2f), ToneHash(250, 3, 2.2f),
                                     ToneHash(200, 40, 2.2f)};
    for (int channel = 0; channel < 3; ++channel) {
        EXPECT_EQ(std::to_string(channel + 1), LogFields(tables[channel])["channel"]);
        EXPECT_EQ(expected[channel], LogFields(tables[channel])["fnv1a64"]);
    }
}

TEST_F(ScanStartTest, MonochromeModelsLoadNoToneTable) {
    for (const char* model : {"QD130", "QD110"}) {
        UseScanner(model);
        Stored.Gamma = 0.5f;  // would be refused if it were used
        SetWindow(100, 100, 5, 0, 32, 2, 8, Composition::Greyscale);
        EXPECT_EQ(TWRC_XFERDONE, Transfer(Mechanism::Native)) << model;
        EXPECT_TRUE(LogCalls("LoadTrcTable").empty()) << model;
    }
}

TEST_F(ScanStartTest, RefusedToneSettingsStopTheScanBeforeItStarts) {
    struct Case {
        float gamma;
        ColourTriple white, black;
    };
    for (const Case& c :
         {Case{0.9f, {255, 255, 255}, {0, 0, 0}}, Case{3.1f, {255, 255, 255}, {0, 0, 0}},
          Case{1.0f, {100, 100, 100}, {101, 101, 101}}, Case{1.0f, {255, 255, 8}, {0, 0, 9}}}) {
        for (Mechanism mechanism : {Mechanism::Native, Mechanism::Memory}) {
            UseScanner("QD120");
            Stored.Gamma = c.gamma;
            Stored.WhitePoint = c.white;
            Stored.BlackPoint = c.black;
            SetWindow(100, 100, 5, 0, 32, 2, 24, Composition::RgbColour);
            EXPECT_EQ(TWRC_FAILURE, Transfer(mechanism)) << "gamma " << c.gamma;
            EXPECT_EQ(TWCC_OPERATIONERROR, Status());
            EXPECT_TRUE(LogCalls("StartScan").empty());
            EXPECT_EQ(TwainState::TransferReady, Source().Session().State());
            EXPECT_EQ(0, LiveGlobalMemory::Live);
        }
    }
    // The tables already loaded stay loaded: red and green before the blue one is
    // refused (blue black above blue white).
    EXPECT_EQ(2u, LogCalls("LoadTrcTable").size());
}

TEST_F(ScanStartTest, AFailingStepEndsScanStartAndTheTransferCleansUp) {
    const std::vector<std::string> steps = {"Open",         "UnitReady",
                                            "SetWindow",    "SetFractionalSpeed",
                                            "LoadTrcTable", "LoadColorTranslationTable",
                                            "StartScan"};
    const char* faults[] = {"open", "unitready", "setwindow", "speed", "trc", "ctt", "start"};
    for (size_t step = 0; step < steps.size(); ++step) {
        for (Mechanism mechanism : {Mechanism::Native, Mechanism::Memory}) {
            // The colour translation table is loaded by native palette transfers only.
            if (steps[step] == "LoadColorTranslationTable" && mechanism == Mechanism::Memory)
                continue;
            SCOPED_TRACE(::testing::Message()
                         << "fault " << faults[step]
                         << (mechanism == Mechanism::Native ? ", native" : ", memory"));
            UseScanner("QA1220", nullptr, faults[step]);
            // Interpolated RGB up to the tone tables, a palette (with its colour
            // translation table in a native transfer) from there on.
            const bool palette = step >= 5;
            const int resolution = palette ? 100 : 600, width = palette ? 64 : 1000;
            SetWindow(resolution, resolution, palette ? 5 : 100, 0, width, 4, palette ? 8 : 24,
                      palette ? Composition::PaletteColour : Composition::RgbColour);
            std::vector<std::string> before(steps.begin(),
                                            steps.begin() + static_cast<std::ptrdiff_t>(step));
            if (mechanism == Mechanism::Memory) {
                before.erase(std::remove(before.begin(), before.end(), "LoadColorTranslationTable"),
                             before.end());
            }
            const size_t mark = LogLines().size();
            uintptr_t handle = 0;
            OpenAndEnable();
            if (mechanism == Mechanism::Native) {
                EXPECT_EQ(TWRC_FAILURE, NativeTransfer(nullptr, &handle));
                EXPECT_EQ(0u, handle);
            } else {
                EXPECT_EQ(TWRC_FAILURE, MemoryTransfer(65536).back().Result);
            }
            EXPECT_EQ(TWCC_OPERATIONERROR, Status());
            EXPECT_EQ(TwainState::TransferReady, Source().Session().State());
            EXPECT_EQ(0, LiveGlobalMemory::Live) << "nothing left allocated";
            std::vector<std::string> calls = CallNames(mark);
            ASSERT_FALSE(calls.empty());
            const size_t failed =
                std::find(calls.begin(), calls.end(), steps[step]) - calls.begin();
            ASSERT_LT(failed, calls.size());
            EXPECT_EQ(before,
                      std::vector<std::string>(
                          calls.begin(), calls.begin() + static_cast<std::ptrdiff_t>(failed)));
            // The native transfer stops the scanner; nothing is read.
            const std::vector<std::string> after(
                calls.begin() + static_cast<std::ptrdiff_t>(failed) + 1, calls.end());
            EXPECT_EQ(mechanism == Mechanism::Native ? std::vector<std::string>{"StopScan"}
                                                     : std::vector<std::string>{},
                      after);
            // The window keeps the application's values (the width aligned once).
            const TW_IMAGEINFO info = ImageInfo();
            EXPECT_EQ(resolution, info.XResolution.Whole);
            EXPECT_LE(width, info.ImageWidth);
            EXPECT_GE(width + 2, info.ImageWidth);
        }
    }
}
