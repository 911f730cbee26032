// MSG_SET of every capability: which containers and values are accepted, and what
// each stores in the scan parameters.
#include <functional>
#include <string>
#include <vector>

#include "tests/support/capability_containers.h"
#include "tests/support/device_log.h"
#include "tests/support/tracking_global_memory.h"

namespace {

typedef std::function<void(ReadBack&)> Change;
const Change Unchanged = [](ReadBack&) {};

Bytes One(TW_UINT16 itemType, TW_UINT32 item) {
    return OneValueContainer(itemType, item);
}
Bytes Enum(const std::vector<TW_UINT16>& items, TW_UINT32 current) {
    return EnumerationBytes(TWTY_UINT16, static_cast<TW_UINT32>(items.size()), current, 0, items);
}
TW_UINT32 Fix32(int16_t whole, uint16_t frac) {
    return Fix32Item(whole, frac);
}

struct SetRow {
    const char* what;
    const char* model;    // the name the scanner reports
    TW_UINT16 pixelType;  // negotiated before the request; Unnamed: none
    TW_UINT16 cap;
    TW_UINT16 conType;
    Bytes container;
    TW_UINT16 conditionCode;  // TWCC_SUCCESS: accepted
    Change change;
};

// A stored composition that names none (1), at 8 bits: what the request meets.
const TW_UINT16 Unnamed = 0xFFFF;

const std::vector<SetRow>& SetTable() {
    const TW_UINT16 ok = TWCC_SUCCESS, bad = TWCC_BADVALUE, badCap = TWCC_BADCAP;
    const TW_UINT16 one = TWON_ONEVALUE, en = TWON_ENUMERATION;
    static const std::vector<SetRow> rows = {
        {"one transfer", "QD120", TWPT_RGB, CAP_XFERCOUNT, one, One(TWTY_INT16, 1), ok, Unchanged},
        {"unlimited transfers", "QD120", TWPT_RGB, CAP_XFERCOUNT, one, One(TWTY_INT16, 0xFFFF), bad,
         Unchanged},
        {"two transfers", "QD120", TWPT_RGB, CAP_XFERCOUNT, one, One(TWTY_INT16, 2), bad,
         Unchanged},
        {"transfer count as a range", "QD120", TWPT_RGB, CAP_XFERCOUNT, TWON_RANGE,
         RangeContainer(TWTY_INT16, 1, 5, 1, 1, 1), ok, Unchanged},

        {"black and white", "QD120", TWPT_RGB, ICAP_PIXELTYPE, one, One(TWTY_UINT16, TWPT_BW), ok,
         [](ReadBack& n) {
             n.PixelType = TWPT_BW;
             n.BitDepth = 1;
         }},
        {"grey", "QD120", TWPT_RGB, ICAP_PIXELTYPE, one, One(TWTY_UINT16, TWPT_GRAY), ok,
         [](ReadBack& n) {
             n.PixelType = TWPT_GRAY;
             n.BitDepth = 8;
         }},
        {"RGB", "QD120", TWPT_BW, ICAP_PIXELTYPE, one, One(TWTY_UINT16, TWPT_RGB), ok,
         [](ReadBack& n) {
             n.PixelType = TWPT_RGB;
             n.BitDepth = 24;
         }},
        {"palette", "QD120", TWPT_RGB, ICAP_PIXELTYPE, one, One(TWTY_UINT16, TWPT_PALETTE), ok,
         [](ReadBack& n) {
             n.PixelType = TWPT_PALETTE;
             n.BitDepth = 8;
         }},
        {"pixel type 4", "QD120", TWPT_RGB, ICAP_PIXELTYPE, one, One(TWTY_UINT16, 4), bad,
         Unchanged},
        {"pixel type with a high half", "QD120", TWPT_RGB, ICAP_PIXELTYPE, one,
         One(TWTY_UINT16, 0x10001), bad, Unchanged},
        {"RGB on a QD130", "QD130", TWPT_BW, ICAP_PIXELTYPE, one, One(TWTY_UINT16, TWPT_RGB), bad,
         Unchanged},
        {"RGB on a QD110", "QD110", TWPT_BW, ICAP_PIXELTYPE, one, One(TWTY_UINT16, TWPT_RGB), bad,
         Unchanged},
        {"grey on a QD130", "QD130", TWPT_BW, ICAP_PIXELTYPE, one, One(TWTY_UINT16, TWPT_GRAY), ok,
         [](ReadBack& n) {
             n.PixelType = TWPT_GRAY;
             n.BitDepth = 8;
         }},
        {"RGB enumeration on a QD130", "QD130", TWPT_BW, ICAP_PIXELTYPE, en, Enum({0, 1, 2, 3}, 2),
         ok,
         [](ReadBack& n) {
             n.PixelType = TWPT_RGB;
             n.BitDepth = 24;
         }},
        {"enumeration, other entries unexamined", "QD120", TWPT_RGB, ICAP_PIXELTYPE, en,
         Enum({9, 1}, 1), ok,
         [](ReadBack& n) {
             n.PixelType = TWPT_GRAY;
             n.BitDepth = 8;
         }},
        {"enumeration current entry 7", "QD120", TWPT_RGB, ICAP_PIXELTYPE, en, Enum({0, 7}, 1), bad,
         Unchanged},
        {"pixel type as a range", "QD120", TWPT_RGB, ICAP_PIXELTYPE, TWON_RANGE,
         RangeContainer(TWTY_UINT16, 0, 3, 1, 2, 1), badCap, Unchanged},
        {"pixel type as an array", "QD120", TWPT_RGB, ICAP_PIXELTYPE, TWON_ARRAY,
         ArrayBytes(TWTY_UINT16, {1}), badCap, Unchanged},

        {"inches", "QD120", TWPT_RGB, ICAP_UNITS, one, One(TWTY_UINT16, TWUN_INCHES), ok,
         Unchanged},
        {"centimetres", "QD120", TWPT_RGB, ICAP_UNITS, one, One(TWTY_UINT16, TWUN_CENTIMETERS), bad,
         Unchanged},
        {"inches as an enumeration", "QD120", TWPT_RGB, ICAP_UNITS, en, Enum({0}, 0), bad,
         Unchanged},

        {"memory transfer", "QD120", TWPT_RGB, ICAP_XFERMECH, one, One(TWTY_UINT16, TWSX_MEMORY),
         ok, [](ReadBack& n) { n.MechanismIndex = 1; }},
        {"any mechanism but a file", "QD120", TWPT_RGB, ICAP_XFERMECH, one, One(TWTY_UINT16, 5), ok,
         [](ReadBack& n) { n.MechanismIndex = 1; }},
        {"file transfer", "QD120", TWPT_RGB, ICAP_XFERMECH, one, One(TWTY_UINT16, TWSX_FILE), bad,
         Unchanged},
        {"file transfer with a high half", "QD120", TWPT_RGB, ICAP_XFERMECH, one,
         One(TWTY_UINT16, 0x10000 | TWSX_FILE), bad, Unchanged},
        {"mechanism enumeration", "QD120", TWPT_RGB, ICAP_XFERMECH, en, Enum({0, 2}, 1), ok,
         [](ReadBack& n) { n.MechanismIndex = 1; }},
        {"enumeration listing a file", "QD120", TWPT_RGB, ICAP_XFERMECH, en, Enum({0, 1, 2}, 2),
         bad, Unchanged},
        {"mechanism as a range", "QD120", TWPT_RGB, ICAP_XFERMECH, TWON_RANGE,
         RangeContainer(TWTY_UINT16, 2, 2, 1, 2, 2), bad, Unchanged},

        // What brightness and threshold store is seen in the scan: see below.
        {"brightness array", "QD120", TWPT_RGB, ICAP_BRIGHTNESS, TWON_ARRAY,
         ArrayBytes(TWTY_INT16, {5}), bad, Unchanged},

        {"x resolution", "QD120", TWPT_RGB, ICAP_XRESOLUTION, one, One(TWTY_UINT16, 300), ok,
         [](ReadBack& n) { n.XResolution = 300; }},
        {"x resolution off the list", "QD120", TWPT_RGB, ICAP_XRESOLUTION, one,
         One(TWTY_UINT16, 1234), ok, [](ReadBack& n) { n.XResolution = 1234; }},
        {"x resolution 300.5 as FIX32", "QD120", TWPT_RGB, ICAP_XRESOLUTION, one,
         One(TWTY_FIX32, Fix32(300, 0x8000)), ok, [](ReadBack& n) { n.XResolution = 301; }},
        {"x resolution enumeration", "QD120", TWPT_RGB, ICAP_XRESOLUTION, en,
         Enum({100, 200, 300}, 2), ok, [](ReadBack& n) { n.XResolution = 300; }},
        {"x resolution FIX32 enumeration", "QD120", TWPT_RGB, ICAP_XRESOLUTION, en,
         EnumerationBytes32(TWTY_FIX32, 1, {Fix32(150, 0), Fix32(600, 0)}), ok,
         [](ReadBack& n) { n.XResolution = 600; }},
        {"y resolution", "QD120", TWPT_RGB, ICAP_YRESOLUTION, one, One(TWTY_UINT16, 600), ok,
         [](ReadBack& n) { n.YResolution = 600; }},

        {"MSB first", "QD120", TWPT_RGB, ICAP_BITORDER, one, One(TWTY_UINT16, TWBO_MSBFIRST), ok,
         Unchanged},
        {"LSB first", "QD120", TWPT_RGB, ICAP_BITORDER, one, One(TWTY_UINT16, TWBO_LSBFIRST), bad,
         Unchanged},
        {"chocolate", "QD120", TWPT_RGB, ICAP_PIXELFLAVOR, one, One(TWTY_UINT16, TWPF_CHOCOLATE),
         ok, Unchanged},
        {"vanilla", "QD120", TWPT_RGB, ICAP_PIXELFLAVOR, one, One(TWTY_UINT16, TWPF_VANILLA), bad,
         Unchanged},

        {"1 bit for black and white", "QD120", TWPT_BW, ICAP_BITDEPTH, one, One(TWTY_UINT16, 1), ok,
         Unchanged},
        {"8 bits for black and white", "QD120", TWPT_BW, ICAP_BITDEPTH, one, One(TWTY_UINT16, 8),
         bad, Unchanged},
        {"8 bits for grey", "QD120", TWPT_GRAY, ICAP_BITDEPTH, one, One(TWTY_UINT16, 8), ok,
         Unchanged},
        {"16 bits for grey", "QD120", TWPT_GRAY, ICAP_BITDEPTH, one, One(TWTY_UINT16, 16), bad,
         Unchanged},
        {"4 bits for a palette", "QD120", TWPT_PALETTE, ICAP_BITDEPTH, one, One(TWTY_UINT16, 4), ok,
         [](ReadBack& n) { n.BitDepth = 4; }},
        {"palette depths", "QD120", TWPT_PALETTE, ICAP_BITDEPTH, en, Enum({8, 4}, 1), ok,
         [](ReadBack& n) { n.BitDepth = 4; }},
        {"palette depths with 1", "QD120", TWPT_PALETTE, ICAP_BITDEPTH, en, Enum({8, 4, 1}, 1), bad,
         Unchanged},
        {"empty depth list", "QD120", TWPT_PALETTE, ICAP_BITDEPTH, en, Enum({}, 0), bad, Unchanged},
        {"24 bits for RGB", "QD120", TWPT_RGB, ICAP_BITDEPTH, one, One(TWTY_UINT16, 24), ok,
         Unchanged},
        {"8 bits for RGB", "QD120", TWPT_RGB, ICAP_BITDEPTH, one, One(TWTY_UINT16, 8), bad,
         Unchanged},
        {"24 with a high half", "QD120", TWPT_RGB, ICAP_BITDEPTH, one, One(TWTY_UINT16, 0x10018),
         bad, Unchanged},
        {"all-24 enumeration for RGB", "QD120", TWPT_RGB, ICAP_BITDEPTH, en, Enum({24, 24}, 1), ok,
         Unchanged},
        {"mixed enumeration for RGB", "QD120", TWPT_RGB, ICAP_BITDEPTH, en, Enum({24, 8}, 0), bad,
         Unchanged},
        {"depth of an unused composition", "QD120", Unnamed, ICAP_BITDEPTH, one,
         One(TWTY_UINT16, 8), bad, Unchanged},
        {"depth as a range", "QD120", TWPT_GRAY, ICAP_BITDEPTH, TWON_RANGE,
         RangeContainer(TWTY_UINT16, 8, 8, 1, 8, 8), bad, Unchanged},

        {"supported caps", "QD120", TWPT_RGB, CAP_SUPPORTEDCAPS, one, One(TWTY_UINT16, 0), badCap,
         Unchanged},
        {"UI controllable", "QD120", TWPT_RGB, CAP_UICONTROLLABLE, one, One(TWTY_BOOL, 1), badCap,
         Unchanged},
        {"compression", "QD120", TWPT_RGB, ICAP_COMPRESSION, one, One(TWTY_UINT16, 0), badCap,
         Unchanged},
        {"planar chunky", "QD120", TWPT_RGB, ICAP_PLANARCHUNKY, one, One(TWTY_UINT16, 0), badCap,
         Unchanged},
        {"physical width", "QD120", TWPT_RGB, ICAP_PHYSICALWIDTH, one,
         One(TWTY_FIX32, Fix32(10, 0)), badCap, Unchanged},
        {"physical height", "QD120", TWPT_RGB, ICAP_PHYSICALHEIGHT, one,
         One(TWTY_FIX32, Fix32(10, 0)), badCap, Unchanged},
        {"unknown capability", "QD120", TWPT_RGB, 0x7777, one, One(TWTY_UINT16, 0), badCap,
         Unchanged},
    };
    return rows;
}

using CapabilitySetTest = CapabilityTest;

}  // namespace

TEST_F(CapabilitySetTest, EveryCapabilityAcceptsOrRefusesAsItShould) {
    for (const SetRow& row : SetTable()) {
        SCOPED_TRACE(row.what);
        ScopedEnvironment scanner("TARNSCAN_MODEL", row.model);
        Reload();
        Open();
        if (row.pixelType == Unnamed)
            LoadStoredSettings({{"Image Composition", 1}, {"Bits per Pixel", 8}});
        else
            ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_PIXELTYPE, TWTY_UINT16, row.pixelType));
        ReadBack expected = ReadNegotiated();
        if (row.conditionCode == TWCC_SUCCESS) row.change(expected);

        TrackingGlobalMemory::Install();
        TW_UINT16 result = Set(row.cap, row.conType, row.container);
        EXPECT_EQ(row.conditionCode == TWCC_SUCCESS ? TWRC_SUCCESS : TWRC_FAILURE, result);
        EXPECT_EQ(row.conditionCode, Status());
        EXPECT_EQ(0, TrackingGlobalMemory::Allocations);
        EXPECT_EQ(0, TrackingGlobalMemory::Frees);
        EXPECT_EQ(0, TrackingGlobalMemory::HeldLocks());
        EXPECT_EQ(expected, ReadNegotiated());
    }
}

// Brightness and threshold are set-only: what is stored shows in the window the
// scanner is sent when the scan starts.
TEST_F(CapabilitySetTest, BrightnessAndThresholdAreStoredAsSent) {
    const TW_UINT16 one = TWON_ONEVALUE, en = TWON_ENUMERATION;
    const struct {
        TW_UINT16 cap, conType;
        Bytes container;
        int32_t sent;
    } cases[] = {
        {ICAP_BRIGHTNESS, one, One(TWTY_FIX32, Fix32(20, 0)), 20},
        {ICAP_BRIGHTNESS, one, One(TWTY_FIX32, Fix32(-2, 32768)), -2},  // -1.5
        {ICAP_BRIGHTNESS, one, One(TWTY_INT16, 200), 200},              // out of range
        {ICAP_BRIGHTNESS, TWON_RANGE,
         RangeContainer(TWTY_FIX32, Fix32(30, 0), Fix32(50, 0), Fix32(1, 0), 0, 0), 30},
        {ICAP_BRIGHTNESS, en, EnumerationBytes32(TWTY_FIX32, 1, {Fix32(10, 0), Fix32(25, 0x8000)}),
         25},
        {ICAP_BRIGHTNESS, en, Enum({5, 15}, 1), 15},
        {ICAP_THRESHOLD, one, One(TWTY_FIX32, Fix32(127, 49152)), 127},  // 127.75
        {ICAP_THRESHOLD, one, One(TWTY_FIX32, 0), 0},                    // adaptive
        {ICAP_THRESHOLD, one, One(TWTY_INT16, 300), 300},                // out of range
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("cap " + std::to_string(c.cap) + ", " + std::to_string(c.sent));
        const DeviceLog log(DeviceLog::TemporaryPath("dunmere_capability_set_tone.log"));
        Reload();
        Open();
        const ReadBack before = ReadNegotiated();
        TrackingGlobalMemory::Install();
        EXPECT_EQ(TWRC_SUCCESS, Set(c.cap, c.conType, c.container));
        EXPECT_EQ(0, TrackingGlobalMemory::LiveBlocks());
        EXPECT_EQ(before, ReadNegotiated());
        TW_USERINTERFACE ui = {FALSE, FALSE, nullptr};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
        EXPECT_EQ(TWRC_SUCCESS, TakeMemoryBlock(4800));
        EXPECT_EQ(std::to_string(c.sent),
                  log.SentWindowField(c.cap == ICAP_BRIGHTNESS ? "Brightness" : "Threshold"));
    }
}

TEST_F(CapabilitySetTest, NegotiatedValuesAreReportedBack) {
    Open();
    Reply reply;
    ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY));
    ASSERT_EQ(TWRC_SUCCESS, Query(MSG_GETCURRENT, ICAP_PIXELTYPE, &reply));
    EXPECT_EQ(OneValueReply(TWTY_UINT16, TWPT_GRAY), reply);
    ASSERT_EQ(TWRC_SUCCESS, Query(MSG_GET, ICAP_PIXELTYPE, &reply));
    EXPECT_EQ(1u, reply.CurrentIndex);

    ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY));
    ASSERT_EQ(TWRC_SUCCESS, Query(MSG_GET, ICAP_XFERMECH, &reply));
    EXPECT_EQ(1u, reply.CurrentIndex);

    ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_PALETTE));
    ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_BITDEPTH, TWTY_UINT16, 4));
    ASSERT_EQ(TWRC_SUCCESS, Query(MSG_GET, ICAP_BITDEPTH, &reply));
    EXPECT_EQ(EnumerationReply({8, 4}, 1, 0), reply);
    ASSERT_EQ(TWRC_SUCCESS, Query(MSG_RESET, ICAP_BITDEPTH, &reply));
    EXPECT_EQ(OneValueReply(TWTY_UINT16, 8), reply);
    ASSERT_EQ(TWRC_SUCCESS, Query(MSG_GET, ICAP_BITDEPTH, &reply));
    EXPECT_EQ(0u, reply.CurrentIndex);

    ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_XRESOLUTION, TWTY_UINT16, 360));
    ASSERT_EQ(TWRC_SUCCESS, Query(MSG_GET, ICAP_XRESOLUTION, &reply));
    EXPECT_EQ(6u, reply.CurrentIndex);  // 350 on the QD120's list
}
