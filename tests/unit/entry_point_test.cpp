// DS_Entry: event filtering, identity, open and close, and the two condition codes.
#include <cstring>

#include "source/twain_source.h"
#include "tests/support/source_fixture.h"

using EntryPointTest = SourceTest;

TEST_F(EntryPointTest, ProcessEventIsNeverASourceEvent) {
    TW_EVENT event = {nullptr, 0x1234};
    for (TW_UINT32 dg : {DG_CONTROL, DG_IMAGE, 0x77UL}) {
        event.TWMessage = 0x1234;
        EXPECT_EQ(TWRC_NOTDSEVENT, Call(dg, DAT_EVENT, MSG_PROCESSEVENT, &event));
        EXPECT_EQ(MSG_NULL, event.TWMessage);
    }
    EXPECT_EQ(TWRC_NOTDSEVENT, DS_Entry(nullptr, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event));
    EXPECT_EQ(StateClosed, Source().State);
}

TEST_F(EntryPointTest, IdentityBeforeOpenIsTheInitialOne) {
    TW_IDENTITY identity;
    std::memset(&identity, 0x55, sizeof identity);
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity));
    EXPECT_EQ(0u, identity.Id);
    EXPECT_EQ(1, identity.Version.MajorNum);
    EXPECT_EQ(9, identity.Version.MinorNum);
    EXPECT_EQ(TWLG_ENGLISH, identity.Version.Language);
    EXPECT_EQ(44, identity.Version.Country);
    EXPECT_STREQ("TwainSource", identity.Version.Info);
    EXPECT_EQ(1, identity.ProtocolMajor);
    EXPECT_EQ(6, identity.ProtocolMinor);
    EXPECT_EQ(3u, identity.SupportedGroups);
    EXPECT_STREQ("Halvard Ltd.", identity.Manufacturer);
    EXPECT_STREQ("Scanners", identity.ProductFamily);
    EXPECT_STREQ("Halvard TWAIN Driver", identity.ProductName);
    // The unused tail of each text field is zero.
    EXPECT_EQ(0, identity.Manufacturer[33]);
}
