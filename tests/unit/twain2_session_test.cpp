// A TWAIN 2 Source Manager hands the source its entry point before the open; the
// source then sends its notifications through it and hands out containers and
// native images in its memory. Without it, everything goes as with a 1.x manager.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support/twain2_manager.h"
#include "tests/unit/engine_fixture.h"

namespace {

class Twain2SessionTest : public EngineTest {
protected:
    TW_UINT16 HandOverEntryPoint(TW_ENTRYPOINT* entry) {
        return Call(DG_CONTROL, DAT_ENTRYPOINT, MSG_SET, entry);
    }
    TW_UINT16 EntryStatus() {
        TW_IDENTITY stranger = MakeIdentity(99, "Stranger");
        return StatusOf(stranger);
    }
    TW_UINT16 SetOneValue(TW_UINT16 cap, TW_UINT32 value) {
        HGLOBAL block = GlobalAlloc(GHND, sizeof(TW_ONEVALUE));
        auto* one = static_cast<TW_ONEVALUE*>(GlobalLock(block));
        one->ItemType = TWTY_UINT16;
        one->Item = value;
        GlobalUnlock(block);
        TW_CAPABILITY capability = {cap, TWON_ONEVALUE, block};
        const TW_UINT16 result = Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
        GlobalFree(block);
        return result;
    }
    void OpenAndEnableWithoutOpen() {
        TW_USERINTERFACE ui = {FALSE, FALSE, nullptr};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    }
    // One capability query whose container is freed as a TWAIN 2 application would.
    void QueryPixelType() {
        TW_CAPABILITY capability = {ICAP_PIXELTYPE, TWON_DONTCARE16, nullptr};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &capability));
        GlobalFree(capability.hContainer);
    }
};

TEST_F(Twain2SessionTest, EntryPointIsTakenWhole) {
    TW_ENTRYPOINT good = FakeTwain2Manager::Reset();
    TW_ENTRYPOINT shortRecord = good;
    shortRecord.Size = 4;
    TW_ENTRYPOINT noEntry = good;
    noEntry.DSM_Entry = nullptr;
    struct Case {
        const char* name;
        TW_ENTRYPOINT* record;
        TW_UINT16 result, condition;
    };
    for (const Case& c : {Case{"null", nullptr, TWRC_FAILURE, TWCC_BADVALUE},
                          Case{"short", &shortRecord, TWRC_FAILURE, TWCC_BADVALUE},
                          Case{"no entry", &noEntry, TWRC_FAILURE, TWCC_BADVALUE},
                          Case{"whole", &good, TWRC_SUCCESS, TWCC_SUCCESS}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.result, HandOverEntryPoint(c.record));
        EXPECT_EQ(c.condition, EntryStatus());
    }
    // Once open, the entry point is no longer the Source Manager's to hand over.
    Open();
    EXPECT_EQ(TWRC_FAILURE, HandOverEntryPoint(&good));
    EXPECT_EQ(TWCC_SEQERROR, Status());
}

TEST_F(Twain2SessionTest, NotificationsAndHandedOutMemoryGoThroughTheManager) {
    UseScanner("QD120");
    App = FakeTwain2Manager::Twain2Application(5);
    TW_ENTRYPOINT entry = FakeTwain2Manager::Reset();
    ASSERT_EQ(TWRC_SUCCESS, HandOverEntryPoint(&entry));
    Open();
    NegotiateWindow(100, 100, 1, 0, 64, 8, 24, Composition::RgbColour);
    FakeTwain2Manager::Reset();
    QueryPixelType();
    EXPECT_EQ(1, FakeTwain2Manager::Allocations);
    TW_USERINTERFACE ui = {FALSE, FALSE, nullptr};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    EXPECT_EQ(1, FakeTwain2Manager::Notifications);
    EXPECT_EQ(MSG_XFERREADY, FakeTwain2Manager::LastMessage);
    EXPECT_EQ(0, FakeSourceManager::Calls) << "TWAIN_32.DLL was not needed";
    DibImage image;
    ASSERT_EQ(TWRC_XFERDONE, NativeTransfer(&image));
    EXPECT_EQ(64, image.Header.biWidth);
    EXPECT_EQ(2, FakeTwain2Manager::Allocations);
    EXPECT_EQ(FakeTwain2Manager::Locks, FakeTwain2Manager::Unlocks);
}

TEST_F(Twain2SessionTest, WithoutAnEntryPointTheManagerIsLoadedByName) {
    // A 1.x Source Manager hands over nothing; one that did is forgotten at the close.
    for (bool entryBeforeFirstOpen : {false, true}) {
        SCOPED_TRACE(entryBeforeFirstOpen ? "after a TWAIN 2 session" : "first session");
        Reload();
        TW_ENTRYPOINT entry = FakeTwain2Manager::Reset();
        if (entryBeforeFirstOpen) {
            ASSERT_EQ(TWRC_SUCCESS, HandOverEntryPoint(&entry));
            Open();
            ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
            FakeTwain2Manager::Reset();
        }
        FakeSourceManager::Calls = 0;
        OpenAndEnable();
        QueryPixelType();
        EXPECT_EQ(1, FakeSourceManager::Calls);
        EXPECT_EQ(0, FakeTwain2Manager::Notifications);
        EXPECT_EQ(0, FakeTwain2Manager::Allocations);
    }
}

TEST_F(Twain2SessionTest, TheImageIsDeliveredOnceToATwain2Application) {
    // A 1.x application may take the image again before MSG_ENDXFER, as it always
    // could; a TWAIN 2 application is held in state 7 with the one image it had.
    struct Case {
        const char* name;
        bool twain2;
        TW_UINT16 second;
    };
    for (const Case& c : {Case{"1.x", false, TWRC_XFERDONE}, Case{"TWAIN 2", true, TWRC_FAILURE}}) {
        SCOPED_TRACE(c.name);
        UseScanner("QD120");
        SetWindow(100, 100, 1, 0, 32, 4, 8, Composition::Greyscale);
        if (c.twain2) App = FakeTwain2Manager::Twain2Application(5);
        OpenAndEnable();
        ASSERT_EQ(TWRC_XFERDONE, NativeTransfer());
        EXPECT_EQ(c.second, NativeTransfer());
        if (c.second == TWRC_FAILURE) {
            EXPECT_EQ(TWCC_SEQERROR, Status());
        }
        EXPECT_EQ(c.second, MemoryTransfer(4096, 1).at(0).Result);
        TW_PENDINGXFERS pending = {};
        EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
        EXPECT_EQ(0, pending.Count);
    }
}

TEST_F(Twain2SessionTest, MemoryBuffersHoldWholeRowsForTwain2Applications) {
    // 100 pixels of RGB: 300 bytes a row. A 1.x application is told the minimum
    // does not matter and gets pieces of rows in small buffers; a TWAIN 2
    // application is told one row and has smaller buffers refused.
    struct Case {
        const char* name;
        bool twain2;
        TW_UINT32 minBufSize;
        TW_UINT16 smallBuffer;
    };
    for (const Case& c : {Case{"1.x", false, TWON_DONTCARE32, TWRC_SUCCESS},
                          Case{"TWAIN 2", true, 300, TWRC_FAILURE}}) {
        SCOPED_TRACE(c.name);
        UseScanner("QD120");
        if (c.twain2) {
            App = FakeTwain2Manager::Twain2Application(5);
            Open();
            NegotiateWindow(100, 100, 1, 0, 100, 6, 24, Composition::RgbColour);
        } else {
            SetWindow(100, 100, 1, 0, 100, 6, 24, Composition::RgbColour);
            Open();
        }
        TW_SETUPMEMXFER setup = {};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup));
        EXPECT_EQ(c.minBufSize, setup.MinBufSize);
        OpenAndEnableWithoutOpen();
        const std::vector<MemoryBlock> small = MemoryTransfer(120, 1);
        EXPECT_EQ(c.smallBuffer, small.at(0).Result);
        if (c.twain2) {
            EXPECT_EQ(TWCC_BADVALUE, Status());
        }
        // Two and a half rows of buffer: blocks of two whole rows. (A 1.x
        // application goes on with the row its small buffer began.)
        if (!c.twain2) continue;
        for (const MemoryBlock& block : MemoryTransfer(750)) {
            EXPECT_EQ(0u, block.Record.XOffset);
            EXPECT_EQ(2u, block.Record.Rows);
            EXPECT_EQ(block.Record.Rows * 300, block.Record.BytesWritten);
        }
    }
}

TEST_F(Twain2SessionTest, FramesPlaceTheWindowForTwain2Applications) {
    // The same frames from each kind of caller: both count the fractions; only a
    // TWAIN 2 application places the window with Left and Top, from the scanner's
    // left edge (at least a pixel in) or centred on the feed, and is told when the
    // frame had to move to whole pixels.
    const auto fix = [](double inches) {
        const int32_t fixed = static_cast<int32_t>(inches * 65536.0 + 0.5);
        return TW_FIX32{static_cast<TW_INT16>(fixed >> 16), static_cast<TW_UINT16>(fixed & 0xFFFF)};
    };
    const auto real = [](TW_FIX32 value) { return value.Whole + value.Frac / 65536.0; };
    struct Case {
        const char* name;
        bool twain2;
        double left, top, right, bottom;
        TW_UINT16 result;
        int width, length, xOffset, yOffset;  // pixels at 300 dpi
        double reportedLeft, reportedRight;
    };
    const double pixel = 1.0 / 300, centred = 4631.0 / 300;  // QD120: (11812.5 - 2550) / 2
    for (const Case& c : {
             Case{"1.x letter", false, 0, 0, 8.5, 11, TWRC_SUCCESS, 2550, 3300, 0, 0, 0, 8.5},
             Case{"1.x placed", false, 1, 2, 3.5, 4, TWRC_SUCCESS, 750, 600, 0, 0, 0, 2.5},
             Case{"2 letter", true, 0, 0, 8.5, 11, TWRC_CHECKSTATUS, 2550, 3300, 1, 0, pixel,
                  8.5 + pixel},
             Case{"2 letter centred", true, centred, 0, centred + 8.5, 11, TWRC_SUCCESS, 2550, 3300,
                  0, 0, centred, centred + 8.5},
             Case{"2 placed", true, 1, 2, 3.5, 4, TWRC_SUCCESS, 750, 600, 300, 600, 1, 3.5},
             Case{"2 to whole pixels", true, 0.001, 0, 1.001, 1, TWRC_CHECKSTATUS, 300, 300, 1, 0,
                  pixel, 1 + pixel},
         }) {
        SCOPED_TRACE(c.name);
        UseScanner("QD120");
        if (c.twain2) App = FakeTwain2Manager::Twain2Application(5);
        Open();
        ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_XRESOLUTION, 300));
        ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_YRESOLUTION, 300));
        TW_IMAGELAYOUT layout = {};
        layout.Frame = {fix(c.left), fix(c.top), fix(c.right), fix(c.bottom)};
        EXPECT_EQ(c.result, Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &layout));
        TW_IMAGELAYOUT reported = {};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &reported));
        EXPECT_EQ(real(fix(c.reportedLeft)), real(reported.Frame.Left));
        EXPECT_EQ(real(fix(c.reportedRight)), real(reported.Frame.Right));
        OpenAndEnableWithoutOpen();
        ASSERT_EQ(TWRC_XFERDONE, NativeTransfer());
        const std::map<std::string, std::string> window = LogFields(LogCalls("SetWindow").back());
        EXPECT_EQ(std::to_string(c.width), window.at("ScanWidth"));
        EXPECT_EQ(std::to_string(c.length), window.at("ScanLength"));
        EXPECT_EQ(std::to_string(c.xOffset), window.at("XOffset"));
        EXPECT_EQ(std::to_string(c.yOffset), window.at("YOffset"));
    }
}

}  // namespace
