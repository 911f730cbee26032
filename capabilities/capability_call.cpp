#include "capabilities/capability_call.h"

#include <cstring>

#include "capabilities/containers.h"
#include "twain/fix32.h"

namespace {

uint8_t MaskOf(TW_UINT16 conType) {
    switch (conType) {
    case TWON_ONEVALUE:
        return ConOneValue;
    case TWON_ENUMERATION:
        return ConEnumeration;
    case TWON_RANGE:
        return ConRange;
    case TWON_ARRAY:
        return ConArray;
    default:
        return ConNone;
    }
}

// The number a one value carries, by its item type: a TW_FIX32 rounded to the
// nearest whole, the integer types by their width and sign. False for a type that
// carries no number.
bool NumberOf(TW_UINT16 itemType, TW_UINT32 item, int32_t& value) {
    switch (itemType) {
    case TWTY_FIX32:
        value = Fix32Rounded(item);
        return true;
    case TWTY_INT8:
        value = static_cast<int8_t>(item & 0xFF);
        return true;
    case TWTY_UINT8:
        value = static_cast<int32_t>(item & 0xFF);
        return true;
    case TWTY_INT16:
        value = static_cast<int16_t>(item & 0xFFFF);
        return true;
    case TWTY_UINT16:
    case TWTY_BOOL:
        value = static_cast<int32_t>(item & 0xFFFF);
        return true;
    case TWTY_INT32:
    case TWTY_UINT32:
        value = static_cast<int32_t>(item);
        return true;
    default:
        return false;
    }
}

}  // namespace

TW_UINT16 CapabilityCall::Fail(TW_UINT16 conditionCode) {
    context_.ConditionCode = conditionCode;
    return TWRC_FAILURE;
}

bool CapabilityCall::Refuse(TW_UINT16 conditionCode) {
    Fail(conditionCode);
    return false;
}

// A new block holding the container (spare bytes after it zero), handed over
// unlocked; on failure nothing stays allocated and hContainer is null.
TW_UINT16 CapabilityCall::HandOut(TW_UINT16 conType, UINT flags, const ContainerBytes& container,
                                  size_t spareBytes) {
    capability_.hContainer = nullptr;
    HGLOBAL handle = context_.Memory.Copy(container.data(), container.size(), flags, spareBytes);
    if (!handle) return Fail(TWCC_LOWMEMORY);
    capability_.ConType = conType;
    capability_.hContainer = handle;
    return TWRC_SUCCESS;
}

TW_UINT16 CapabilityCall::OneValue(TW_UINT16 itemType, TW_UINT32 item) {
    return HandOut(TWON_ONEVALUE, GMEM_MOVEABLE, OneValueContainer(itemType, item));
}

TW_UINT16 CapabilityCall::FrameValue(const TW_FRAME& frame) {
    ContainerBytes container(2 + sizeof frame);
    const TW_UINT16 itemType = TWTY_FRAME;
    std::memcpy(container.data(), &itemType, sizeof itemType);
    std::memcpy(container.data() + 2, &frame, sizeof frame);
    return HandOut(TWON_ONEVALUE, GMEM_MOVEABLE, container);
}

TW_UINT16 CapabilityCall::Enumeration(TW_UINT16 itemType, TW_UINT32 count, TW_UINT32 current,
                                      TW_UINT32 defaultIndex, const void* items) {
    // The header, the items and one spare byte.
    return HandOut(TWON_ENUMERATION, GMEM_MOVEABLE,
                   EnumerationContainer(itemType, count, current, defaultIndex, items), 1);
}

TW_UINT16 CapabilityCall::Array(TW_UINT16 itemType, const void* items, size_t count) {
    return HandOut(TWON_ARRAY, GMEM_FIXED,
                   ArrayContainer(itemType, static_cast<TW_UINT32>(count), items));
}

TW_UINT16 CapabilityCall::Range(const TW_RANGE& range) {
    return HandOut(TWON_RANGE, GMEM_MOVEABLE,
                   RangeContainer(range.ItemType, range.MinValue, range.MaxValue, range.StepSize,
                                  range.DefaultValue, range.CurrentValue));
}

bool CapabilityCall::ReadOffset2(uint8_t containers, TW_UINT16 otherwise, TW_UINT32& value) {
    if ((containers & MaskOf(capability_.ConType)) == 0) return Refuse(otherwise);
    const ApplicationContainer container(capability_);
    if (!container.Valid()) return Refuse(TWCC_BADVALUE);
    value = container.Value32();
    return true;
}

bool CapabilityCall::ReadItemOrEntry16(TW_UINT16 otherwise, bool everyEntry,
                                       const std::function<bool(TW_UINT32)>& accepts,
                                       TW_UINT32& value) {
    if (((ConOneValue | ConEnumeration) & MaskOf(capability_.ConType)) == 0)
        return Refuse(otherwise);
    const ApplicationContainer container(capability_);
    if (!container.Valid()) return Refuse(TWCC_BADVALUE);
    value = container.Value32();
    if (container.ConType() == TWON_ENUMERATION) {
        if (everyEntry) {
            for (TW_UINT32 i = 0; i < container.NumItems(); ++i)
                if (!accepts(container.Entry16(i))) return Refuse(TWCC_BADVALUE);
        }
        if (!container.HasCurrentEntry()) return Refuse(TWCC_BADVALUE);
        value = container.CurrentEntry16();
    }
    return accepts(value) || Refuse(TWCC_BADVALUE);
}

bool CapabilityCall::ReadItemOrEntryAtWidth(TW_UINT32& value, TW_UINT16& itemType) {
    if (((ConOneValue | ConRange | ConEnumeration) & MaskOf(capability_.ConType)) == 0)
        return Refuse(TWCC_BADVALUE);
    const ApplicationContainer container(capability_);
    if (!container.Valid()) return Refuse(TWCC_BADVALUE);
    itemType = container.ItemType();
    value = container.Value32();
    if (container.ConType() == TWON_ENUMERATION && !container.CurrentEntryAtItemWidth(value))
        return Refuse(TWCC_BADVALUE);
    return true;
}

bool CapabilityCall::ReadNumber(int32_t& value) {
    const ApplicationContainer container(capability_);
    TW_UINT32 item = 0;
    bool named = false;
    if (container.Valid() && container.ConType() == TWON_ONEVALUE) {
        item = container.Value32();
        named = true;
    } else if (container.Valid() && container.ConType() == TWON_ENUMERATION) {
        named = container.CurrentEntryAtItemWidth(item);
    }
    return (named && NumberOf(container.ItemType(), item, value)) || Refuse(TWCC_BADVALUE);
}

bool CapabilityCall::ReadFrame(TW_FRAME& frame) {
    const ApplicationContainer container(capability_);
    return container.FrameValue(frame) || Refuse(TWCC_BADVALUE);
}

TW_UINT16 CapabilityCall::SetRepeatingTwain1(uint8_t containers, TW_UINT32 expected,
                                             TW_UINT32 mask) {
    TW_UINT32 value;
    if (!ReadOffset2(containers, TWCC_BADVALUE, value)) return TWRC_FAILURE;
    return (value & mask) == expected ? TWRC_SUCCESS : Fail(TWCC_BADVALUE);
}

TW_UINT16 CapabilityCall::SetRepeatingNumber(int32_t expected) {
    int32_t value;
    if (!ReadNumber(value)) return TWRC_FAILURE;
    return value == expected ? TWRC_SUCCESS : Fail(TWCC_BADVALUE);
}
