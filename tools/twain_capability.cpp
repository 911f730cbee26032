#include "tools/twain_capability.h"

#include <cmath>
#include <cstring>

#include "tools/twain_client.h"

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
    default:
        return 0;
    }
}

TW_FIX32 ToFix32(double value) {
    // The standard's conversion: round to 1/65536, the fraction always positive.
    TW_INT32 scaled = static_cast<TW_INT32>(std::floor(value * 65536.0 + 0.5));
    TW_FIX32 fix;
    fix.Whole = static_cast<TW_INT16>(scaled >> 16);
    fix.Frac = static_cast<TW_UINT16>(scaled & 0xffff);
    return fix;
}

double Fix32ToDouble(TW_FIX32 value) {
    return value.Whole + value.Frac / 65536.0;
}

TW_UINT32 Fix32Bits(TW_FIX32 value) {
    TW_UINT32 bits;
    static_assert(sizeof bits == sizeof value, "TW_FIX32 is 32 bits");
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

TW_FIX32 Fix32FromBits(TW_UINT32 bits) {
    TW_FIX32 value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

double ItemAsNumber(TW_UINT16 itemType, TW_UINT32 raw) {
    switch (itemType) {
    case TWTY_INT8:
        return static_cast<signed char>(raw & 0xff);
    case TWTY_INT16:
        return static_cast<short>(raw & 0xffff);
    case TWTY_INT32:
        return static_cast<TW_INT32>(raw);
    case TWTY_FIX32:
        return Fix32ToDouble(Fix32FromBits(raw));
    default:
        return raw;
    }
}

namespace {

TW_UINT32 ReadItem(const TW_UINT8* at, size_t size) {
    TW_UINT32 raw = 0;
    std::memcpy(&raw, at, size);  // little-endian: the value lands in the low bytes
    return raw;
}

bool ReadList(const TW_UINT8* items, size_t available, TW_UINT32 count, TW_UINT16 itemType,
              std::vector<TW_UINT32>& out) {
    size_t size = ItemSize(itemType);
    if (size == 0 || count > available / size) return false;
    for (TW_UINT32 i = 0; i < count; ++i)
        out.push_back(ReadItem(items + i * size, size));
    return true;
}

bool Decode(const TW_UINT8* block, size_t blockSize, TW_UINT16 conType, CapabilityValue& value) {
    switch (conType) {
    case TWON_ONEVALUE: {
        if (blockSize < sizeof(TW_ONEVALUE)) return false;
        TW_ONEVALUE one;
        std::memcpy(&one, block, sizeof one);
        value.ItemType = one.ItemType;
        size_t size = ItemSize(one.ItemType);
        value.Items.push_back(size == 0 ? one.Item
                                        : ReadItem(block + offsetof(TW_ONEVALUE, Item), size));
        return true;
    }
    case TWON_ENUMERATION: {
        const size_t header = offsetof(TW_ENUMERATION, ItemList);
        if (blockSize < header) return false;
        TW_ENUMERATION e;
        std::memcpy(&e, block, header);
        value.ItemType = e.ItemType;
        value.CurrentIndex = e.CurrentIndex;
        value.DefaultIndex = e.DefaultIndex;
        return ReadList(block + header, blockSize - header, e.NumItems, e.ItemType, value.Items);
    }
    case TWON_ARRAY: {
        const size_t header = offsetof(TW_ARRAY, ItemList);
        if (blockSize < header) return false;
        TW_ARRAY a;
        std::memcpy(&a, block, header);
        value.ItemType = a.ItemType;
        return ReadList(block + header, blockSize - header, a.NumItems, a.ItemType, value.Items);
    }
    case TWON_RANGE: {
        if (blockSize < sizeof(TW_RANGE)) return false;
        TW_RANGE r;
        std::memcpy(&r, block, sizeof r);
        value.ItemType = r.ItemType;
        value.MinValue = r.MinValue;
        value.MaxValue = r.MaxValue;
        value.StepSize = r.StepSize;
        value.DefaultValue = r.DefaultValue;
        value.CurrentValue = r.CurrentValue;
        return true;
    }
    default:
        return false;
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
        bool decoded =
            block && Decode(static_cast<const TW_UINT8*>(block), GlobalSize(capability.hContainer),
                            capability.ConType, value);
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
    capability.hContainer = GlobalAlloc(GHND, sizeof(TW_ONEVALUE));
    if (!capability.hContainer) return TWRC_FAILURE;
    auto* one = static_cast<TW_ONEVALUE*>(GlobalLock(capability.hContainer));
    one->ItemType = itemType;
    one->Item = raw;
    GlobalUnlock(capability.hContainer);
    TW_UINT16 rc = client.Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
    GlobalFree(capability.hContainer);
    return rc;
}
