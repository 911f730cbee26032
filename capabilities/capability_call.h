// One DAT_CAPABILITY triplet under way, as each capability's answer sees it: the
// message, the kind of application (TWAIN 1.x or TWAIN 2), what has been asked so
// far (which MSG_SET and MSG_RESET change), the scanner, the container to build
// for the reply and the application's container to read a MSG_SET from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "engine/models.h"
#include "engine/scan_job.h"
#include "platform/handout_memory.h"
#include "platform/twain.h"
#include "settings/negotiated.h"
#include "twain/containers.h"

// The data arguments the source answers, as (data group << 16) | data argument.
struct DataArgumentList {
    const TW_UINT32* Items;
    size_t Count;
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

// What every capability's answer may read or change, and the condition code a
// failure leaves for DAT_STATUS.
struct CapabilityContext {
    bool Twain2;  // the application speaks TWAIN 2
    Negotiated& Asked;
    ScanJob& Job;
    HandoutMemory Memory;
    DataArgumentList DataArguments;
    TW_UINT16 ConditionCode;
};

class CapabilityCall {
public:
    CapabilityCall(TW_UINT16 msg, TW_CAPABILITY& capability, CapabilityContext& context)
        : msg_(msg), capability_(capability), context_(context) {}

    TW_UINT16 Message() const { return msg_; }
    TW_UINT16 Cap() const { return capability_.Cap; }
    TW_UINT16 ConType() const { return capability_.ConType; }
    bool Twain2() const { return context_.Twain2; }
    Negotiated& Asked() { return context_.Asked; }
    ScanSettings& Scan() { return context_.Asked.Scan; }
    Model Scanner() const { return context_.Job.ScannerModel(); }
    ScanJob& Job() { return context_.Job; }
    CapabilityContext& Context() { return context_; }

    // TWRC_FAILURE, keeping `conditionCode` for DAT_STATUS.
    TW_UINT16 Fail(TW_UINT16 conditionCode);

    // --- the reply, in a new block of the memory handed to the application --------
    TW_UINT16 OneValue(TW_UINT16 itemType, TW_UINT32 item);
    TW_UINT16 FrameValue(const TW_FRAME& frame);
    TW_UINT16 Enumeration(TW_UINT16 itemType, TW_UINT32 count, TW_UINT32 current,
                          TW_UINT32 defaultIndex, const void* items);
    TW_UINT16 Array(TW_UINT16 itemType, const void* items, size_t count);
    TW_UINT16 Range(const TW_RANGE& range);

    // --- MSG_SET as TWAIN 1.x applications have always been answered --------------
    // Each reader refuses (returns false, condition code set) a container type
    // outside `containers` with `otherwise`, and a container that does not hold
    // what its header says with TWCC_BADVALUE.
    //
    // The 32 bits at offset 2 whatever the container: a one value's Item, a range's
    // MinValue, an enumeration's or an array's NumItems.
    bool ReadOffset2(uint8_t containers, TW_UINT16 otherwise, TW_UINT32& value);
    // A one value's Item (32 bits), or an enumeration's current entry read as 16
    // bits; `accepts` must hold for the value, and for every entry of an
    // enumeration when `everyEntry`. A refused value is TWCC_BADVALUE.
    bool ReadItemOrEntry16(TW_UINT16 otherwise, bool everyEntry,
                           const std::function<bool(TW_UINT32)>& accepts, TW_UINT32& value);
    // A one value's Item or a range's MinValue (offset 2), or an enumeration's
    // current entry at the width of its item type.
    bool ReadItemOrEntryAtWidth(TW_UINT32& value, TW_UINT16& itemType);

    // --- MSG_SET from a TWAIN 2 application ----------------------------------------
    // The number a one value or an enumeration's current entry names, read by its
    // item type (a TW_FIX32 rounded to the nearest whole); TWCC_BADVALUE when it
    // names none.
    bool ReadNumber(int32_t& value);
    // The TW_FRAME of a one value or an enumeration's current entry.
    bool ReadFrame(TW_FRAME& frame);

    // --- MSG_SET of a value that cannot change: the application may only repeat it.
    // TWAIN 1.x: the 32 bits at offset 2 of `containers`, under `mask`.
    TW_UINT16 SetRepeatingTwain1(uint8_t containers, TW_UINT32 expected,
                                 TW_UINT32 mask = 0xFFFFFFFF);
    // TWAIN 2: the number named, by its item type.
    TW_UINT16 SetRepeatingNumber(int32_t expected);

private:
    TW_UINT16 HandOut(TW_UINT16 conType, UINT flags, const ContainerBytes& container,
                      size_t spareBytes = 0);
    bool Refuse(TW_UINT16 conditionCode);

    TW_UINT16 msg_;
    TW_CAPABILITY& capability_;
    CapabilityContext& context_;
};
