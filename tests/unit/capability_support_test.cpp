// What an application that speaks TWAIN 2 is promised, held against what it gets:
// for every capability CAP_SUPPORTEDCAPS lists, each message MSG_QUERYSUPPORT names
// is taken and each other one refused with TWCC_CAPBADOPERATION.
#include <gtest/gtest.h>

#include "tests/support/capability_containers.h"
#include "tests/support/twain2_manager.h"

namespace {

using CapabilitySupportTest = CapabilityTest;

TEST_F(CapabilitySupportTest, QuerySupportNamesTheMessagesTaken) {
    const struct {
        TW_UINT16 msg;
        TW_UINT32 flag;
    } messages[] = {{MSG_GET, TWQC_GET},
                    {MSG_GETCURRENT, TWQC_GETCURRENT},
                    {MSG_GETDEFAULT, TWQC_GETDEFAULT},
                    {MSG_RESET, TWQC_RESET},
                    {MSG_SET, TWQC_SET}};
    Reload();
    App = FakeTwain2Manager::Twain2Application(17);
    Open();
    Reply listed;
    ASSERT_EQ(TWRC_SUCCESS, Query(MSG_GET, CAP_SUPPORTEDCAPS, &listed));
    ASSERT_EQ(26u, listed.Items.size());
    for (TW_UINT16 cap : listed.Items) {
        Reply support;
        ASSERT_EQ(TWRC_SUCCESS, Query(MSG_QUERYSUPPORT, cap, &support));
        for (const auto& m : messages) {
            SCOPED_TRACE(::testing::Message()
                         << "cap 0x" << std::hex << cap << " message 0x" << m.msg);
            const TW_UINT16 result = Query(m.msg, cap);  // a set carries no valid container
            if ((support.Item & m.flag) == 0) {
                EXPECT_EQ(TWRC_FAILURE, result);
                EXPECT_EQ(TWCC_CAPBADOPERATION, Status());
            } else if (m.msg != MSG_SET) {
                EXPECT_EQ(TWRC_SUCCESS, result);
            } else if (result != TWRC_SUCCESS) {
                EXPECT_NE(TWCC_CAPBADOPERATION, Status());
            }
        }
    }
}

}  // namespace
