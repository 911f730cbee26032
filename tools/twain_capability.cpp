#include "tools/twain_capability.h"

#include <cstring>

#include "tools/twain_client.h"

namespace {

// The items of an enumeration or array, each zero-extended to 32 bits; false when the
// item type has no width of at most 4 bytes or the block is shorter than NumItems
// items of it.
bool ReadList(const ContainerView& view, std::vector<TW_UINT32>& out) {
    const size_t width = ItemSize(view.ItemType());
    if (width == 0 || width > sizeof(TW_UINT32) || !view.HoldsEntries(width)) return false;
    for (TW_UINT32 i = 0; i < view.NumItems(); ++i)
        out.push_back(view.Entry(i, width));
    return true;
}

bool Decode(const ContainerView& view, CapabilityValue& value) {
    if (!view.HeaderFits()) return false;
    value.ItemType = view.ItemType();
    switch (view.ConType()) {
    case TWON_ONEVALUE:
        if (view.ItemType() == TWTY_FRAME) return view.CurrentFrame(value.Frame);
        value.Items.push_back(view.OneValueItem());
        return true;
    case TWON_ENUMERATION:
        value.CurrentIndex = view.CurrentIndex();
        value.DefaultIndex = view.DefaultIndex();
        return ReadList(view, value.Items);
    case TWON_ARRAY:
        return ReadList(view, value.Items);
    default:  // TWON_RANGE
        value.MinValue = view.Value32();
        value.MaxValue = view.MaxValue();
        value.StepSize = view.StepSize();
        value.DefaultValue = view.DefaultValue();
        value.CurrentValue = view.CurrentValue();
        return true;
    }
}

}  // namespace

TW_UINT16 GetCapability(CTwainClient& client, TW_UINT16 cap, TW_UINT16 msg,
                        CapabilityValue& value) {
    value = CapabilityValue{};
    TW_CAPABILITY capability{};
    capability.Cap = cap;
    capability.ConType = TWON_DONTCARE16;
    TW_UINT16 rc = client.Call(DG_CONTROL, DAT_CAPABILITY, msg, &capability);
    if (!capability.hContainer) return rc;
    if (rc == TWRC_SUCCESS) {
        const void* block = GlobalLock(capability.hContainer);
        bool decoded = block && Decode(ContainerView(capability.ConType, block,
                                                     GlobalSize(capability.hContainer)),
                                       value);
        if (block) GlobalUnlock(capability.hContainer);
        if (decoded) {
            value.ConType = capability.ConType;
        } else {
            value = CapabilityValue{};
            rc = TWRC_FAILURE;
        }
    }
    GlobalFree(capability.hContainer);
    return rc;
}

TW_UINT16 SetOneValue(CTwainClient& client, TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 raw) {
    TW_CAPABILITY capability{};
    capability.Cap = cap;
    capability.ConType = TWON_ONEVALUE;
    const ContainerBytes container = OneValueContainer(itemType, raw);
    capability.hContainer = GlobalAlloc(GHND, container.size());
    if (!capability.hContainer) return TWRC_FAILURE;
    void* block = GlobalLock(capability.hContainer);
    if (!block) {
        GlobalFree(capability.hContainer);
        return TWRC_FAILURE;
    }
    std::memcpy(block, container.data(), container.size());
    GlobalUnlock(capability.hContainer);
    TW_UINT16 rc = client.Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
    GlobalFree(capability.hContainer);
    return rc;
}
