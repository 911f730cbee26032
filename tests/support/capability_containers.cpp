#include "tests/support/capability_containers.h"

#include <cstring>
#include <fstream>
#include <sstream>

Bytes EnumerationBytes(TW_UINT16 itemType, TW_UINT32 numItems, TW_UINT32 currentIndex,
                       TW_UINT32 defaultIndex, const std::vector<TW_UINT16>& items) {
    Bytes bytes = EnumerationContainer(TWTY_UINT16, static_cast<TW_UINT32>(items.size()),
                                       currentIndex, defaultIndex, items.data());
    std::memcpy(&bytes[0], &itemType, sizeof itemType);
    std::memcpy(&bytes[2], &numItems, sizeof numItems);
    return bytes;
}

Bytes EnumerationBytes32(TW_UINT16 itemType, TW_UINT32 currentIndex,
                         const std::vector<TW_UINT32>& items) {
    return EnumerationContainer(itemType, static_cast<TW_UINT32>(items.size()), currentIndex, 0,
                                items.data());
}

Bytes ArrayBytes(TW_UINT16 itemType, const std::vector<TW_UINT16>& items) {
    return ArrayContainer(itemType, static_cast<TW_UINT32>(items.size()), items.data());
}

HGLOBAL AppBlock(const Bytes& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    void* pointer = GlobalLock(block);
    if (!bytes.empty()) std::memcpy(pointer, bytes.data(), bytes.size());
    GlobalUnlock(block);
    return block;
}

Bytes BlockBytes(HGLOBAL block) {
    Bytes bytes(GlobalSize(block));
    void* pointer = GlobalLock(block);
    if (pointer && !bytes.empty()) std::memcpy(bytes.data(), pointer, bytes.size());
    GlobalUnlock(block);
    return bytes;
}

UINT LockCount(HGLOBAL block) {
    return GlobalFlags(block) & GMEM_LOCKCOUNT;
}

bool Reply::operator==(const Reply& other) const {
    return ConType == other.ConType && ItemType == other.ItemType && Item == other.Item &&
           CurrentIndex == other.CurrentIndex && DefaultIndex == other.DefaultIndex &&
           Items == other.Items && BlockSize == other.BlockSize;
}

std::ostream& operator<<(std::ostream& out, const Reply& reply) {
    out << "{ConType " << reply.ConType << ", ItemType " << reply.ItemType;
    if (reply.ConType == TWON_ONEVALUE) out << ", Item 0x" << std::hex << reply.Item << std::dec;
    if (reply.ConType == TWON_ENUMERATION)
        out << ", CurrentIndex " << reply.CurrentIndex << ", DefaultIndex " << reply.DefaultIndex;
    if (reply.ConType != TWON_ONEVALUE) {
        out << ", Items [";
        for (TW_UINT16 item : reply.Items)
            out << " " << item;
        out << " ]";
    }
    return out << ", " << reply.BlockSize << " bytes}";
}

Reply OneValueReply(TW_UINT16 itemType, TW_UINT32 item) {
    Reply reply;
    reply.ConType = TWON_ONEVALUE;
    reply.ItemType = itemType;
    reply.Item = item;
    reply.BlockSize = 6;
    return reply;
}

Reply EnumerationReply(const std::vector<TW_UINT16>& items, TW_UINT32 currentIndex,
                       TW_UINT32 defaultIndex) {
    Reply reply;
    reply.ConType = TWON_ENUMERATION;
    reply.ItemType = TWTY_UINT16;
    reply.CurrentIndex = currentIndex;
    reply.DefaultIndex = defaultIndex;
    reply.Items = items;
    reply.BlockSize = 14 + 2 * items.size() + 1;
    return reply;
}

Reply ArrayReply(const std::vector<TW_UINT16>& items) {
    Reply reply;
    reply.ConType = TWON_ARRAY;
    reply.ItemType = TWTY_UINT16;
    reply.Items = items;
    reply.BlockSize = 6 + 2 * items.size();
    return reply;
}

Reply ReadReply(TW_UINT16 conType, HGLOBAL block) {
    const Bytes bytes = BlockBytes(block);
    const ContainerView view(conType, bytes.data(), bytes.size());
    Reply reply;
    reply.ConType = conType;
    reply.BlockSize = bytes.size();
    reply.ItemType = view.ItemType();
    if (conType == TWON_ONEVALUE) reply.Item = view.Value32();
    reply.CurrentIndex = view.CurrentIndex();
    reply.DefaultIndex = view.DefaultIndex();
    for (TW_UINT32 i = 0; i < view.EntriesPresent(sizeof(TW_UINT16)); ++i)
        reply.Items.push_back(static_cast<TW_UINT16>(view.Entry(i, sizeof(TW_UINT16))));
    return reply;
}

TW_UINT16 CapabilityTest::Query(TW_UINT16 msg, TW_UINT16 cap, Reply* reply) {
    HGLOBAL stale = GlobalAlloc(GMEM_MOVEABLE, 4);
    TW_CAPABILITY capability = {cap, TWON_DONTCARE16, stale};
    TW_UINT16 result = Call(DG_CONTROL, DAT_CAPABILITY, msg, &capability);
    if (result == TWRC_SUCCESS) {
        EXPECT_NE(stale, capability.hContainer) << "cap 0x" << std::hex << cap;
        EXPECT_EQ(0u, LockCount(capability.hContainer)) << "handed over locked";
        if (reply) *reply = ReadReply(capability.ConType, capability.hContainer);
        GlobalFree(capability.hContainer);
    } else {
        // Refused before any container was built: the record is untouched; refused
        // for want of memory: the handle is null.
        EXPECT_TRUE(capability.hContainer == stale || capability.hContainer == nullptr);
    }
    // The stale block is still the application's to free.
    EXPECT_EQ(4u, GlobalSize(stale));
    GlobalFree(stale);
    return result;
}

TW_UINT16 CapabilityTest::Set(TW_UINT16 cap, TW_UINT16 conType, const Bytes& container) {
    HGLOBAL block = AppBlock(container);
    TW_CAPABILITY capability = {cap, conType, block};
    TW_UINT16 result = Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
    EXPECT_EQ(block, capability.hContainer);
    EXPECT_EQ(conType, capability.ConType);
    EXPECT_EQ(0u, LockCount(block));
    EXPECT_EQ(container, BlockBytes(block));
    GlobalFree(block);
    return result;
}

bool ReadBack::operator==(const ReadBack& o) const {
    return PixelType == o.PixelType && BitDepth == o.BitDepth && XResolution == o.XResolution &&
           YResolution == o.YResolution && MechanismIndex == o.MechanismIndex;
}

std::ostream& operator<<(std::ostream& out, const ReadBack& n) {
    return out << "{pixel type " << n.PixelType << ", " << n.BitDepth << " bits, X "
               << n.XResolution << ", Y " << n.YResolution << ", mechanism entry "
               << n.MechanismIndex << "}";
}

ReadBack CapabilityTest::ReadNegotiated() {
    Reply mechanisms;
    EXPECT_EQ(TWRC_SUCCESS, Query(MSG_GET, ICAP_XFERMECH, &mechanisms));
    return {CurrentItem(ICAP_PIXELTYPE), CurrentItem(ICAP_BITDEPTH), CurrentItem(ICAP_XRESOLUTION),
            CurrentItem(ICAP_YRESOLUTION), mechanisms.CurrentIndex};
}

void CapabilityTest::LoadStoredSettings(const std::vector<std::pair<const char*, DWORD>>& values) {
    for (const auto& value : values)
        StoreSetting(value.first, value.second);
    SourceTest::LoadStoredSettings();
    ClearStoredSettings();
}
