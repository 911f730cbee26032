// Capability containers as bytes, in the TWAIN records' layout (2-byte packing):
// the width of each item type, reading a container's fields from a block with every
// read checked against the block's size, and building the four containers. Plain
// bytes, so that the source (in the memory it hands out), the client (in global
// memory) and the tests share the same layout.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/twain.h"

typedef std::vector<TW_UINT8> ContainerBytes;

// Sizes of the fixed parts: a whole one value or range, the header in front of an
// enumeration's or array's ItemList.
const size_t OneValueSize = 6;
const size_t EnumerationHeaderSize = 14;
const size_t ArrayHeaderSize = 6;
const size_t RangeSize = 22;

// Width in bytes of one item of the given TWTY_ type; 0 for the strings and for a
// type that is not known.
size_t ItemSize(TW_UINT16 itemType);

// A raw item (zero-extended to 32 bits) as a number: sign-extended for the signed
// types, a TW_FIX32 as its value, anything else as the unsigned number.
double ItemAsNumber(TW_UINT16 itemType, TW_UINT32 raw);

// Reads a container of the given ConType from a block of bytes it does not own.
// A field that lies past the end of the block reads as 0; HeaderFits and
// HoldsEntries tell whether the block is as long as its header says.
class ContainerView {
public:
    ContainerView(TW_UINT16 conType, const void* bytes, size_t size);

    TW_UINT16 ConType() const { return conType_; }
    // The block holds the fixed part of a one value, enumeration, array or range;
    // false for any other ConType.
    bool HeaderFits() const;
    // Enumeration and array: the block holds NumItems entries of this width after
    // the header (counted in 64 bits: NumItems may be anything).
    bool HoldsEntries(size_t width) const;
    // How many of the NumItems entries of this width lie wholly inside the block.
    TW_UINT32 EntriesPresent(size_t width) const;

    TW_UINT16 ItemType() const { return static_cast<TW_UINT16>(Field(0, 2)); }
    // The field at offset 2 whatever the container type: a one value's Item, an
    // enumeration's or array's NumItems, a range's MinValue.
    TW_UINT32 Value32() const { return Field(2, 4); }
    // A one value's Item at the width of its item type, zero-extended; the whole
    // field for a type wider than 4 bytes or of no known width.
    TW_UINT32 OneValueItem() const;
    // The TW_FRAME a one value holds, or an enumeration's current entry; false when
    // the item type is not TWTY_FRAME or the block does not hold that frame whole.
    bool CurrentFrame(TW_FRAME& frame) const;

    // Enumeration and array (0 for the others).
    TW_UINT32 NumItems() const;
    // Entry i read at this width (1, 2 or 4 bytes), zero-extended; 0 outside the block.
    TW_UINT32 Entry(TW_UINT32 index, size_t width) const;
    // Enumeration only (0 for the others).
    TW_UINT32 CurrentIndex() const;
    TW_UINT32 DefaultIndex() const;

    // Range: MinValue is Value32.
    TW_UINT32 MaxValue() const { return Field(6, 4); }
    TW_UINT32 StepSize() const { return Field(10, 4); }
    TW_UINT32 DefaultValue() const { return Field(14, 4); }
    TW_UINT32 CurrentValue() const { return Field(18, 4); }

private:
    bool IsList() const { return conType_ == TWON_ENUMERATION || conType_ == TWON_ARRAY; }
    size_t EntriesOffset() const;
    // width (at most 4) bytes at offset, little-endian; 0 when they leave the block.
    TW_UINT32 Field(size_t offset, size_t width) const;

    TW_UINT16 conType_;
    const TW_UINT8* bytes_;
    size_t size_;
};

// The containers. Enumeration and array entries are read from items, numItems of
// them at the width of the item type, and laid into ItemList as they are.
ContainerBytes OneValueContainer(TW_UINT16 itemType, TW_UINT32 item);
ContainerBytes EnumerationContainer(TW_UINT16 itemType, TW_UINT32 numItems, TW_UINT32 currentIndex,
                                    TW_UINT32 defaultIndex, const void* items);
ContainerBytes ArrayContainer(TW_UINT16 itemType, TW_UINT32 numItems, const void* items);
ContainerBytes RangeContainer(TW_UINT16 itemType, TW_UINT32 minValue, TW_UINT32 maxValue,
                              TW_UINT32 stepSize, TW_UINT32 defaultValue, TW_UINT32 currentValue);
