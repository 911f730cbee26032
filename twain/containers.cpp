#include "twain/containers.h"

#include <cstdint>
#include <cstring>

#include "twain/fix32.h"

namespace {

template <typename T>
void Append(ContainerBytes& bytes, T value) {
    const auto* raw = reinterpret_cast<const TW_UINT8*>(&value);
    bytes.insert(bytes.end(), raw, raw + sizeof value);
}

void AppendItems(ContainerBytes& bytes, TW_UINT16 itemType, TW_UINT32 numItems, const void* items) {
    const size_t length = ItemSize(itemType) * numItems;
    if (length == 0) return;
    const auto* raw = static_cast<const TW_UINT8*>(items);
    bytes.insert(bytes.end(), raw, raw + length);
}

}  // namespace

size_t ItemSize(TW_UINT16 itemType) {
    switch (itemType) {
    case TWTY_INT8:
    case TWTY_UINT8:
        return 1;
    case TWTY_INT16:
    case TWTY_UINT16:
    case TWTY_BOOL:
        return 2;
    case TWTY_INT32:
    case TWTY_UINT32:
    case TWTY_FIX32:
        return 4;
    case TWTY_FRAME:
        return 16;
    default:
        return 0;
    }
}

double ItemAsNumber(TW_UINT16 itemType, TW_UINT32 raw) {
    switch (itemType) {
    case TWTY_INT8:
        return static_cast<int8_t>(raw & 0xFF);
    case TWTY_INT16:
        return static_cast<int16_t>(raw & 0xFFFF);
    case TWTY_INT32:
        return static_cast<int32_t>(raw);
    case TWTY_FIX32:
        return Fix32ToDouble(Fix32FromItem(raw));
    default:
        return raw;
    }
}

ContainerView::ContainerView(TW_UINT16 conType, const void* bytes, size_t size)
    : conType_(conType), bytes_(static_cast<const TW_UINT8*>(bytes)), size_(bytes ? size : 0) {}

bool ContainerView::HeaderFits() const {
    switch (conType_) {
    case TWON_ONEVALUE:
        return size_ >= OneValueSize;
    case TWON_RANGE:
        return size_ >= RangeSize;
    case TWON_ENUMERATION:
    case TWON_ARRAY:
        return size_ >= EntriesOffset();
    default:
        return false;
    }
}

bool ContainerView::HoldsEntries(size_t width) const {
    return HeaderFits() && IsList() && EntriesPresent(width) == NumItems();
}

TW_UINT32 ContainerView::EntriesPresent(size_t width) const {
    if (!IsList() || width == 0 || size_ < EntriesOffset()) return 0;
    const uint64_t room = (size_ - EntriesOffset()) / width;
    return room < NumItems() ? static_cast<TW_UINT32>(room) : NumItems();
}

TW_UINT32 ContainerView::OneValueItem() const {
    const size_t width = ItemSize(ItemType());
    return Field(2, width == 0 || width > 4 ? 4 : width);
}

bool ContainerView::CurrentFrame(TW_FRAME& frame) const {
    if (ItemType() != TWTY_FRAME) return false;
    size_t offset;
    if (conType_ == TWON_ONEVALUE) {
        offset = 2;
    } else if (conType_ == TWON_ENUMERATION && CurrentIndex() < NumItems() &&
               HoldsEntries(sizeof(TW_FRAME))) {
        offset = EnumerationHeaderSize + size_t{CurrentIndex()} * sizeof(TW_FRAME);
    } else {
        return false;
    }
    if (offset > size_ || sizeof(TW_FRAME) > size_ - offset) return false;
    std::memcpy(&frame, bytes_ + offset, sizeof frame);
    return true;
}

TW_UINT32 ContainerView::NumItems() const {
    return IsList() ? Field(2, 4) : 0;
}

TW_UINT32 ContainerView::Entry(TW_UINT32 index, size_t width) const {
    if (!IsList() || width > 4) return 0;
    const uint64_t offset = EntriesOffset() + static_cast<uint64_t>(index) * width;
    return offset <= size_ ? Field(static_cast<size_t>(offset), width) : 0;
}

TW_UINT32 ContainerView::CurrentIndex() const {
    return conType_ == TWON_ENUMERATION ? Field(6, 4) : 0;
}

TW_UINT32 ContainerView::DefaultIndex() const {
    return conType_ == TWON_ENUMERATION ? Field(10, 4) : 0;
}

size_t ContainerView::EntriesOffset() const {
    return conType_ == TWON_ENUMERATION ? EnumerationHeaderSize : ArrayHeaderSize;
}

TW_UINT32 ContainerView::Field(size_t offset, size_t width) const {
    if (offset > size_ || width > size_ - offset) return 0;
    TW_UINT32 value = 0;
    std::memcpy(&value, bytes_ + offset, width);  // little-endian: the low bytes
    return value;
}

ContainerBytes OneValueContainer(TW_UINT16 itemType, TW_UINT32 item) {
    ContainerBytes bytes;
    Append<TW_UINT16>(bytes, itemType);
    Append<TW_UINT32>(bytes, item);
    return bytes;
}

ContainerBytes EnumerationContainer(TW_UINT16 itemType, TW_UINT32 numItems, TW_UINT32 currentIndex,
                                    TW_UINT32 defaultIndex, const void* items) {
    ContainerBytes bytes;
    Append<TW_UINT16>(bytes, itemType);
    Append<TW_UINT32>(bytes, numItems);
    Append<TW_UINT32>(bytes, currentIndex);
    Append<TW_UINT32>(bytes, defaultIndex);
    AppendItems(bytes, itemType, numItems, items);
    return bytes;
}

ContainerBytes ArrayContainer(TW_UINT16 itemType, TW_UINT32 numItems, const void* items) {
    ContainerBytes bytes;
    Append<TW_UINT16>(bytes, itemType);
    Append<TW_UINT32>(bytes, numItems);
    AppendItems(bytes, itemType, numItems, items);
    return bytes;
}

ContainerBytes RangeContainer(TW_UINT16 itemType, TW_UINT32 minValue, TW_UINT32 maxValue,
                              TW_UINT32 stepSize, TW_UINT32 defaultValue, TW_UINT32 currentValue) {
    ContainerBytes bytes;
    Append<TW_UINT16>(bytes, itemType);
    for (TW_UINT32 value : {minValue, maxValue, stepSize, defaultValue, currentValue})
        Append<TW_UINT32>(bytes, value);
    return bytes;
}
