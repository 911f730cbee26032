// Capability containers from the application's side: blocks an application builds
// for MSG_SET (on the layouts of twain/containers.h), the containers the source
// hands back read out field by field, and a fixture that drives DAT_CAPABILITY
// through DS_Entry.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/source_fixture.h"
#include "twain/containers.h"
#include "twain/fix32.h"

typedef ContainerBytes Bytes;

// An enumeration whose entries are 16 bits wide whatever itemType says, and whose
// NumItems may claim more or fewer entries than there are: how a careless or
// hostile application may fill one in.
Bytes EnumerationBytes(TW_UINT16 itemType, TW_UINT32 numItems, TW_UINT32 currentIndex,
                       TW_UINT32 defaultIndex, const std::vector<TW_UINT16>& items);
// Well-formed lists of 4-byte and of 2-byte items.
Bytes EnumerationBytes32(TW_UINT16 itemType, TW_UINT32 currentIndex,
                         const std::vector<TW_UINT32>& items);
Bytes ArrayBytes(TW_UINT16 itemType, const std::vector<TW_UINT16>& items);

// A movable block holding exactly these bytes, as an application allocates it.
HGLOBAL AppBlock(const Bytes& bytes);
// The whole block, GlobalSize bytes.
Bytes BlockBytes(HGLOBAL block);
// How often the block is locked now.
UINT LockCount(HGLOBAL block);

// A container as the source returned it.
struct Reply {
    TW_UINT16 ConType = 0;
    TW_UINT16 ItemType = 0;
    TW_UINT32 Item = 0;            // one value
    TW_UINT32 CurrentIndex = 0;    // enumeration
    TW_UINT32 DefaultIndex = 0;    // enumeration
    std::vector<TW_UINT16> Items;  // enumeration and array entries
    size_t BlockSize = 0;

    bool operator==(const Reply& other) const;
};
std::ostream& operator<<(std::ostream& out, const Reply& reply);

// What the source should return, with the block size its layout takes: 6 bytes for
// a one value, 14 + 2n + 1 spare for an enumeration, 6 + 2n for an array.
Reply OneValueReply(TW_UINT16 itemType, TW_UINT32 item);
Reply EnumerationReply(const std::vector<TW_UINT16>& items, TW_UINT32 currentIndex,
                       TW_UINT32 defaultIndex);
Reply ArrayReply(const std::vector<TW_UINT16>& items);
Reply ReadReply(TW_UINT16 conType, HGLOBAL block);

// What a TWAIN 1.x application reads back of the negotiated settings.
struct ReadBack {
    TW_UINT32 PixelType, BitDepth, XResolution, YResolution;
    TW_UINT32 MechanismIndex;  // ICAP_XFERMECH's current entry: 0 native, 1 any other

    bool operator==(const ReadBack& other) const;
};
std::ostream& operator<<(std::ostream& out, const ReadBack& negotiated);

class CapabilityTest : public SourceTest {
protected:
    // Sends the query; on success reads the returned container into reply and frees
    // it as the application would. The capability record carries a stale handle
    // that the source must overwrite without touching it.
    TW_UINT16 Query(TW_UINT16 msg, TW_UINT16 cap, Reply* reply = nullptr);
    // Sends MSG_SET with a container of these bytes and checks, whatever the
    // result, that the container comes back unlocked, unchanged and still the
    // application's (same handle and ConType in the record).
    TW_UINT16 Set(TW_UINT16 cap, TW_UINT16 conType, const Bytes& container);
    TW_UINT16 SetOneValue(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 item) {
        return Set(cap, TWON_ONEVALUE, OneValueContainer(itemType, item));
    }
    ReadBack ReadNegotiated();
    // Puts these values in the per-user settings store and has the source take them
    // up as a user's: an enable with the dialog loads the store, the disable closes
    // the dialog (state 4 before and after). The store is emptied again afterwards.
    void LoadStoredSettings(const std::vector<std::pair<const char*, DWORD>>& values);
    using SourceTest::LoadStoredSettings;
};
