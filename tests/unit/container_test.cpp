// The containers as bytes in global memory, and what happens when a container
// cannot be allocated.
#include <string>
#include <vector>

#include "tests/support/capability_containers.h"
#include "tests/support/tracking_global_memory.h"
#include "tests/support/twain2_manager.h"

namespace {

class ContainerTest : public CapabilityTest {
protected:
    void SetUp() override {
        CapabilityTest::SetUp();
        Open();
    }

    // Sends a query and returns the record as the source left it.
    TW_CAPABILITY Ask(TW_UINT16 msg, TW_UINT16 cap, TW_UINT16* result = nullptr) {
        TW_CAPABILITY capability = {cap, TWON_DONTCARE16, nullptr};
        TW_UINT16 rc = Call(DG_CONTROL, DAT_CAPABILITY, msg, &capability);
        if (result) *result = rc;
        return capability;
    }
};

Bytes Le16(TW_UINT16 v) {
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
}
Bytes Le32(TW_UINT32 v) {
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}
Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

}  // namespace

TEST_F(ContainerTest, OneValueBytes) {
    const struct {
        TW_UINT16 msg, cap;
        Bytes expected;
    } cases[] = {
        {MSG_GET, CAP_UICONTROLLABLE, Concat({Le16(TWTY_BOOL), Le32(1)})},
        {MSG_GETCURRENT, ICAP_XRESOLUTION, Concat({Le16(TWTY_UINT16), Le32(400)})},
        {MSG_GET, CAP_XFERCOUNT, Concat({Le16(TWTY_INT16), Le32(1)})},
        // 39.375 inches on the default QD120.
        {MSG_GET, ICAP_PHYSICALWIDTH, Concat({Le16(TWTY_FIX32), Le16(39), Le16(24576)})},
    };
    for (const auto& c : cases) {
        TW_CAPABILITY capability = Ask(c.msg, c.cap);
        ASSERT_EQ(TWON_ONEVALUE, capability.ConType);
        EXPECT_EQ(c.expected, BlockBytes(capability.hContainer)) << "cap " << c.cap;
        EXPECT_EQ(0u, LockCount(capability.hContainer));
        GlobalFree(capability.hContainer);
    }
}

TEST_F(ContainerTest, EnumerationOfTwoItemsTakesNineteenBytes) {
    ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY));
    TW_CAPABILITY capability = Ask(MSG_GET, ICAP_XFERMECH);
    ASSERT_EQ(TWON_ENUMERATION, capability.ConType);
    Bytes expected = Concat({Le16(TWTY_UINT16), Le32(2), Le32(1), Le32(0), Le16(TWSX_NATIVE),
                             Le16(TWSX_MEMORY), Bytes{0}});
    EXPECT_EQ(expected, BlockBytes(capability.hContainer));
    // Movable: the handle is not the block's address, and it is handed over unlocked.
    void* address = GlobalLock(capability.hContainer);
    EXPECT_NE(address, static_cast<void*>(capability.hContainer));
    GlobalUnlock(capability.hContainer);
    EXPECT_EQ(0u, LockCount(capability.hContainer));
    GlobalFree(capability.hContainer);
}

TEST_F(ContainerTest, SupportedCapsIsAFixedZeroFilledBlockOfThirtySixBytes) {
    const TW_UINT16 caps[] = {CAP_XFERCOUNT,      CAP_SUPPORTEDCAPS, CAP_UICONTROLLABLE,
                              ICAP_COMPRESSION,   ICAP_PLANARCHUNKY, ICAP_PHYSICALHEIGHT,
                              ICAP_PHYSICALWIDTH, ICAP_PIXELFLAVOR,  ICAP_BITDEPTH,
                              ICAP_BITORDER,      ICAP_PIXELTYPE,    ICAP_UNITS,
                              ICAP_XFERMECH,      ICAP_XRESOLUTION,  ICAP_YRESOLUTION};
    Bytes expected = Concat({Le16(TWTY_UINT16), Le32(15)});
    for (TW_UINT16 cap : caps)
        expected = Concat({expected, Le16(cap)});
    ASSERT_EQ(36u, expected.size());

    TW_CAPABILITY capability = Ask(MSG_GET, CAP_SUPPORTEDCAPS);
    ASSERT_EQ(TWON_ARRAY, capability.ConType);
    EXPECT_EQ(expected, BlockBytes(capability.hContainer));
    // Fixed: the handle is the block's address.
    EXPECT_EQ(static_cast<void*>(capability.hContainer), GlobalLock(capability.hContainer));
    GlobalUnlock(capability.hContainer);
    GlobalFree(capability.hContainer);
}

// A TWAIN 2 application's resolutions are TW_FIX32: four bytes an entry, in the
// same layout as the two-byte entries above.
TEST_F(ContainerTest, EnumerationHoldsItsItemsAtTheirWidth) {
    Reload();
    App = FakeTwain2Manager::Twain2Application(17);
    Open();
    ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_XRESOLUTION, TWTY_FIX32, Fix32Item(300, 0)));
    TW_CAPABILITY capability = Ask(MSG_GET, ICAP_XRESOLUTION);
    ASSERT_EQ(TWON_ENUMERATION, capability.ConType);
    // Every resolution the QD120 scans, with 300 and the default 400 at their places.
    std::vector<TW_UINT16> dpi;
    for (TW_UINT16 d = 50; d <= 400; ++d)
        dpi.push_back(d);
    dpi.push_back(600);
    dpi.push_back(800);
    Bytes expected =
        Concat({Le16(TWTY_FIX32), Le32(static_cast<TW_UINT32>(dpi.size())), Le32(250), Le32(350)});
    for (TW_UINT16 entry : dpi)
        expected = Concat({expected, Le32(Fix32Item(static_cast<int16_t>(entry), 0))});
    expected.push_back(0);  // the spare byte
    EXPECT_EQ(expected, BlockBytes(capability.hContainer));
    GlobalFree(capability.hContainer);
}

// Each builder, for a block that cannot be allocated and for one that cannot be
// locked: TWCC_LOWMEMORY, a null handle, and no block left behind.
TEST_F(ContainerTest, ContainerThatCannotBeBuiltIsLowMemory) {
    const struct {
        TW_UINT16 cap;
        const char* builder;
    } cases[] = {{CAP_XFERCOUNT, "one value"},
                 {ICAP_PIXELTYPE, "enumeration"},
                 {CAP_SUPPORTEDCAPS, "supported caps"}};
    for (bool failLock : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.builder) +
                         (failLock ? ", lock fails" : ", allocation fails"));
            FailingGlobalMemory::Restore();
            if (failLock)
                FailingGlobalMemory::FailLocks();
            else
                FailingGlobalMemory::FailAllocation(1);
            TrackingGlobalMemory::Install();
            HGLOBAL stale = GlobalAlloc(GMEM_MOVEABLE, 8);
            TW_CAPABILITY capability = {c.cap, TWON_DONTCARE16, stale};
            EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &capability));
            EXPECT_EQ(nullptr, capability.hContainer);
            EXPECT_EQ(0, TrackingGlobalMemory::LiveBlocks());
            EXPECT_EQ(TWCC_LOWMEMORY, Status());
            EXPECT_EQ(8u, GlobalSize(stale));  // the application's old block is untouched
            GlobalFree(stale);
        }
    }
}

// A reset whose reply cannot be built fails as a whole: the parameters stay.
TEST_F(ContainerTest, ResetThatCannotAnswerChangesNothing) {
    ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_PALETTE));
    ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_BITDEPTH, TWTY_UINT16, 4));
    ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_XRESOLUTION, TWTY_UINT16, 300));
    ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_YRESOLUTION, TWTY_UINT16, 200));
    ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY));
    const ReadBack before = ReadNegotiated();
    FailingGlobalMemory::FailLocks();
    for (TW_UINT16 cap :
         {ICAP_PIXELTYPE, ICAP_BITDEPTH, ICAP_XRESOLUTION, ICAP_YRESOLUTION, ICAP_XFERMECH}) {
        TW_CAPABILITY capability = {cap, TWON_DONTCARE16, nullptr};
        EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_CAPABILITY, MSG_RESET, &capability));
        EXPECT_EQ(TWCC_LOWMEMORY, Status());
    }
    FailingGlobalMemory::Restore();
    EXPECT_EQ((ReadBack{TWPT_PALETTE, 4, 300, 200, 1}), before);
    EXPECT_EQ(before, ReadNegotiated());

    EXPECT_EQ(TWRC_SUCCESS, Query(MSG_RESET, ICAP_PIXELTYPE));
    EXPECT_EQ(TWPT_RGB, CurrentItem(ICAP_PIXELTYPE));
    EXPECT_EQ(24u, CurrentItem(ICAP_BITDEPTH));
}
