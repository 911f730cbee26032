// The reading of a container that an application hands in with MSG_SET, in global
// memory. (The containers handed out are built by CapabilityCall; the layouts and
// item widths are in twain/containers.h.)
#pragma once

#include <cstddef>

#include "platform/twain.h"
#include "twain/containers.h"

// An application's container, locked for as long as this object lives and unlocked
// again when it goes, whatever the outcome. The block is never freed or kept.
// Usable only when Valid(): the handle is non-null and locks, ConType is one of the
// four container types, and the block (by GlobalSize) holds everything its header
// announces, with enumeration and array entries counted as 16-bit items.
class ApplicationContainer {
public:
    explicit ApplicationContainer(const TW_CAPABILITY& capability);
    ~ApplicationContainer();
    ApplicationContainer(const ApplicationContainer&) = delete;
    ApplicationContainer& operator=(const ApplicationContainer&) = delete;

    bool Valid() const { return valid_; }
    TW_UINT16 ConType() const { return view_.ConType(); }
    TW_UINT16 ItemType() const { return view_.ItemType(); }

    // The field at offset 2 whatever the container type: a one value's Item, an
    // enumeration's or array's NumItems, a range's MinValue.
    TW_UINT32 Value32() const { return view_.Value32(); }
    TW_UINT16 Value16() const { return static_cast<TW_UINT16>(Value32() & 0xFFFF); }

    // Enumeration and array: the number of entries and entry i read as 16 bits.
    TW_UINT32 NumItems() const { return view_.NumItems(); }
    TW_UINT16 Entry16(TW_UINT32 i) const;
    // Enumeration: whether CurrentIndex is a position in the list, and the entry there.
    bool HasCurrentEntry() const;
    TW_UINT16 CurrentEntry16() const;
    // Enumeration: the entry at CurrentIndex read at the width of its item type when
    // that is 4 bytes, else as 16 bits; false when the block is too short for
    // entries of that width or CurrentIndex is outside the list.
    bool CurrentEntryAtItemWidth(TW_UINT32& value) const;
    // A one value's Item or an enumeration's current entry as a TW_FRAME; false
    // when the item type is not TWTY_FRAME or the block is too short to hold it.
    bool FrameValue(TW_FRAME& frame) const;

private:
    HGLOBAL handle_;
    const void* bytes_;
    ContainerView view_;
    bool valid_;
};
