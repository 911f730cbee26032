// Capability negotiation from the application's side: builds and reads the
// containers in global memory that DAT_CAPABILITY exchanges (their layouts, and
// TW_FIX32 values, are in twain/).
#pragma once

#include <vector>

#include "platform/twain.h"
#include "twain/containers.h"
#include "twain/fix32.h"

class CTwainClient;

// A capability container as read back: the items of a one-value, enumeration or
// array as raw values of their item type (zero-extended to 32 bits; a TW_FIX32 as
// Whole in the low and Frac in the high half), or the five values of a range.
struct CapabilityValue {
    TW_UINT16 ConType = 0;
    TW_UINT16 ItemType = 0;
    std::vector<TW_UINT32> Items;
    TW_UINT32 CurrentIndex = 0;
    TW_UINT32 DefaultIndex = 0;
    TW_UINT32 MinValue = 0;
    TW_UINT32 MaxValue = 0;
    TW_UINT32 StepSize = 0;
    TW_UINT32 DefaultValue = 0;
    TW_UINT32 CurrentValue = 0;
    // A one value of TWTY_FRAME: its four edges (Items is then empty).
    TW_FRAME Frame = {};
};

// Sends DAT_CAPABILITY with msg (MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT,
// MSG_RESET) and decodes the container the source returned, then frees it. A
// container that cannot be read (unknown type, block shorter than its header says)
// gives TWRC_FAILURE with value.ConType 0.
TW_UINT16 GetCapability(CTwainClient& client, TW_UINT16 cap, TW_UINT16 msg, CapabilityValue& value);

// MSG_SET with a TW_ONEVALUE container of the given item type and raw value.
TW_UINT16 SetOneValue(CTwainClient& client, TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 value);
