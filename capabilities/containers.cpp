// Building the containers the source hands to an application, and reading the
// ones an application hands in. Every block goes through the global-memory seam.
#include "capabilities/containers.h"

#include <cstdint>
#include <cstring>

#include "platform/global_memory.h"
#include "source/twain_source.h"

namespace {

const size_t OneValueSize = 6;
const size_t FrameOneValueSize = 2 + sizeof(TW_FRAME);
const size_t EnumerationHeaderSize = 14;
const size_t ArrayHeaderSize = 6;
const size_t RangeSize = 22;

template <typename T>
void Put(TW_UINT8* block, size_t offset, T value) {
    std::memcpy(block + offset, &value, sizeof value);
}

template <typename T>
T Get(const TW_UINT8* block, size_t offset) {
    T value;
    std::memcpy(&value, block + offset, sizeof value);
    return value;
}

// Allocates and locks a new block for the application's capability. On failure
// nothing is left allocated, hContainer is null and the caller reports LOWMEMORY.
TW_UINT8* AllocateContainer(const HandoutMemory& memory, pTW_CAPABILITY capability, UINT flags,
                            size_t bytes, HGLOBAL& handle) {
    capability->hContainer = nullptr;
    handle = memory.Allocate(flags, bytes);
    if (!handle) return nullptr;
    auto* block = static_cast<TW_UINT8*>(memory.Lock(handle));
    if (!block) {
        memory.Free(handle);
        handle = nullptr;
    }
    return block;
}

TW_UINT16 HandOver(const HandoutMemory& memory, pTW_CAPABILITY capability, TW_UINT16 conType,
                   HGLOBAL handle) {
    memory.Unlock(handle);
    capability->ConType = conType;
    capability->hContainer = handle;
    return TWRC_SUCCESS;
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

TW_UINT16 CTwainSource::MakeOneValue(pTW_CAPABILITY capability, TW_UINT16 itemType,
                                     TW_UINT32 item) {
    HGLOBAL handle;
    TW_UINT8* block = AllocateContainer(Handout(), capability, GMEM_MOVEABLE, OneValueSize, handle);
    if (!block) return Fail(TWCC_LOWMEMORY);
    Put<TW_UINT16>(block, 0, itemType);
    Put<TW_UINT32>(block, 2, item);
    return HandOver(Handout(), capability, TWON_ONEVALUE, handle);
}

TW_UINT16 CTwainSource::MakeFrameOneValue(pTW_CAPABILITY capability, const TW_FRAME& frame) {
    HGLOBAL handle;
    TW_UINT8* block =
        AllocateContainer(Handout(), capability, GMEM_MOVEABLE, FrameOneValueSize, handle);
    if (!block) return Fail(TWCC_LOWMEMORY);
    Put<TW_UINT16>(block, 0, TWTY_FRAME);
    Put<TW_FRAME>(block, 2, frame);
    return HandOver(Handout(), capability, TWON_ONEVALUE, handle);
}

TW_UINT16 CTwainSource::MakeEnumeration(pTW_CAPABILITY capability, const EnumerationHeader& header,
                                        const void* items) {
    const size_t width = ItemSize(header.ItemType);
    const size_t listBytes = width * header.NumItems;
    // The header, the items and one spare byte.
    HGLOBAL handle;
    TW_UINT8* block = AllocateContainer(Handout(), capability, GMEM_MOVEABLE | GMEM_ZEROINIT,
                                        EnumerationHeaderSize + listBytes + 1, handle);
    if (!block) return Fail(TWCC_LOWMEMORY);
    Put<TW_UINT16>(block, 0, header.ItemType);
    Put<TW_UINT32>(block, 2, header.NumItems);
    Put<TW_UINT32>(block, 6, header.CurrentIndex);
    Put<TW_UINT32>(block, 10, header.DefaultIndex);
    const auto* source = static_cast<const TW_UINT8*>(items);
    for (TW_UINT32 i = 0; i < header.NumItems; ++i)
        std::memcpy(block + EnumerationHeaderSize + i * width, source + i * width, width);
    return HandOver(Handout(), capability, TWON_ENUMERATION, handle);
}

TW_UINT16 CTwainSource::MakeUInt16Array(pTW_CAPABILITY capability, const TW_UINT16* items,
                                        size_t count) {
    const size_t bytes = ArrayHeaderSize + count * sizeof(TW_UINT16);
    HGLOBAL handle;
    TW_UINT8* block =
        AllocateContainer(Handout(), capability, GMEM_FIXED | GMEM_ZEROINIT, bytes, handle);
    if (!block) return Fail(TWCC_LOWMEMORY);
    Put<TW_UINT16>(block, 0, TWTY_UINT16);
    Put<TW_UINT32>(block, 2, static_cast<TW_UINT32>(count));
    for (size_t i = 0; i < count; ++i)
        Put<TW_UINT16>(block, ArrayHeaderSize + i * sizeof(TW_UINT16), items[i]);
    return HandOver(Handout(), capability, TWON_ARRAY, handle);
}

TW_UINT16 CTwainSource::MakeRange(pTW_CAPABILITY capability, const RangeValues& range) {
    HGLOBAL handle;
    TW_UINT8* block = AllocateContainer(Handout(), capability, GMEM_MOVEABLE, RangeSize, handle);
    if (!block) return Fail(TWCC_LOWMEMORY);
    Put<TW_UINT16>(block, 0, range.ItemType);
    Put<TW_UINT32>(block, 2, range.MinValue);
    Put<TW_UINT32>(block, 6, range.MaxValue);
    Put<TW_UINT32>(block, 10, range.StepSize);
    Put<TW_UINT32>(block, 14, range.DefaultValue);
    Put<TW_UINT32>(block, 18, range.CurrentValue);
    return HandOver(Handout(), capability, TWON_RANGE, handle);
}

ApplicationContainer::ApplicationContainer(const TW_CAPABILITY& capability)
    : handle_(capability.hContainer),
      bytes_(nullptr),
      size_(0),
      conType_(capability.ConType),
      valid_(false) {
    if (!handle_) return;
    bytes_ = static_cast<const TW_UINT8*>(platform::GlobalMemory.Lock(handle_));
    if (!bytes_) return;
    size_ = platform::GlobalMemory.Size(handle_);
    switch (conType_) {
    case TWON_ONEVALUE:
        valid_ = size_ >= OneValueSize;
        break;
    case TWON_RANGE:
        valid_ = size_ >= RangeSize;
        break;
    case TWON_ENUMERATION:
    case TWON_ARRAY:
        valid_ = size_ >= EntriesOffset() && Holds(sizeof(TW_UINT16));
        break;
    default:
        valid_ = false;
    }
}

ApplicationContainer::~ApplicationContainer() {
    if (bytes_) platform::GlobalMemory.Unlock(handle_);
}

size_t ApplicationContainer::EntriesOffset() const {
    return conType_ == TWON_ENUMERATION ? EnumerationHeaderSize : ArrayHeaderSize;
}

// Whether NumItems entries of the given width fit in the block (64-bit arithmetic:
// NumItems comes from the application and may be anything).
bool ApplicationContainer::Holds(size_t entryWidth) const {
    uint64_t needed = EntriesOffset() + static_cast<uint64_t>(NumItems()) * entryWidth;
    return needed <= size_;
}

TW_UINT16 ApplicationContainer::ItemType() const {
    return Get<TW_UINT16>(bytes_, 0);
}

TW_UINT32 ApplicationContainer::Value32() const {
    return Get<TW_UINT32>(bytes_, 2);
}

TW_UINT32 ApplicationContainer::NumItems() const {
    return Get<TW_UINT32>(bytes_, 2);
}

TW_UINT16 ApplicationContainer::Entry16(TW_UINT32 i) const {
    return Get<TW_UINT16>(bytes_, EntriesOffset() + static_cast<size_t>(i) * sizeof(TW_UINT16));
}

bool ApplicationContainer::HasCurrentEntry() const {
    return conType_ == TWON_ENUMERATION && Get<TW_UINT32>(bytes_, 6) < NumItems();
}

TW_UINT16 ApplicationContainer::CurrentEntry16() const {
    return Entry16(Get<TW_UINT32>(bytes_, 6));
}

bool ApplicationContainer::CurrentEntryAtItemWidth(TW_UINT32& value) const {
    if (!HasCurrentEntry()) return false;
    const TW_UINT32 index = Get<TW_UINT32>(bytes_, 6);
    if (ItemSize(ItemType()) != sizeof(TW_UINT32)) {
        value = CurrentEntry16();
        return true;
    }
    if (!Holds(sizeof(TW_UINT32))) return false;
    value =
        Get<TW_UINT32>(bytes_, EntriesOffset() + static_cast<size_t>(index) * sizeof(TW_UINT32));
    return true;
}

bool ApplicationContainer::FrameValue(TW_FRAME& frame) const {
    if (!valid_ || ItemType() != TWTY_FRAME) return false;
    size_t offset;
    if (conType_ == TWON_ONEVALUE) {
        offset = 2;
    } else if (conType_ == TWON_ENUMERATION && HasCurrentEntry() && Holds(sizeof(TW_FRAME))) {
        offset =
            EntriesOffset() + static_cast<size_t>(Get<TW_UINT32>(bytes_, 6)) * sizeof(TW_FRAME);
    } else {
        return false;
    }
    if (offset + sizeof(TW_FRAME) > size_) return false;
    frame = Get<TW_FRAME>(bytes_, offset);
    return true;
}
