// The connection to one application: who is talking, where the TWAIN conversation
// stands, the condition code of the last failure, and how the Source Manager is
// reached.
#pragma once

#include <cstdint>

#include "platform/twain.h"

// TWAIN states as the source keeps them.
enum : int32_t {
    StateClosed = 0,
    StateOpen = 4,
    StateEnabled = 5,
    StateTransferReady = 6,
    StateTransferring = 7,
};

struct TwainSession {
    TW_IDENTITY AppIdentity = {};
    TW_IDENTITY SourceIdentity = {};
    int32_t State = StateClosed;
    TW_UINT16 ConditionCode = TWCC_SUCCESS;
    // The entry point a TWAIN 2 Source Manager handed over before the open.
    TW_ENTRYPOINT ManagerEntry = {};
    bool HasManagerEntry = false;
    // The connected application speaks TWAIN 2 (DF_APP2 in its identity at the open).
    bool Twain2Application = false;
};
