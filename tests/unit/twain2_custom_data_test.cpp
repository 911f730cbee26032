// What a TWAIN 2 application gets beyond the capabilities: the data arguments the
// source lists (CAP_SUPPORTEDDATS), the settings as a block it keeps and gives
// back (DAT_CUSTOMDSDATA), and the enable for settings only; a TWAIN 1.x
// application is refused all three as before.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "tests/support/capability_containers.h"
#include "tests/support/twain2_manager.h"
#include "tests/unit/engine_fixture.h"
#include "twain/names.h"

namespace {

class Twain2CustomDataTest : public EngineTest {
protected:
    void OpenAsTwain2() {
        App = FakeTwain2Manager::Twain2Application(5);
        entry_ = FakeTwain2Manager::Reset();
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_ENTRYPOINT, MSG_SET, &entry_));
        Open();
    }
    // The settings block as the application receives it; empty when refused.
    Bytes GetBlock() {
        TW_CUSTOMDSDATA custom = {};
        if (Call(DG_CONTROL, DAT_CUSTOMDSDATA, MSG_GET, &custom) != TWRC_SUCCESS) return {};
        Bytes bytes = BlockBytes(custom.hData);
        bytes.resize(custom.InfoLength);
        GlobalFree(custom.hData);
        return bytes;
    }
    // Hands `bytes` back in a block of `blockBytes` (at least their size), saying
    // InfoLength `length`.
    TW_UINT16 SetBlock(const Bytes& bytes, size_t length, size_t blockBytes = 0) {
        Bytes padded = bytes;
        padded.resize(std::max(blockBytes, bytes.size()));
        TW_CUSTOMDSDATA custom = {static_cast<TW_UINT32>(length), AppBlock(padded)};
        const TW_UINT16 result = Call(DG_CONTROL, DAT_CUSTOMDSDATA, MSG_SET, &custom);
        GlobalFree(custom.hData);
        return result;
    }

private:
    TW_ENTRYPOINT entry_ = {};
};

void Put32(Bytes& bytes, size_t offset, uint32_t value) {
    std::memcpy(bytes.data() + offset, &value, 4);
}

TEST_F(Twain2CustomDataTest, ListedDataArgumentsAreTheOnesAnswered) {
    // Each listed data argument takes at least one of these messages in state 6;
    // one that is not listed takes none of them.
    UseScanner("QD120");
    OpenAsTwain2();
    TW_CAPABILITY capability = {CAP_SUPPORTEDDATS, TWON_DONTCARE16, nullptr};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &capability));
    const Bytes array = BlockBytes(capability.hContainer);
    GlobalFree(capability.hContainer);
    TW_UINT16 itemType;
    TW_UINT32 count;
    std::memcpy(&itemType, array.data(), 2);
    std::memcpy(&count, array.data() + 2, 4);
    ASSERT_EQ(TWTY_UINT32, itemType);
    std::vector<TW_UINT32> listed(count);
    std::memcpy(listed.data(), array.data() + 6, 4 * count);

    TW_UINT32 group = 0;
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_XFERGROUP, MSG_GET, &group));
    EXPECT_EQ(DG_IMAGE, group);
    // A grey image, which has a colour table to ask for.
    ASSERT_EQ(TWRC_SUCCESS, SetCapability(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY));
    TW_USERINTERFACE ui = {FALSE, FALSE, nullptr};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    const auto answered = [&](TW_UINT32 dg, TW_UINT16 dat) {
        for (TW_UINT16 msg : {MSG_GET, MSG_SET, MSG_XFERREADY, MSG_DISABLEDS, MSG_CLOSEDS}) {
            std::vector<uint8_t> record(2048, 0);
            const TW_UINT16 result = Call(dg, dat, msg, record.data());
            if (result == TWRC_XFERDONE) GlobalFree(*reinterpret_cast<HGLOBAL*>(record.data()));
            if (dat == DAT_STATUSUTF8 && result == TWRC_SUCCESS)
                GlobalFree(reinterpret_cast<TW_STATUSUTF8*>(record.data())->UTF8string);
            if (result != TWRC_FAILURE || Status() != TWCC_BADPROTOCOL) return true;
        }
        return false;
    };
    for (TW_UINT32 item : listed) {
        SCOPED_TRACE(::testing::Message()
                     << "DG " << (item >> 16) << " DAT 0x" << std::hex << (item & 0xFFFF));
        EXPECT_TRUE(answered(item >> 16, static_cast<TW_UINT16>(item & 0xFFFF)));
    }
    for (TW_UINT16 unlisted : {DAT_SETUPFILEXFER, DAT_PARENT})
        EXPECT_FALSE(answered(DG_CONTROL, unlisted)) << unlisted;
}

TEST_F(Twain2CustomDataTest, TheBlockRestoresTheSettingsTheNextScanUses) {
    struct Negotiated {
        TW_UINT16 cap, itemType;
        TW_UINT32 kept, later;
    };
    const Negotiated values[] = {{ICAP_XRESOLUTION, TWTY_UINT16, 300, 100},
                                 {ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY, TWPT_BW},
                                 {ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY, TWSX_NATIVE},
                                 {CAP_INDICATORS, TWTY_BOOL, FALSE, TRUE}};
    UseScanner("QD120");
    OpenAsTwain2();
    for (const Negotiated& v : values)
        ASSERT_EQ(TWRC_SUCCESS, SetCapability(v.cap, v.itemType, v.kept));
    const int allocationsBefore = FakeTwain2Manager::Allocations;
    const Bytes kept = GetBlock();
    ASSERT_FALSE(kept.empty());
    EXPECT_EQ(allocationsBefore + 1, FakeTwain2Manager::Allocations) << "the manager's memory";
    for (const Negotiated& v : values)
        ASSERT_EQ(TWRC_SUCCESS, SetCapability(v.cap, v.itemType, v.later));
    ASSERT_EQ(TWRC_SUCCESS, SetBlock(kept, kept.size()));
    EXPECT_EQ(kept, GetBlock());
    EXPECT_EQ(TW_UINT32{TWSX_MEMORY}, CurrentItem(ICAP_XFERMECH));

    TW_USERINTERFACE ui = {FALSE, FALSE, nullptr};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    ASSERT_EQ(TWRC_XFERDONE, MemoryTransfer(1 << 20).back().Result);
    const std::map<std::string, std::string> window = LogFields(LogCalls("SetWindow").back());
    EXPECT_EQ("300", window.at("XResolution"));
    EXPECT_EQ("2", window.at("ImageComposition"));
    EXPECT_EQ("8", window.at("BitsPerPixel"));
    // Only in state 4.
    EXPECT_EQ(TWRC_FAILURE, SetBlock(kept, kept.size()));
    EXPECT_EQ(TWCC_SEQERROR, Status());
}

TEST_F(Twain2CustomDataTest, HostileBlocksAreRefusedAndChangeNothing) {
    UseScanner("QD120");
    OpenAsTwain2();
    const Bytes good = GetBlock();
    ASSERT_GE(good.size(), 144u);
    const auto with = [&](size_t offset, uint32_t value) {
        Bytes bytes = good;
        Put32(bytes, offset, value);
        return bytes;
    };
    float nan = std::numeric_limits<float>::quiet_NaN();
    uint32_t nanBits;
    std::memcpy(&nanBits, &nan, 4);
    struct Case {
        const char* name;
        Bytes bytes;
        size_t length, blockBytes;
        TW_UINT16 result;
    };
    const size_t size = good.size();
    const Case cases[] = {
        {"nothing", {}, 0, 0, TWRC_FAILURE},
        {"cut short", good, size - 1, 0, TWRC_FAILURE},
        {"longer than its block", good, size + 64, 0, TWRC_FAILURE},
        {"longer than it says", good, size + 4, size + 4, TWRC_FAILURE},
        {"another signature", with(0, 0x41414141), size, 0, TWRC_FAILURE},
        {"another version", with(4, 2), size, 0, TWRC_FAILURE},
        {"a length that lies", with(8, static_cast<uint32_t>(size) - 4), size, 0, TWRC_FAILURE},
        {"a palette name past the end", with(140, 0xFFFFFFF0u), size, 0, TWRC_FAILURE},
        {"a resolution past the steps", with(12, 5000), size, 0, TWRC_FAILURE},
        {"RGB at 8 bits", with(48, 8), size, 0, TWRC_FAILURE},
        {"brightness 51", with(36, 51), size, 0, TWRC_FAILURE},
        {"a width past the scanner", with(28, 0x7FFFFFFF), size, 0, TWRC_FAILURE},
        {"a negative offset", with(20, static_cast<uint32_t>(-8)), size, 0, TWRC_FAILURE},
        {"a speed of 256", with(100, 256), size, 0, TWRC_FAILURE},
        {"gamma not a number", with(128, nanBits), size, 0, TWRC_FAILURE},
        {"file transfer", with(132, TWSX_FILE), size, 0, TWRC_FAILURE},
        {"a resolution between steps", with(12, 500), size, 0, TWRC_CHECKSTATUS},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.bytes.empty()) {
            TW_CUSTOMDSDATA custom = {static_cast<TW_UINT32>(size), nullptr};
            EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_CUSTOMDSDATA, MSG_SET, &custom));
        } else {
            EXPECT_EQ(c.result, SetBlock(c.bytes, c.length, c.blockBytes));
        }
        if (c.result == TWRC_FAILURE) {
            EXPECT_EQ(TWCC_BADVALUE, Status());
            EXPECT_EQ(good, GetBlock());
        }
    }
    // Moved to the nearest step, as ICAP_XRESOLUTION moves it.
    EXPECT_EQ(Fix32Item(400, 0), CurrentItem(ICAP_XRESOLUTION));
}

TEST_F(Twain2CustomDataTest, Twain1ApplicationsAreAnsweredAsBefore) {
    struct Case {
        const char* name;
        TW_UINT32 dg;
        TW_UINT16 dat, msg;
        bool twain2;
        TW_UINT16 result, condition;
    };
    for (const Case& c : {
             Case{"1.x custom data", DG_CONTROL, DAT_CUSTOMDSDATA, MSG_GET, false, TWRC_FAILURE,
                  TWCC_BADPROTOCOL},
             Case{"1.x settings only", DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDSUIONLY, false,
                  TWRC_FAILURE, TWCC_BADPROTOCOL},
             Case{"1.x transfer group", DG_CONTROL, DAT_XFERGROUP, MSG_GET, false, TWRC_FAILURE,
                  TWCC_BADPROTOCOL},
             Case{"1.x status text", DG_CONTROL, DAT_STATUSUTF8, MSG_GET, false, TWRC_FAILURE,
                  TWCC_BADPROTOCOL},
             Case{"2 status text without a record", DG_CONTROL, DAT_STATUSUTF8, MSG_GET, true,
                  TWRC_FAILURE, TWCC_BADVALUE},
             Case{"2 transfer group without a record", DG_CONTROL, DAT_XFERGROUP, MSG_GET, true,
                  TWRC_FAILURE, TWCC_BADVALUE},
             Case{"2 custom data reset", DG_CONTROL, DAT_CUSTOMDSDATA, MSG_RESET, true,
                  TWRC_FAILURE, TWCC_BADPROTOCOL},
             Case{"2 settings only without a record", DG_CONTROL, DAT_USERINTERFACE,
                  MSG_ENABLEDSUIONLY, true, TWRC_FAILURE, TWCC_BADVALUE},
         }) {
        SCOPED_TRACE(c.name);
        UseScanner("QD120");
        App = c.twain2 ? FakeTwain2Manager::Twain2Application(5) : MakeIdentity(17, "Old");
        Open();
        EXPECT_EQ(c.result, Call(c.dg, c.dat, c.msg, nullptr));
        EXPECT_EQ(c.condition, Status());
    }
}

TEST_F(Twain2CustomDataTest, StatusTextIsTheConditionsMeaningInTheManagersMemory) {
    UseScanner("QD120");
    OpenAsTwain2();
    for (TW_UINT16 code : {TW_UINT16(TWCC_BADVALUE), TW_UINT16(TWCC_SEQERROR), TW_UINT16(0x7777)}) {
        SCOPED_TRACE(code);
        // A failure first: the text leaves the source's own condition code alone.
        ASSERT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_XFERGROUP, MSG_SET, nullptr));
        const int allocations = FakeTwain2Manager::Allocations;
        TW_STATUSUTF8 status = {{code, 0}, 0, nullptr};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_STATUSUTF8, MSG_GET, &status));
        EXPECT_EQ(allocations + 1, FakeTwain2Manager::Allocations);
        const Bytes text = BlockBytes(status.UTF8string);
        GlobalFree(status.UTF8string);
        const char* meaning = ConditionMeaning(code);
        const std::string expected = meaning ? meaning : "unknown condition";
        ASSERT_EQ(expected.size() + 1, status.Size);
        ASSERT_LE(status.Size, text.size());
        EXPECT_EQ(expected + '\0', std::string(text.begin(), text.begin() + status.Size));
        EXPECT_EQ(TWCC_BADPROTOCOL, Status());
    }
}

TEST_F(Twain2CustomDataTest, IndicatorsAreKeptForOneConnection) {
    UseScanner("QD120");
    OpenAsTwain2();
    ASSERT_EQ(TWRC_SUCCESS, SetCapability(CAP_INDICATORS, TWTY_BOOL, FALSE));
    EXPECT_EQ(TW_UINT32{FALSE}, CurrentItem(CAP_INDICATORS));
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
    OpenAsTwain2();
    EXPECT_EQ(TW_UINT32{TRUE}, CurrentItem(CAP_INDICATORS));
}

}  // namespace
