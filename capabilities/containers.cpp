// Reading the containers an application hands in, through the global-memory seam.
#include "capabilities/containers.h"

#include "platform/global_memory.h"

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
