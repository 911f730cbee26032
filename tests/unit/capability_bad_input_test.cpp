// Capability requests an application gets wrong: no record, no container, a block
// that is not what its header says, an unknown container type, a current entry
// outside the list. Each is refused, changes nothing, and leaves the application's
// block as it was and the application's to free.
#include <memory>
#include <string>
#include <vector>

#include "tests/support/capability_containers.h"
#include "tests/support/device_log.h"
#include "tests/support/tracking_global_memory.h"

namespace {

const TW_UINT16 SettableCaps[] = {CAP_XFERCOUNT,    ICAP_PIXELTYPE,  ICAP_UNITS,
                                  ICAP_XFERMECH,    ICAP_BRIGHTNESS, ICAP_XRESOLUTION,
                                  ICAP_YRESOLUTION, ICAP_BITORDER,   ICAP_PIXELFLAVOR,
                                  ICAP_THRESHOLD,   ICAP_BITDEPTH};

class CapabilityBadInputTest : public CapabilityTest {
protected:
    void SetUp() override {
        CapabilityTest::SetUp();
        log_ = std::make_unique<DeviceLog>(
            DeviceLog::TemporaryPath("dunmere_capability_bad_input.log"));
        Reload();
        Open();
        // Parameters away from the defaults, so that a stray write would show; any
        // mechanism but a file is taken as it comes.
        ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_PALETTE));
        ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_BITDEPTH, TWTY_UINT16, 4));
        ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_XRESOLUTION, TWTY_UINT16, 150));
        ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_BRIGHTNESS, TWTY_INT16, 33));
        ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_THRESHOLD, TWTY_INT16, 77));
        ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_XFERMECH, TWTY_UINT16, 9));
    }

    // MSG_SET of this container to the capability must fail with the code and
    // touch neither the parameters nor the block (Set checks the block).
    void ExpectRefused(TW_UINT16 cap, TW_UINT16 conType, const Bytes& container,
                       TW_UINT16 conditionCode, bool failLocks = false) {
        const ReadBack before = ReadNegotiated();
        if (failLocks) FailingGlobalMemory::FailLocks();
        TrackingGlobalMemory::Install();
        EXPECT_EQ(TWRC_FAILURE, Set(cap, conType, container));
        EXPECT_EQ(conditionCode, Status());
        EXPECT_EQ(0, TrackingGlobalMemory::Frees);
        EXPECT_EQ(0, TrackingGlobalMemory::Allocations);
        EXPECT_EQ(0, TrackingGlobalMemory::HeldLocks());
        // Nothing was locked, so nothing may be unlocked either.
        EXPECT_TRUE(!failLocks || TrackingGlobalMemory::Unlocks == 0);
        FailingGlobalMemory::Restore();
        EXPECT_EQ(before, ReadNegotiated());
    }

    // Brightness and threshold cannot be read back: the scan shows them unchanged.
    void TearDown() override {
        TW_USERINTERFACE ui = {FALSE, FALSE, nullptr};
        EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
        EXPECT_EQ(TWRC_SUCCESS, TakeMemoryBlock(4800));
        EXPECT_EQ("33", log_->SentWindowField("Brightness"));
        EXPECT_EQ("77", log_->SentWindowField("Threshold"));
        CapabilityTest::TearDown();
        log_.reset();
    }

    std::unique_ptr<DeviceLog> log_;
};

}  // namespace

TEST_F(CapabilityBadInputTest, NoCapabilityRecord) {
    const ReadBack before = ReadNegotiated();
    for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT, MSG_SET, MSG_RESET}) {
        EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_CAPABILITY, msg, nullptr)) << msg;
        EXPECT_EQ(TWCC_BADVALUE, Status()) << msg;
    }
    EXPECT_EQ(before, ReadNegotiated());
}

TEST_F(CapabilityBadInputTest, NoContainer) {
    const ReadBack before = ReadNegotiated();
    for (TW_UINT16 cap : SettableCaps) {
        for (TW_UINT16 conType : {TWON_ONEVALUE, TWON_ENUMERATION}) {
            TW_CAPABILITY capability = {cap, conType, nullptr};
            EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability));
            EXPECT_EQ(TWCC_BADVALUE, Status()) << "cap " << cap;
            EXPECT_EQ(nullptr, capability.hContainer);
        }
    }
    EXPECT_EQ(before, ReadNegotiated());
}

TEST_F(CapabilityBadInputTest, ContainerThatCannotBeLocked) {
    for (TW_UINT16 cap : SettableCaps) {
        SCOPED_TRACE("cap " + std::to_string(cap));
        ExpectRefused(cap, TWON_ONEVALUE, OneValueContainer(TWTY_UINT16, 1), TWCC_BADVALUE, true);
    }
}

TEST_F(CapabilityBadInputTest, EmptyBlock) {
    for (TW_UINT16 cap : SettableCaps)
        ExpectRefused(cap, TWON_ONEVALUE, Bytes(), TWCC_BADVALUE);
}

TEST_F(CapabilityBadInputTest, BlockSmallerThanItsHeaderSays) {
    Bytes oneValue = OneValueContainer(TWTY_UINT16, 300);
    Bytes shortOneValue(oneValue.begin(), oneValue.begin() + 4);
    Bytes range = RangeContainer(TWTY_UINT16, 1, 1, 1, 1, 1);
    Bytes shortRange(range.begin(), range.begin() + 10);
    Bytes enumeration = EnumerationBytes(TWTY_UINT16, 2, 1, 0, {0, 2});
    Bytes shortHeader(enumeration.begin(), enumeration.begin() + 10);
    const struct {
        const char* what;
        TW_UINT16 cap;
        TW_UINT16 conType;
        Bytes container;
    } cases[] = {
        {"one value of 4 bytes", ICAP_XRESOLUTION, TWON_ONEVALUE, shortOneValue},
        {"one value of 4 bytes", CAP_XFERCOUNT, TWON_ONEVALUE, shortOneValue},
        {"range of 10 bytes", CAP_XFERCOUNT, TWON_RANGE, shortRange},
        {"range of 10 bytes", ICAP_BRIGHTNESS, TWON_RANGE, shortRange},
        {"enumeration header of 10 bytes", ICAP_PIXELTYPE, TWON_ENUMERATION, shortHeader},
        {"3 entries announced, 2 present", ICAP_PIXELTYPE, TWON_ENUMERATION,
         EnumerationBytes(TWTY_UINT16, 3, 0, 0, {0, 1})},
        {"3 entries announced, 2 present", ICAP_XFERMECH, TWON_ENUMERATION,
         EnumerationBytes(TWTY_UINT16, 3, 0, 0, {0, 2})},
        {"3 entries announced, 2 present", ICAP_BITDEPTH, TWON_ENUMERATION,
         EnumerationBytes(TWTY_UINT16, 3, 0, 0, {8, 4})},
        // 2 x 0x80000001 wraps to 2 in 32 bits.
        {"count that wraps", ICAP_BITDEPTH, TWON_ENUMERATION,
         EnumerationBytes(TWTY_UINT16, 0x80000001, 0, 0, {4, 8})},
        {"count that wraps", ICAP_XFERMECH, TWON_ENUMERATION,
         EnumerationBytes(TWTY_UINT16, 0xFFFFFFFF, 0, 0, {0, 2})},
        // Two 16-bit slots hold only one 32-bit entry.
        {"FIX32 entries", ICAP_XRESOLUTION, TWON_ENUMERATION,
         EnumerationBytes(TWTY_FIX32, 2, 1, 0, {300, 0})},
        {"array of 3 announced, 1 present", ICAP_BRIGHTNESS, TWON_ARRAY,
         Bytes{4, 0, 3, 0, 0, 0, 7, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.what) + ", cap " + std::to_string(c.cap));
        ExpectRefused(c.cap, c.conType, c.container, TWCC_BADVALUE);
    }
}

TEST_F(CapabilityBadInputTest, UnknownContainerType) {
    Bytes container = OneValueContainer(TWTY_UINT16, 1);
    for (TW_UINT16 conType : {0, 2, 7, 0xFFFF}) {
        for (TW_UINT16 cap : SettableCaps) {
            SCOPED_TRACE("ConType " + std::to_string(conType) + ", cap " + std::to_string(cap));
            // The pixel type takes only a one value or an enumeration, and calls any
            // other container a wrong capability.
            ExpectRefused(cap, conType, container,
                          cap == ICAP_PIXELTYPE ? TWCC_BADCAP : TWCC_BADVALUE);
        }
    }
}

TEST_F(CapabilityBadInputTest, CurrentEntryOutsideTheList) {
    const struct {
        TW_UINT16 cap;
        std::vector<TW_UINT16> items;
    } cases[] = {
        {ICAP_PIXELTYPE, {0, 1}},       {ICAP_XFERMECH, {0, 2}},   {ICAP_BITDEPTH, {8, 4}},
        {ICAP_XRESOLUTION, {100, 200}}, {ICAP_YRESOLUTION, {100}}, {ICAP_BRIGHTNESS, {5}},
        {ICAP_THRESHOLD, {5, 6}},       {ICAP_BITDEPTH, {}},
    };
    for (const auto& c : cases) {
        const TW_UINT32 count = static_cast<TW_UINT32>(c.items.size());
        for (TW_UINT32 current : {count, count + 1, TW_UINT32(0xFFFFFFFF)}) {
            SCOPED_TRACE("cap " + std::to_string(c.cap) + ", CurrentIndex " +
                         std::to_string(current));
            ExpectRefused(c.cap, TWON_ENUMERATION,
                          EnumerationBytes(TWTY_UINT16, count, current, 0, c.items), TWCC_BADVALUE);
        }
    }
}

// An application that keeps its container after a successful MSG_SET may use it
// again: it comes back unlocked and unchanged, and the source remembers nothing of it.
TEST_F(CapabilityBadInputTest, AcceptedContainerStaysTheApplications) {
    Bytes container = OneValueContainer(TWTY_UINT16, 250);
    HGLOBAL block = AppBlock(container);
    TrackingGlobalMemory::Install();
    for (TW_UINT16 cap : {ICAP_XRESOLUTION, ICAP_YRESOLUTION}) {
        TW_CAPABILITY capability = {cap, TWON_ONEVALUE, block};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability));
        EXPECT_EQ(block, capability.hContainer);
        EXPECT_EQ(0u, LockCount(block));
        EXPECT_EQ(container, BlockBytes(block));
    }
    EXPECT_EQ(0, TrackingGlobalMemory::Frees);
    EXPECT_EQ(TrackingGlobalMemory::Locks, TrackingGlobalMemory::Unlocks);
    EXPECT_EQ(250u, CurrentItem(ICAP_XRESOLUTION));
    EXPECT_EQ(250u, CurrentItem(ICAP_YRESOLUTION));
    // Freeing it afterwards changes nothing in the source.
    EXPECT_EQ(nullptr, GlobalFree(block));
    EXPECT_EQ(250u, CurrentItem(ICAP_XRESOLUTION));
}
