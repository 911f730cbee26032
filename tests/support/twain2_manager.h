// A TWAIN 2 Source Manager as the source sees it: the entry point record it hands
// over with DG_CONTROL/DAT_ENTRYPOINT/MSG_SET before the open, whose DSM_Entry
// takes the source's notifications and whose memory functions are counted.
#pragma once

#include "platform/twain.h"

struct FakeTwain2Manager {
    // Resets the counts and returns the record to hand over.
    static TW_ENTRYPOINT Reset();
    // An application identity that speaks TWAIN 2 (DF_APP2).
    static TW_IDENTITY Twain2Application(TW_UINT32 id);

    static int Notifications;
    static TW_UINT16 LastMessage;
    static int Allocations;
    static int Frees;
    static int Locks;
    static int Unlocks;
};
