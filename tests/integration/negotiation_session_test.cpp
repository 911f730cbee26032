// Capability negotiation and the connection rules as an application sees them
// through Wine's Source Manager.
#include <gtest/gtest.h>

#include "tools/twain_capability.h"
#include "tools/twain_client.h"

TEST(NegotiationSession, CapabilitiesAreNegotiatedOnlyWhileOpen) {
    CTwainClient client;
    ASSERT_EQ(TWRC_SUCCESS, client.OpenManager());
    ASSERT_EQ(TWRC_SUCCESS, client.OpenSource());

    CapabilityValue supported;
    ASSERT_EQ(TWRC_SUCCESS, GetCapability(client, CAP_SUPPORTEDCAPS, MSG_GET, supported));
    EXPECT_EQ(TWON_ARRAY, supported.ConType);
    ASSERT_EQ(15u, supported.Items.size());
    EXPECT_EQ(CAP_XFERCOUNT, supported.Items.front());
    EXPECT_EQ(ICAP_YRESOLUTION, supported.Items.back());

    ASSERT_EQ(TWRC_SUCCESS, SetOneValue(client, ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY));
    ASSERT_EQ(TWRC_SUCCESS, SetOneValue(client, ICAP_XRESOLUTION, TWTY_UINT16, 200));
    CapabilityValue pixelType;
    ASSERT_EQ(TWRC_SUCCESS, GetCapability(client, ICAP_PIXELTYPE, MSG_GET, pixelType));
    EXPECT_EQ(TWON_ENUMERATION, pixelType.ConType);
    EXPECT_EQ(1u, pixelType.CurrentIndex);
    CapabilityValue bitDepth;
    ASSERT_EQ(TWRC_SUCCESS, GetCapability(client, ICAP_BITDEPTH, MSG_GETCURRENT, bitDepth));
    ASSERT_EQ(1u, bitDepth.Items.size());
    EXPECT_EQ(8u, bitDepth.Items[0]);
    CapabilityValue resolution;
    ASSERT_EQ(TWRC_SUCCESS, GetCapability(client, ICAP_XRESOLUTION, MSG_GETCURRENT, resolution));
    EXPECT_EQ(200u, resolution.Items.at(0));

    EXPECT_EQ(TWRC_FAILURE, SetOneValue(client, ICAP_XFERMECH, TWTY_UINT16, TWSX_FILE));
    EXPECT_EQ(TWCC_BADVALUE, client.SourceConditionCode());
    EXPECT_EQ(TWRC_FAILURE, GetCapability(client, ICAP_BRIGHTNESS, MSG_GET, resolution));
    EXPECT_EQ(TWCC_BADCAP, client.SourceConditionCode());

    // Once enabled (and the image announced) nothing may be set any more.
    ASSERT_EQ(TWRC_SUCCESS, client.Enable(false));
    EXPECT_EQ(MSG_XFERREADY, client.WaitForNotification(5000));
    EXPECT_EQ(TWRC_FAILURE, SetOneValue(client, ICAP_PIXELTYPE, TWTY_UINT16, TWPT_RGB));
    EXPECT_EQ(TWCC_SEQERROR, client.SourceConditionCode());
    ASSERT_EQ(TWRC_SUCCESS, GetCapability(client, ICAP_PIXELTYPE, MSG_GETCURRENT, pixelType));
    EXPECT_EQ(static_cast<TW_UINT32>(TWPT_GRAY), pixelType.Items.at(0));

    TW_UINT16 count = 1;
    EXPECT_EQ(TWRC_SUCCESS, client.EndTransfer(&count));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(TWRC_SUCCESS, client.Disable());
    // Back in state 4 negotiation is possible again.
    EXPECT_EQ(TWRC_SUCCESS, SetOneValue(client, ICAP_PIXELTYPE, TWTY_UINT16, TWPT_RGB));
    EXPECT_EQ(TWRC_SUCCESS, client.CloseSource());
    EXPECT_EQ(TWRC_SUCCESS, client.CloseManager());
}

TEST(NegotiationSession, EnabledSourceCannotBeClosed) {
    CTwainClient client;
    ASSERT_EQ(TWRC_SUCCESS, client.OpenManager());
    ASSERT_EQ(TWRC_SUCCESS, client.OpenSource());
    ASSERT_EQ(TWRC_SUCCESS, client.Enable(false));
    EXPECT_EQ(MSG_XFERREADY, client.WaitForNotification(5000));
    TW_UINT16 count = 1;
    ASSERT_EQ(TWRC_SUCCESS, client.EndTransfer(&count));

    TW_IDENTITY source = client.SourceIdentity();
    EXPECT_EQ(TWRC_FAILURE, client.ManagerEntry()(&client.AppIdentity(), &source, DG_CONTROL,
                                                  DAT_IDENTITY, MSG_CLOSEDS, &source));
    TW_STATUS status = {};
    ASSERT_EQ(TWRC_SUCCESS, client.ManagerEntry()(&client.AppIdentity(), &source, DG_CONTROL,
                                                  DAT_STATUS, MSG_GET, &status));
    EXPECT_EQ(TWCC_OPERATIONERROR, status.ConditionCode);
    EXPECT_EQ(TWRC_SUCCESS, client.Disable());
}
