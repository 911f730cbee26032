// One whole session through Wine's Source Manager with the tools' TWAIN client:
// what every later integration test and twacquire rely on.
#include <gtest/gtest.h>

#include <cstring>

#include "tools/twain_client.h"

TEST(TwainClientSession, OpenEnableNotifyEndDisableClose) {
    CTwainClient client;
    ASSERT_EQ(TWRC_SUCCESS, client.OpenManager());
    ASSERT_EQ(TWRC_SUCCESS, client.OpenSource());

    const TW_IDENTITY& source = client.SourceIdentity();
    EXPECT_STREQ(HalvardProductName, source.ProductName);
    EXPECT_STREQ("Halvard Ltd.", source.Manufacturer);
    EXPECT_STREQ("Scanners", source.ProductFamily);
    EXPECT_EQ(1u, source.Version.MajorNum);
    EXPECT_EQ(9u, source.Version.MinorNum);
    EXPECT_EQ(1u, source.ProtocolMajor);
    EXPECT_EQ(6u, source.ProtocolMinor);
    EXPECT_EQ(static_cast<TW_UINT32>(DG_CONTROL | DG_IMAGE | DF_DS2), source.SupportedGroups);
    EXPECT_EQ(TWCC_SUCCESS, client.SourceConditionCode());

    // Nothing is announced before the source is enabled.
    EXPECT_EQ(MSG_NULL, client.WaitForNotification(100));

    ASSERT_EQ(TWRC_SUCCESS, client.Enable(false));
    EXPECT_EQ(MSG_XFERREADY, client.WaitForNotification(5000));
    // The copies Wine posted to the other windows carry no second notification.
    EXPECT_EQ(MSG_NULL, client.WaitForNotification(200));

    TW_UINT16 count = 1;
    EXPECT_EQ(TWRC_SUCCESS, client.EndTransfer(&count));
    EXPECT_EQ(0u, count);
    // State 5 again: a second end is out of sequence, and says so.
    EXPECT_EQ(TWRC_FAILURE, client.EndTransfer());
    EXPECT_EQ(TWCC_SEQERROR, client.SourceConditionCode());

    EXPECT_EQ(TWRC_SUCCESS, client.Disable());
    EXPECT_EQ(TWRC_SUCCESS, client.CloseSource());
    EXPECT_EQ(TWRC_SUCCESS, client.CloseManager());
    EXPECT_EQ(TWCC_SUCCESS, client.ManagerConditionCode());
}

TEST(TwainClientSession, UnknownProductNameIsNotOpened) {
    CTwainClient client;
    ASSERT_EQ(TWRC_SUCCESS, client.OpenManager());
    EXPECT_EQ(TWRC_FAILURE, client.OpenSource("No Such Scanner"));
    EXPECT_EQ(TWCC_NODS, client.LastClientCondition());
    EXPECT_FALSE(client.SourceOpen());
    EXPECT_EQ(TWRC_SUCCESS, client.CloseManager());
}
