// A source opened directly, not through the Source Manager, is unknown to it: the
// Source Manager refuses its transfer-ready notification. The source must then stay
// enabled and report TWCC_BADDEST, with Wine's real twain_32.dll on the other side.
#include <gtest/gtest.h>

#include "platform/twain.h"
#include "twain/identity.h"

TEST(RefusedNotificationTest, SourceOpenedBehindTheManagersBackStaysEnabled) {
    HMODULE manager = LoadLibraryA("TWAIN_32.DLL");
    ASSERT_NE(nullptr, manager);
    auto dsmEntry = reinterpret_cast<DSMENTRYPROC>(GetProcAddress(manager, "DSM_Entry"));
    ASSERT_NE(nullptr, dsmEntry);
    HWND window =
        CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    TW_IDENTITY app = MakeIdentity(4242, "Refusal Test");
    ASSERT_EQ(TWRC_SUCCESS, dsmEntry(&app, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &window));

    HMODULE source = LoadLibraryA("dunmere.ds");
    ASSERT_NE(nullptr, source);
    auto dsEntry = reinterpret_cast<DSENTRYPROC>(GetProcAddress(source, "DS_Entry"));
    ASSERT_NE(nullptr, dsEntry);

    TW_IDENTITY sourceIdentity = MakeIdentity(777, "Halvard TWAIN Driver");
    ASSERT_EQ(TWRC_SUCCESS, dsEntry(&app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &sourceIdentity));
    TW_USERINTERFACE ui = {FALSE, FALSE, window};
    EXPECT_EQ(TWRC_SUCCESS, dsEntry(&app, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));

    TW_STATUS status = {};
    ASSERT_EQ(TWRC_SUCCESS, dsEntry(&app, DG_CONTROL, DAT_STATUS, MSG_GET, &status));
    EXPECT_EQ(TWCC_BADDEST, status.ConditionCode);
    // Still enabled (state 5): disabling is accepted, ending a transfer is not.
    TW_PENDINGXFERS pending = {};
    EXPECT_EQ(TWRC_FAILURE, dsEntry(&app, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
    EXPECT_EQ(TWRC_SUCCESS, dsEntry(&app, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui));
    EXPECT_EQ(TWRC_SUCCESS, dsEntry(&app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));

    FreeLibrary(source);
    EXPECT_EQ(TWRC_SUCCESS, dsmEntry(&app, nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &window));
    DestroyWindow(window);
    FreeLibrary(manager);
}
