// The shared TWAIN records: TW_FIX32 conversions, item widths and values, reading
// containers from blocks of any length, building them, and identities.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "twain/containers.h"
#include "twain/fix32.h"
#include "twain/identity.h"

namespace {

// The 4 bytes of the record, as a container's Item field holds them.
TW_UINT32 RecordBytes(TW_FIX32 value) {
    TW_UINT32 item = 0;
    std::memcpy(&item, &value, sizeof value);
    return item;
}

}  // namespace

TEST(Fix32, FloatToFix32RoundsTheFractionIntoSixteenBits) {
    const struct {
        double value;
        int16_t whole;
        uint16_t frac;
    } cases[] = {
        {32000.0, 32000, 0},
        {39.375, 39, 24576},
        {35.0, 35, 0},
        {54.0, 54, 0},
        {0.5, 0, 32768},
        {0.0, 0, 0},
        {1.0 / 65536, 0, 1},
        {0.4 / 65536, 0, 0},  // below half a step rounds down
        {0.6 / 65536, 0, 1},  // above half a step rounds up
        // Below -0.5 the added half is truncated towards zero: one step above.
        {-1.5, -2, 32769},
        {-0.25 / 65536, 0, 0},
        // Beyond the record: the nearest value it holds; NaN the lowest.
        {40000.0, 32767, 65535},
        {-40000.0, -32768, 0},
        {std::nan(""), -32768, 0},
    };
    for (const auto& c : cases) {
        TW_FIX32 fixed = FloatToFix32(c.value);
        EXPECT_EQ(c.whole, fixed.Whole) << c.value;
        EXPECT_EQ(c.frac, fixed.Frac) << c.value;
        EXPECT_EQ(RecordBytes(fixed), Fix32Item(fixed)) << c.value;
        EXPECT_EQ(RecordBytes(fixed), Fix32Item(c.whole, c.frac)) << c.value;
        EXPECT_EQ(RecordBytes(fixed), RecordBytes(Fix32FromItem(Fix32Item(fixed)))) << c.value;
    }
}

TEST(Fix32, ItemAsWholeRoundedAndReal) {
    const struct {
        TW_UINT32 item;
        int32_t whole, rounded;
        double real;
    } cases[] = {
        {Fix32Item(127, 49152), 127, 128, 127.75},
        {Fix32Item(-2, 32768), -2, -1, -1.5},
        {Fix32Item(300, 1), 300, 300, 300 + 1.0 / 65536},
        {Fix32Item(300, 32767), 300, 300, 300 + 32767.0 / 65536},
        {0x0000FFFF, -1, -1, -1.0},
        {0xFFFF7FFF, 32767, 32768, 32767 + 65535.0 / 65536},
        {0xABCD0000, 0, 1, 0xABCD / 65536.0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.whole, Fix32Whole(c.item)) << std::hex << c.item;
        EXPECT_EQ(c.rounded, Fix32Rounded(c.item)) << std::hex << c.item;
        EXPECT_EQ(c.real, Fix32ToDouble(Fix32FromItem(c.item))) << std::hex << c.item;
        EXPECT_EQ(c.real, ItemAsNumber(TWTY_FIX32, c.item)) << std::hex << c.item;
    }
}

TEST(Items, WidthsAndNumbers) {
    const size_t widths[] = {1, 2, 4, 1, 2, 4, 2, 4, 16};  // TWTY_INT8 .. TWTY_FRAME
    for (TW_UINT16 type = TWTY_INT8; type <= TWTY_FRAME; ++type)
        EXPECT_EQ(widths[type], ItemSize(type)) << "item type " << type;
    EXPECT_EQ(sizeof(TW_FRAME), ItemSize(TWTY_FRAME));
    EXPECT_EQ(sizeof(TW_FIX32), ItemSize(TWTY_FIX32));
    const TW_UINT16 withoutWidth[] = {TWTY_STR32, TWTY_STR255, 0xFFFF};
    for (TW_UINT16 type : withoutWidth)
        EXPECT_EQ(0u, ItemSize(type)) << "item type " << type;

    EXPECT_EQ(-1, ItemAsNumber(TWTY_INT8, 0xFF));
    EXPECT_EQ(-2, ItemAsNumber(TWTY_INT16, 0xFFFE));
    EXPECT_EQ(-1, ItemAsNumber(TWTY_INT32, 0xFFFFFFFF));
    EXPECT_EQ(65535, ItemAsNumber(TWTY_UINT16, 0xFFFF));
    EXPECT_EQ(4294967295.0, ItemAsNumber(TWTY_UINT32, 0xFFFFFFFF));
}

// Every container cut short at each length: a field is read only where the block
// holds it, and the header and entries are complete only at full length.
TEST(Containers, ReadingShortBlocks) {
    const TW_UINT16 shorts[] = {300, 400};
    const TW_UINT32 longs[] = {Fix32Item(150, 0), Fix32Item(-2, 32768)};
    const struct {
        const char* what;
        TW_UINT16 conType;
        ContainerBytes bytes;
        size_t headerSize, width;
    } cases[] = {
        {"one value", TWON_ONEVALUE, OneValueContainer(TWTY_INT16, 0xFFFFFFFE), 6, 0},
        {"range", TWON_RANGE, RangeContainer(TWTY_UINT16, 1, 2, 3, 4, 5), 22, 0},
        {"enumeration", TWON_ENUMERATION, EnumerationContainer(TWTY_UINT16, 2, 1, 0, shorts), 14,
         2},
        {"enumeration of fix32", TWON_ENUMERATION, EnumerationContainer(TWTY_FIX32, 2, 1, 1, longs),
         14, 4},
        {"array", TWON_ARRAY, ArrayContainer(TWTY_UINT16, 2, shorts), 6, 2},
    };
    for (const auto& c : cases) {
        const ContainerView whole(c.conType, c.bytes.data(), c.bytes.size());
        ASSERT_EQ(c.headerSize + 2 * c.width, c.bytes.size()) << c.what;
        for (size_t length = 0; length <= c.bytes.size(); ++length) {
            SCOPED_TRACE(std::string(c.what) + " cut to " + std::to_string(length));
            const ContainerView view(c.conType, c.bytes.data(), length);
            EXPECT_EQ(length >= c.headerSize, view.HeaderFits());
            EXPECT_EQ(length >= 2 ? whole.ItemType() : 0, view.ItemType());
            EXPECT_EQ(length >= 6 ? whole.Value32() : 0, view.Value32());
            EXPECT_EQ(length >= 22 ? whole.CurrentValue() : 0, view.CurrentValue());
            EXPECT_EQ(length >= 14 ? whole.DefaultIndex() : 0, view.DefaultIndex());
            if (c.width == 0) continue;
            const size_t present = length < c.headerSize ? 0 : (length - c.headerSize) / c.width;
            EXPECT_EQ(present, view.EntriesPresent(c.width));
            EXPECT_EQ(length == c.bytes.size(), view.HoldsEntries(c.width));
            for (TW_UINT32 i = 0; i < 2; ++i)
                EXPECT_EQ(i < present ? whole.Entry(i, c.width) : 0, view.Entry(i, c.width));
        }
    }
}

TEST(Containers, FieldsReadBackAsBuilt) {
    const TW_UINT32 longs[] = {Fix32Item(150, 0), Fix32Item(-2, 32768)};
    const ContainerBytes enumeration = EnumerationContainer(TWTY_FIX32, 2, 1, 0, longs);
    const ContainerView list(TWON_ENUMERATION, enumeration.data(), enumeration.size());
    EXPECT_EQ(TWTY_FIX32, list.ItemType());
    EXPECT_EQ(2u, list.NumItems());
    EXPECT_EQ(1u, list.CurrentIndex());
    EXPECT_EQ(longs[1], list.Entry(1, 4));
    EXPECT_FALSE(list.HoldsEntries(16)) << "two frames do not fit";

    const ContainerBytes range = RangeContainer(TWTY_FIX32, 10, 20, 30, 40, 50);
    const ContainerView values(TWON_RANGE, range.data(), range.size());
    const TW_UINT32 read[] = {values.Value32(), values.MaxValue(), values.StepSize(),
                              values.DefaultValue(), values.CurrentValue()};
    EXPECT_EQ((std::vector<TW_UINT32>{10, 20, 30, 40, 50}),
              std::vector<TW_UINT32>(std::begin(read), std::end(read)));
    EXPECT_EQ(0u, values.NumItems()) << "a range has no entries";
    EXPECT_EQ(0u, values.Entry(0, 2));

    // A one value's Item at its type's width: the bytes above are not the value's.
    const ContainerBytes one = OneValueContainer(TWTY_INT16, 0xFFFFFFFE);
    EXPECT_EQ(0xFFFEu, ContainerView(TWON_ONEVALUE, one.data(), one.size()).OneValueItem());

    // A frame one value: its 16 bytes whole, or nothing; never from another type.
    ContainerBytes frameBlock(2 + sizeof(TW_FRAME));
    frameBlock[0] = TWTY_FRAME;
    for (size_t i = 2; i < frameBlock.size(); ++i)
        frameBlock[i] = static_cast<uint8_t>(i);
    TW_FRAME frame = {};
    ASSERT_TRUE(
        ContainerView(TWON_ONEVALUE, frameBlock.data(), frameBlock.size()).CurrentFrame(frame));
    EXPECT_EQ(0, std::memcmp(&frame, frameBlock.data() + 2, sizeof frame));
    EXPECT_FALSE(
        ContainerView(TWON_ONEVALUE, frameBlock.data(), frameBlock.size() - 1).CurrentFrame(frame));
    EXPECT_FALSE(ContainerView(TWON_ONEVALUE, one.data(), one.size()).CurrentFrame(frame));

    // An enumeration of two frames: its current one, while the block holds both.
    ContainerBytes frames(14 + 2 * sizeof(TW_FRAME));
    frames[0] = TWTY_FRAME;
    frames[2] = 2;  // NumItems
    frames[6] = 1;  // CurrentIndex
    for (size_t i = 14; i < frames.size(); ++i)
        frames[i] = static_cast<uint8_t>(i);
    ASSERT_TRUE(ContainerView(TWON_ENUMERATION, frames.data(), frames.size()).CurrentFrame(frame));
    EXPECT_EQ(0, std::memcmp(&frame, frames.data() + 14 + sizeof frame, sizeof frame));
    EXPECT_FALSE(
        ContainerView(TWON_ENUMERATION, frames.data(), frames.size() - 1).CurrentFrame(frame));
    frames[6] = 2;  // past the list
    EXPECT_FALSE(ContainerView(TWON_ENUMERATION, frames.data(), frames.size()).CurrentFrame(frame));
}

TEST(Containers, ListsThatClaimMoreThanTheBlockHolds) {
    const TW_UINT16 shorts[] = {1, 2};
    ContainerBytes array = ArrayContainer(TWTY_UINT16, 2, shorts);
    for (TW_UINT32 claimed : {3u, 0x80000001u, 0xFFFFFFFFu}) {
        std::memcpy(&array[2], &claimed, sizeof claimed);
        const ContainerView view(TWON_ARRAY, array.data(), array.size());
        EXPECT_FALSE(view.HoldsEntries(2)) << claimed;
        EXPECT_EQ(2u, view.EntriesPresent(2)) << claimed;
        EXPECT_EQ(0u, view.Entry(claimed - 1, 2)) << claimed;
    }
    for (TW_UINT16 conType : {TW_UINT16(0), TW_UINT16(TWON_DONTCARE16)})
        EXPECT_FALSE(ContainerView(conType, array.data(), array.size()).HeaderFits());
    EXPECT_FALSE(ContainerView(TWON_ARRAY, nullptr, 100).HeaderFits());
}

TEST(Identity, ApplicationIdentity) {
    const std::string longName(40, 'x');
    TW_IDENTITY identity = MakeIdentity(42, longName.c_str());
    EXPECT_EQ(42u, identity.Id);
    EXPECT_EQ(1, identity.Version.MajorNum);
    EXPECT_EQ(1, identity.ProtocolMajor);
    EXPECT_EQ(9, identity.ProtocolMinor);
    EXPECT_EQ(static_cast<TW_UINT32>(DG_CONTROL | DG_IMAGE), identity.SupportedGroups);
    EXPECT_EQ(longName.substr(0, sizeof identity.ProductName - 1), identity.ProductName);
    EXPECT_EQ('\0', identity.Manufacturer[0]);
}
