// The capabilities the source knows, one row each: the item type and the answer to
// every message for a TWAIN 1.x application, what MSG_SET reads and accepts, the
// messages an application that speaks TWAIN 2 is answered otherwise, and the states
// in which the capability may be changed. Both supported-capabilities lists are
// read off the rows, in the rows' order. The engine that applies a row is in
// capability_negotiation.cpp; the functions rows name are in capability_answers.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/twain.h"

class CTwainSource;
struct CapabilityRow;

// A value the source reports: a fixed item, or one read from the source.
struct CapabilityValue {
    TW_UINT32 Fixed;
    TW_UINT32 (*Read)(const CTwainSource& source);  // null: Fixed
};
constexpr CapabilityValue Fixed(TW_UINT32 item) {
    return {item, nullptr};
}
constexpr CapabilityValue ReadFrom(TW_UINT32 (*read)(const CTwainSource& source)) {
    return {0, read};
}

// What an application is answered to one message.
enum class Reply : uint8_t {
    BadCap,     // refused with TWCC_BADCAP
    Current,    // one value: the current value at the caller's item type
    Default,    // one value: the default value at the caller's item type
    Choices,    // the container the row's Choices function builds
    Supported,  // array: the capabilities listed to the caller's kind
    AsTwain1,   // TWAIN 2 only: as a TWAIN 1.x application is answered
    Own,        // TWAIN 2 only: by the row's Twain2 Answer function
};

struct Replies {
    Reply Get, GetCurrent, GetDefault, Reset;
};

// Container types as a mask.
enum ContainerMask : uint8_t {
    ConNone = 0,
    ConOneValue = 1,
    ConEnumeration = 2,
    ConRange = 4,
    ConArray = 8,
    ConAny = 15,
};

// Where MSG_SET finds the value in the application's container.
enum class ReadAt : uint8_t {
    // The 32 bits at offset 2 whatever the container: a one value's Item, a range's
    // MinValue, an enumeration's or an array's NumItems.
    Offset2,
    // A one value's Item (32 bits); an enumeration's current entry read as 16 bits.
    ItemOrEntry16,
    // A one value's Item or a range's MinValue (offset 2); an enumeration's current
    // entry at the width of its item type.
    ItemOrEntryAtWidth,
};

// Which entries of an enumeration MSG_SET puts through the row's check.
enum class EntryCheck : uint8_t { CurrentOnly, Every };

struct SetRequest {
    TW_UINT32 Value;
    TW_UINT16 ConType;
    TW_UINT16 ItemType;
};
typedef bool (*SetCheck)(const CTwainSource& source, const CapabilityRow& row,
                         const SetRequest& request);
typedef void (*SetStore)(CTwainSource& source, const SetRequest& request);

struct SetRule {
    uint8_t Containers;         // read; none: MSG_SET answers TWCC_BADCAP
    TW_UINT16 OtherContainers;  // condition code for a container type not read
    ReadAt Read;
    EntryCheck Checked;
    SetCheck Accepts;  // null: any value
    SetStore Store;    // null: nothing is stored
};

// The answers to an application that speaks TWAIN 2.
typedef TW_UINT16 (*Twain2Answer)(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability);
struct Twain2Rule {
    TW_UINT32 Messages;      // TWQC_ flags answered; none: unknown (TWCC_CAPUNSUPPORTED)
    TW_UINT16 ItemType;      // of the Current and Default replies
    Replies Answers;         // to GET, GETCURRENT, GETDEFAULT, RESET
    Reply Set;               // AsTwain1 or Own
    Twain2Answer OwnAnswer;  // for the Own replies
};

// TWAIN states as a mask.
constexpr uint32_t InState(int32_t state) {
    return 1u << state;
}

struct CapabilityRow {
    TW_UINT16 Cap;
    bool ListedToTwain1;  // in the TWAIN 1.x CAP_SUPPORTEDCAPS
    TW_UINT16 ItemType;   // of the one values a TWAIN 1.x application is answered
    CapabilityValue Current, Default;
    TW_UINT16 (*Choices)(CTwainSource& source, pTW_CAPABILITY capability);
    Replies Twain1;
    void (*Reset)(CTwainSource& source);  // what MSG_RESET changes before its reply
    SetRule Set;
    Twain2Rule Twain2;
    uint32_t ChangeStates;  // where MSG_SET and MSG_RESET are taken (InState)
};

// The row of a capability; null for one the source does not know.
const CapabilityRow* FindCapability(TW_UINT16 cap);
// The states in which a capability (null: an unknown one) may be changed.
uint32_t ChangeStatesOf(const CapabilityRow* row);

// A supported-capabilities list, read off the rows.
struct CapabilityList {
    TW_UINT16 Caps[32];
    size_t Count;
};
CapabilityList Twain1Capabilities();
CapabilityList Twain2Capabilities();
