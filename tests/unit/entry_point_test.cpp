// DS_Entry: event filtering, identity, open and close, and the two condition codes.
#include <cstring>

#include "source/twain_source.h"
#include "tests/support/source_fixture.h"

class EntryPointTest : public SourceTest {
protected:
    TW_PENDINGXFERS pendingStorage = {};
};

TEST_F(EntryPointTest, ProcessEventIsNeverASourceEvent) {
    TW_EVENT event = {nullptr, 0x1234};
    for (TW_UINT32 dg : {DG_CONTROL, DG_IMAGE, 0x77UL}) {
        event.TWMessage = 0x1234;
        EXPECT_EQ(TWRC_NOTDSEVENT, Call(dg, DAT_EVENT, MSG_PROCESSEVENT, &event));
        EXPECT_EQ(MSG_NULL, event.TWMessage);
    }
    EXPECT_EQ(TWRC_NOTDSEVENT, DS_Entry(nullptr, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event));
    EXPECT_EQ(TwainState::Closed, Source().Session().State());
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
    // Control and image, and DF_DS2: a TWAIN 2 Source Manager hands over its entry point.
    EXPECT_EQ(static_cast<TW_UINT32>(DG_CONTROL | DG_IMAGE | DF_DS2), identity.SupportedGroups);
    EXPECT_STREQ("Halvard Ltd.", identity.Manufacturer);
    EXPECT_STREQ("Scanners", identity.ProductFamily);
    EXPECT_STREQ("Halvard TWAIN Driver", identity.ProductName);
    // The unused tail of each text field is zero.
    EXPECT_EQ(0, identity.Manufacturer[33]);
}

TEST_F(EntryPointTest, OpenTakesTheManagersIdentityAndKeepsItAfterClose) {
    Open();
    EXPECT_EQ(TwainState::Open, Source().Session().State());
    TW_IDENTITY identity = {};
    // The connected application's own identity get is not one of its triplets.
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity));
    EXPECT_EQ(TWCC_BADPROTOCOL, Status());
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &SourceId));
    EXPECT_EQ(TWCC_BADPROTOCOL, Status());

    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
    EXPECT_EQ(TwainState::Closed, Source().Session().State());
    EXPECT_EQ(0u, Source().Session().AppIdentity().Id);
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity));
    EXPECT_EQ(SourceId.Id, identity.Id);
    EXPECT_STREQ(SourceId.ProductName, identity.ProductName);
}

TEST_F(EntryPointTest, SecondApplicationIsRefusedWithItsOwnConditionCode) {
    Open();
    TW_USERINTERFACE ui = {FALSE, FALSE, nullptr};
    FakeSourceManager::Answer = TWRC_FAILURE;
    ASSERT_EQ(TWRC_SUCCESS,
              Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));  // leaves BADDEST

    TW_IDENTITY other = MakeIdentity(99, "Other Application");
    EXPECT_EQ(TWRC_FAILURE, CallFrom(other, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &SourceId));
    EXPECT_EQ(TWCC_MAXCONNECTIONS, StatusOf(other));
    EXPECT_EQ(TWCC_SUCCESS, StatusOf(other));
    EXPECT_EQ(App.Id, Source().Session().AppIdentity().Id);
    EXPECT_EQ(TwainState::Enabled, Source().Session().State());
    EXPECT_EQ(TWCC_BADDEST, Status());

    // A caller that is not connected may only ask identity, open and status.
    TW_USERINTERFACE otherUi = {FALSE, FALSE, nullptr};
    EXPECT_EQ(TWRC_FAILURE,
              CallFrom(other, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &otherUi));
    EXPECT_EQ(TWRC_FAILURE, CallFrom(other, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, nullptr));
    TW_STATUS status = {};
    EXPECT_EQ(TWRC_FAILURE, CallFrom(other, DG_CONTROL, DAT_STATUS, MSG_SET, &status));
    EXPECT_EQ(TWCC_BADDEST, StatusOf(other));
    EXPECT_EQ(TwainState::Enabled, Source().Session().State());
    EXPECT_EQ(TWCC_SUCCESS, Status());
}

TEST_F(EntryPointTest, FirstStatusOfAStrangerReportsBadDestinationOnce) {
    TW_IDENTITY stranger = MakeIdentity(5, "Stranger");
    EXPECT_EQ(TWCC_BADDEST, StatusOf(stranger));
    EXPECT_EQ(TWCC_SUCCESS, StatusOf(stranger));
}

TEST_F(EntryPointTest, CloseOnlyFromOpenStateAndThenEveryoneMayOpen) {
    OpenAndEnable();
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pendingStorage));
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
    EXPECT_EQ(TWCC_OPERATIONERROR, Status());
    TW_USERINTERFACE ui = {FALSE, FALSE, nullptr};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui));
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));

    // The former application is now a stranger.
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_CAPABILITY, MSG_GET, nullptr));
    EXPECT_EQ(TWCC_BADDEST, Status());

    TW_IDENTITY other = MakeIdentity(99, "Other Application");
    EXPECT_EQ(TWRC_SUCCESS, CallFrom(other, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &SourceId));
    EXPECT_EQ(other.Id, Source().Session().AppIdentity().Id);
}

TEST_F(EntryPointTest, ConnectedStatusAcceptsAnyMessageAndClearsTheCode) {
    Open();
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_PARENT, MSG_GET, nullptr));
    TW_STATUS status = {};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_STATUS, MSG_SET, &status));
    EXPECT_EQ(TWCC_BADPROTOCOL, status.ConditionCode);
    EXPECT_EQ(TWCC_SUCCESS, Status());
}

TEST_F(EntryPointTest, ControlDispatchRefusesWhatItDoesNotOffer) {
    Open();
    struct Case {
        TW_UINT32 dg;
        TW_UINT16 dat;
        TW_UINT16 msg;
        TW_UINT16 code;
    };
    const Case cases[] = {
        {3, DAT_NULL, MSG_XFERREADY, TWCC_BADPROTOCOL},
        {DG_CONTROL | 0x10000, DAT_NULL, MSG_XFERREADY, TWCC_BADPROTOCOL},
        {DG_CONTROL, DAT_NULL, MSG_CLOSEDSREQ, TWCC_BADPROTOCOL},
        {DG_CONTROL, DAT_EVENT, MSG_GET, TWCC_SEQERROR},
        {DG_CONTROL, DAT_PARENT, MSG_OPENDSM, TWCC_BADPROTOCOL},
        {DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, TWCC_BADPROTOCOL},
        {DG_CONTROL, DAT_XFERGROUP, MSG_GET, TWCC_BADPROTOCOL},
        {DG_CONTROL, 0x7777, MSG_GET, TWCC_BADPROTOCOL},
        {DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDSUIONLY, TWCC_BADPROTOCOL},
        {DG_CONTROL, DAT_PENDINGXFERS, MSG_STOPFEEDER, TWCC_BADPROTOCOL},
        {DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, TWCC_BADPROTOCOL},
    };
    TW_UINT8 scratch[64] = {};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "dg " << c.dg << " dat " << c.dat << " msg " << c.msg);
        EXPECT_EQ(TWRC_FAILURE, Call(c.dg, c.dat, c.msg, scratch));
        EXPECT_EQ(c.code, Status());
        EXPECT_EQ(TwainState::Open, Source().Session().State());
    }
    // A transfer-ready notification sent back to the source changes nothing.
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_NULL, MSG_XFERREADY, nullptr));
    EXPECT_EQ(TwainState::Open, Source().Session().State());
}

TEST_F(EntryPointTest, NullPointersGetBadValueAndChangeNothing) {
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, nullptr));
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, nullptr));
    EXPECT_EQ(TwainState::Closed, Source().Session().State());
    EXPECT_EQ(TWRC_FAILURE, DS_Entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &SourceId));
    EXPECT_EQ(TwainState::Closed, Source().Session().State());
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_STATUS, MSG_GET, nullptr));
    EXPECT_EQ(TWCC_BADVALUE, StatusOf(App));

    Open();
    const TW_UINT16 dats[] = {DAT_STATUS, DAT_USERINTERFACE, DAT_PENDINGXFERS, DAT_SETUPMEMXFER};
    for (TW_UINT16 dat : dats) {
        TW_UINT16 msg = dat == DAT_USERINTERFACE ? MSG_ENABLEDS : MSG_GET;
        EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, dat, msg, nullptr)) << dat;
        EXPECT_EQ(TWCC_BADVALUE, Status()) << dat;
        EXPECT_EQ(TwainState::Open, Source().Session().State());
    }
}
