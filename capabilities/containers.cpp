// Building the containers the source hands to an application, and reading the
// ones an application hands in. Every block goes through the global-memory seam.
#include "capabilities/containers.h"

#include <cstdint>
#include <cstring>

#include "platform/global_memory.h"
#include "source/twain_source.h"

namespace {

// Allocates a new block for the application's capability, copies the container into
// it (spare bytes after it stay zero) and hands it over unlocked. On failure nothing
// is left allocated, hContainer is null and the source reports LOWMEMORY.
TW_UINT16 HandOut(CTwainSource& source, pTW_CAPABILITY capability, TW_UINT16 conType, UINT flags,
                  const ContainerBytes& container, size_t spareBytes = 0) {
    const HandoutMemory memory = source.Handout();
    capability->hContainer = nullptr;
    HGLOBAL handle = memory.Allocate(flags | GMEM_ZEROINIT, container.size() + spareBytes);
    if (!handle) return source.Fail(TWCC_LOWMEMORY);
    auto* block = static_cast<TW_UINT8*>(memory.Lock(handle));
    if (!block) {
        memory.Free(handle);
        return source.Fail(TWCC_LOWMEMORY);
    }
    std::memcpy(block, container.data(), container.size());
    memory.Unlock(handle);
    capability->ConType = conType;
    capability->hContainer = handle;
    return TWRC_SUCCESS;
}

}  // namespace

TW_UINT16 CTwainSource::MakeOneValue(pTW_CAPABILITY capability, TW_UINT16 itemType,
                                     TW_UINT32 item) {
    return HandOut(*this, capability, TWON_ONEVALUE, GMEM_MOVEABLE,
                   OneValueContainer(itemType, item));
}

TW_UINT16 CTwainSource::MakeEnumeration(pTW_CAPABILITY capability, const EnumerationHeader& header,
                                        const void* items) {
    // The header, the items and one spare byte.
    return HandOut(*this, capability, TWON_ENUMERATION, GMEM_MOVEABLE,
                   EnumerationContainer(header.ItemType, header.NumItems, header.CurrentIndex,
                                        header.DefaultIndex, items),
                   1);
}

TW_UINT16 CTwainSource::MakeUInt16Array(pTW_CAPABILITY capability, const TW_UINT16* items,
                                        size_t count) {
    return HandOut(*this, capability, TWON_ARRAY, GMEM_FIXED,
                   ArrayContainer(TWTY_UINT16, static_cast<TW_UINT32>(count), items));
}

TW_UINT16 CTwainSource::MakeUInt32Array(pTW_CAPABILITY capability, const TW_UINT32* items,
                                        size_t count) {
    return HandOut(*this, capability, TWON_ARRAY, GMEM_FIXED,
                   ArrayContainer(TWTY_UINT32, static_cast<TW_UINT32>(count), items));
}

TW_UINT16 CTwainSource::MakeFrameOneValue(pTW_CAPABILITY capability, const TW_FRAME& frame) {
    ContainerBytes container(2 + sizeof frame);
    const TW_UINT16 itemType = TWTY_FRAME;
    std::memcpy(container.data(), &itemType, sizeof itemType);
    std::memcpy(container.data() + 2, &frame, sizeof frame);
    return HandOut(*this, capability, TWON_ONEVALUE, GMEM_MOVEABLE, container);
}

TW_UINT16 CTwainSource::MakeRange(pTW_CAPABILITY capability, const RangeValues& range) {
    return HandOut(*this, capability, TWON_RANGE, GMEM_MOVEABLE,
                   RangeContainer(range.ItemType, range.MinValue, range.MaxValue, range.StepSize,
                                  range.DefaultValue, range.CurrentValue));
}

ApplicationContainer::ApplicationContainer(const TW_CAPABILITY& capability)
    : handle_(capability.hContainer),
      bytes_(handle_ ? platform::GlobalMemory.Lock(handle_) : nullptr),
      view_(capability.ConType, bytes_, bytes_ ? platform::GlobalMemory.Size(handle_) : 0),
      valid_(capability.ConType == TWON_ENUMERATION || capability.ConType == TWON_ARRAY
                 ? view_.HoldsEntries(sizeof(TW_UINT16))
                 : view_.HeaderFits()) {}

ApplicationContainer::~ApplicationContainer() {
    if (bytes_) platform::GlobalMemory.Unlock(handle_);
}

TW_UINT16 ApplicationContainer::Entry16(TW_UINT32 i) const {
    return static_cast<TW_UINT16>(view_.Entry(i, sizeof(TW_UINT16)));
}

bool ApplicationContainer::HasCurrentEntry() const {
    return ConType() == TWON_ENUMERATION && view_.CurrentIndex() < NumItems();
}

TW_UINT16 ApplicationContainer::CurrentEntry16() const {
    return Entry16(view_.CurrentIndex());
}

bool ApplicationContainer::CurrentEntryAtItemWidth(TW_UINT32& value) const {
    if (!HasCurrentEntry()) return false;
    if (ItemSize(ItemType()) != sizeof(TW_UINT32)) {
        value = CurrentEntry16();
        return true;
    }
    if (!view_.HoldsEntries(sizeof(TW_UINT32))) return false;
    value = view_.Entry(view_.CurrentIndex(), sizeof(TW_UINT32));
    return true;
}

bool ApplicationContainer::FrameValue(TW_FRAME& frame) const {
    return valid_ && view_.CurrentFrame(frame);
}
