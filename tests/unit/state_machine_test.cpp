// States 4 to 7: enable and disable, pending transfers, memory set-up, and the two
// notifications through the Source Manager.
#include "source/twain_source.h"
#include "tests/support/source_fixture.h"

namespace {

class StateMachineTest : public SourceTest {
protected:
    // Puts an open source into the given state as an application does: a refused
    // notification leaves it enabled (5), an accepted one ready (6), and one block
    // of a memory transfer that leaves most of the image to come transferring (7).
    void EnterState(TwainState state) {
        Open();
        if (state == TwainState::Open) return;
        if (state == TwainState::Transferring) {
            ASSERT_EQ(TWRC_SUCCESS, SetCapability(ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY));
        }
        FakeSourceManager::Answer = state == TwainState::Enabled ? TWRC_FAILURE : TWRC_SUCCESS;
        TW_USERINTERFACE ui = {FALSE, FALSE, nullptr};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
        Status();
        FakeSourceManager::Answer = TWRC_SUCCESS;
        if (state == TwainState::Transferring) {
            ASSERT_EQ(TWRC_SUCCESS, TakeMemoryBlock(4800));
        }
        ASSERT_EQ(state, Source().Session().State());
    }

    TW_UINT16 UserInterface(TW_UINT16 msg, TW_BOOL showUI = FALSE) {
        TW_USERINTERFACE ui = {showUI, TRUE, nullptr};
        return Call(DG_CONTROL, DAT_USERINTERFACE, msg, &ui);
    }
};

const TwainState OpenStates[] = {TwainState::Open, TwainState::Enabled, TwainState::TransferReady,
                                 TwainState::Transferring};

}  // namespace

TEST_F(StateMachineTest, EnableWithoutInterfaceAnnouncesTheTransferAtOnce) {
    Open();
    ASSERT_EQ(TWRC_SUCCESS, SetCapability(ICAP_XRESOLUTION, TWTY_UINT16, 150));
    TW_USERINTERFACE ui = {FALSE, TRUE, nullptr};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    EXPECT_EQ(TwainState::TransferReady, Source().Session().State());
    EXPECT_EQ(TRUE, ui.ModalUI);  // not written on this path
    EXPECT_EQ(1, FakeSourceManager::Calls);
    EXPECT_EQ(MSG_XFERREADY, FakeSourceManager::LastMessage);
    EXPECT_EQ(SourceId.Id, FakeSourceManager::LastOrigin.Id);
    EXPECT_EQ(App.Id, FakeSourceManager::LastDestination.Id);
    EXPECT_EQ(150u, CurrentItem(ICAP_XRESOLUTION));  // stored settings are not loaded
    EXPECT_EQ(TWCC_SUCCESS, Status());
}

TEST_F(StateMachineTest, RefusedOrUnreachableNotificationLeavesTheSourceEnabled) {
    for (bool missing : {false, true}) {
        SCOPED_TRACE(missing ? "no Source Manager" : "notification refused");
        Reload();
        FakeSourceManager::Missing = missing;
        FakeSourceManager::Answer = TWRC_FAILURE;
        Open();
        EXPECT_EQ(TWRC_SUCCESS, UserInterface(MSG_ENABLEDS));
        EXPECT_EQ(TwainState::Enabled, Source().Session().State());
        EXPECT_EQ(TWCC_BADDEST, Status());
    }
}

TEST_F(StateMachineTest, EnableWithInterfaceStaysEnabledAndIsModeless) {
    Open();
    TW_USERINTERFACE ui = {TRUE, TRUE, nullptr};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    EXPECT_EQ(FALSE, ui.ModalUI);
    EXPECT_EQ(TwainState::Enabled, Source().Session().State());
    EXPECT_EQ(0, FakeSourceManager::Calls);
    EXPECT_EQ(TWRC_FAILURE, UserInterface(MSG_ENABLEDS, TRUE));
    EXPECT_EQ(TWCC_SEQERROR, Status());
    EXPECT_EQ(TWRC_SUCCESS, UserInterface(MSG_DISABLEDS));
    EXPECT_EQ(TwainState::Open, Source().Session().State());
    EXPECT_EQ(nullptr, Source().DialogWindow());
}

TEST_F(StateMachineTest, EnableAndDisableOnlyFromTheirStates) {
    for (TwainState state : OpenStates) {
        SCOPED_TRACE(state);
        Reload();
        EnterState(state);
        TW_UINT16 enable = UserInterface(MSG_ENABLEDS);
        if (state == TwainState::Open) {
            EXPECT_EQ(TWRC_SUCCESS, enable);
        } else {
            EXPECT_EQ(TWRC_FAILURE, enable);
            EXPECT_EQ(TWCC_SEQERROR, Status());
            EXPECT_EQ(state, Source().Session().State());
        }

        Reload();
        EnterState(state);
        TW_UINT16 disable = UserInterface(MSG_DISABLEDS);
        if (state == TwainState::Enabled) {
            EXPECT_EQ(TWRC_SUCCESS, disable);
            EXPECT_EQ(TwainState::Open, Source().Session().State());
        } else {
            EXPECT_EQ(TWRC_FAILURE, disable);
            EXPECT_EQ(TWCC_SEQERROR, Status());
            EXPECT_EQ(state, Source().Session().State());
        }
    }
}

TEST_F(StateMachineTest, PendingTransfersByState) {
    struct Expectation {
        TW_UINT16 msg;
        bool accepted[4];  // in states 4, 5, 6, 7
        TW_UINT16 count;
    };
    const Expectation expectations[] = {
        {MSG_GET, {true, true, true, true}, 0xFFFF},
        {MSG_ENDXFER, {false, false, true, true}, 0},
        {MSG_RESET, {false, false, true, false}, 0},
    };
    for (const Expectation& e : expectations) {
        for (int i = 0; i < 4; ++i) {
            const TwainState state = OpenStates[i];
            SCOPED_TRACE(testing::Message() << "message " << e.msg << " in state " << state);
            Reload();
            EnterState(state);
            TW_PENDINGXFERS pending = {0x1234, 0x55667788};
            TW_UINT16 result = Call(DG_CONTROL, DAT_PENDINGXFERS, e.msg, &pending);
            if (e.accepted[i]) {
                EXPECT_EQ(TWRC_SUCCESS, result);
                EXPECT_EQ(e.count, pending.Count);
                EXPECT_EQ(0x55667788u, pending.Reserved);
                EXPECT_EQ(e.msg == MSG_GET ? state : TwainState::Enabled,
                          Source().Session().State());
            } else {
                EXPECT_EQ(TWRC_FAILURE, result);
                EXPECT_EQ(TWCC_SEQERROR, Status());
                EXPECT_EQ(0x1234, pending.Count);
                EXPECT_EQ(state, Source().Session().State());
            }
        }
    }
}

TEST_F(StateMachineTest, MemorySetupIsFixedAndRefusedWhileTransferring) {
    for (TwainState state : OpenStates) {
        SCOPED_TRACE(state);
        Reload();
        EnterState(state);
        TW_SETUPMEMXFER setup = {1, 2, 3};
        TW_UINT16 result = Call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GETDEFAULT, &setup);
        if (state == TwainState::Transferring) {
            EXPECT_EQ(TWRC_FAILURE, result);
            EXPECT_EQ(TWCC_SEQERROR, Status());
            EXPECT_EQ(1u, setup.MinBufSize);
        } else {
            EXPECT_EQ(TWRC_SUCCESS, result);
            EXPECT_EQ(0xFFFFFFFFu, setup.MinBufSize);
            EXPECT_EQ(4194304u, setup.MaxBufSize);
            EXPECT_EQ(65536u, setup.Preferred);
        }
    }
}

TEST_F(StateMachineTest, EventsOnlyWhileEnabled) {
    for (TwainState state : OpenStates) {
        SCOPED_TRACE(state);
        Reload();
        EnterState(state);
        TW_EVENT event = {nullptr, 0};
        TW_UINT16 result = Call(DG_CONTROL, DAT_EVENT, MSG_GET, &event);
        if (state == TwainState::Open) {
            EXPECT_EQ(TWRC_FAILURE, result);
            EXPECT_EQ(TWCC_SEQERROR, Status());
        } else {
            EXPECT_EQ(TWRC_NOTDSEVENT, result);
        }
    }
}

TEST_F(StateMachineTest, CloseRequestReturnsToEnabledWhenAccepted) {
    EXPECT_FALSE(Source().SendCloseRequest());  // nobody connected
    EnterState(TwainState::Open);
    EXPECT_FALSE(Source().SendCloseRequest());
    EXPECT_EQ(0, FakeSourceManager::Calls);

    for (TwainState state :
         {TwainState::Enabled, TwainState::TransferReady, TwainState::Transferring}) {
        SCOPED_TRACE(state);
        Reload();
        EnterState(state);
        FakeSourceManager::Calls = 0;
        FakeSourceManager::Answer = TWRC_FAILURE;
        EXPECT_FALSE(Source().SendCloseRequest());
        EXPECT_EQ(state, Source().Session().State());
        EXPECT_EQ(TWCC_SUCCESS, Status());  // a refused close request sets no code

        FakeSourceManager::Answer = TWRC_SUCCESS;
        EXPECT_TRUE(Source().SendCloseRequest());
        EXPECT_EQ(MSG_CLOSEDSREQ, FakeSourceManager::LastMessage);
        EXPECT_EQ(2, FakeSourceManager::Calls);
        EXPECT_EQ(TwainState::Enabled, Source().Session().State());
    }
}

TEST_F(StateMachineTest, TransferReadyOnlyFromEnabled) {
    EnterState(TwainState::TransferReady);
    FakeSourceManager::Calls = 0;
    EXPECT_EQ(TWRC_FAILURE, Source().SendXferReady());
    EXPECT_EQ(TWCC_SEQERROR, Status());
    EXPECT_EQ(0, FakeSourceManager::Calls);
    EXPECT_EQ(TwainState::TransferReady, Source().Session().State());
}

TEST_F(StateMachineTest, StateCarriesNoLeftoversAcrossAReload) {
    EnterState(TwainState::Transferring);
    Reload();
    EXPECT_EQ(TwainState::Closed, Source().Session().State());
    EXPECT_EQ(0u, Source().Session().AppIdentity().Id);
    EXPECT_EQ(TWSX_NATIVE, Source().Asked().TransferMechanism);
    EXPECT_FALSE(Source().Job().InsideRow());
    EXPECT_FALSE(Source().Job().HoldsTransferBuffer());
}

// Enabling with the user interface shows the Scan Parameters dialog; disabling
// destroys it.
TEST_F(StateMachineTest, EnableWithInterfaceShowsTheDialogUntilDisabled) {
    Open();
    EXPECT_EQ(TWRC_SUCCESS, UserInterface(MSG_ENABLEDS, TRUE));
    ASSERT_NE(nullptr, Source().DialogWindow());
    EXPECT_TRUE(IsWindow(Source().DialogWindow()->Handle()));
    EXPECT_EQ(TWRC_SUCCESS, UserInterface(MSG_DISABLEDS));
    EXPECT_EQ(nullptr, Source().DialogWindow());
}
