// The conformance oracle: what the TWAIN 2 standard asks of every capability a
// source lists, held against every capability CAP_SUPPORTEDCAPS lists to a TWAIN 2
// application, on scanners of each kind. The standard's capability table gives the
// item type and the containers MSG_GET may answer with; everything else follows
// from the answers themselves: MSG_QUERYSUPPORT names the messages that work, the
// current and default values are among MSG_GET's, every value offered is taken and
// read back, a value not offered is refused or corrected, and a reset returns to
// the default. Containers are read here from the standard's layouts, byte by byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/capability_containers.h"
#include "tests/support/twain2_manager.h"

namespace {

enum Containers : uint8_t { One = 1, Enum = 2, Range = 4, Array = 8 };

struct Standard {
    TW_UINT16 ItemType;
    uint8_t Get;  // the containers MSG_GET may answer with
};

// The standard's table for what the source lists. A boolean's values are offered in
// an enumeration.
const std::map<TW_UINT16, Standard> StandardTable = {
    {CAP_XFERCOUNT, {TWTY_INT16, One}},
    {CAP_SUPPORTEDCAPS, {TWTY_UINT16, Array}},
    {CAP_UICONTROLLABLE, {TWTY_BOOL, Enum}},
    {CAP_DEVICEONLINE, {TWTY_BOOL, Enum}},
    {CAP_INDICATORS, {TWTY_BOOL, Enum}},
    {CAP_ENABLEDSUIONLY, {TWTY_BOOL, Enum}},
    {CAP_CUSTOMDSDATA, {TWTY_BOOL, Enum}},
    {CAP_PAPERDETECTABLE, {TWTY_BOOL, Enum}},
    {CAP_FEEDERENABLED, {TWTY_BOOL, Enum}},
    {CAP_FEEDERLOADED, {TWTY_BOOL, Enum}},
    {CAP_SUPPORTEDDATS, {TWTY_UINT32, Array}},
    {ICAP_COMPRESSION, {TWTY_UINT16, One | Enum}},
    {ICAP_PLANARCHUNKY, {TWTY_UINT16, One | Enum}},
    {ICAP_PHYSICALWIDTH, {TWTY_FIX32, One}},
    {ICAP_PHYSICALHEIGHT, {TWTY_FIX32, One}},
    {ICAP_PIXELFLAVOR, {TWTY_UINT16, One | Enum}},
    {ICAP_BITDEPTH, {TWTY_UINT16, One | Enum | Range}},
    {ICAP_BITORDER, {TWTY_UINT16, One | Enum}},
    {ICAP_PIXELTYPE, {TWTY_UINT16, One | Enum}},
    {ICAP_UNITS, {TWTY_UINT16, One | Enum}},
    {ICAP_XFERMECH, {TWTY_UINT16, One | Enum}},
    {ICAP_XRESOLUTION, {TWTY_FIX32, One | Enum | Range}},
    {ICAP_YRESOLUTION, {TWTY_FIX32, One | Enum | Range}},
    {ICAP_XNATIVERESOLUTION, {TWTY_FIX32, One}},
    {ICAP_YNATIVERESOLUTION, {TWTY_FIX32, One}},
    {ICAP_BRIGHTNESS, {TWTY_FIX32, One | Enum | Range}},
    {ICAP_THRESHOLD, {TWTY_FIX32, One | Enum | Range}},
    {ICAP_SUPPORTEDSIZES, {TWTY_UINT16, One | Enum}},
    {ICAP_FRAMES, {TWTY_FRAME, One | Enum}},
    {ICAP_MAXFRAMES, {TWTY_UINT16, One | Enum | Range}},
    {ICAP_AUTOMATICLENGTHDETECTION, {TWTY_BOOL, Enum}},
    {ICAP_UNDEFINEDIMAGESIZE, {TWTY_BOOL, Enum}},
};

typedef std::vector<uint8_t> Item;  // one item's bytes: 2, 4 or 16 (a frame)

size_t WidthOf(TW_UINT16 itemType) {
    switch (itemType) {
    case TWTY_UINT32:
    case TWTY_INT32:
    case TWTY_FIX32:
        return 4;
    case TWTY_FRAME:
        return 16;
    default:
        return 2;
    }
}

uint32_t Le(const Bytes& bytes, size_t at, size_t width) {
    uint32_t value = 0;
    for (size_t i = 0; i < width && at + i < bytes.size(); ++i)
        value |= uint32_t{bytes[at + i]} << (8 * i);
    return value;
}

// A container as the standard lays it out (2-byte packing).
struct Container {
    TW_UINT16 ConType = 0, ItemType = 0;
    std::vector<Item> Items;  // one value: 1; range: min, max, step, default, current
    uint32_t Current = 0, Default = 0;

    static Container Read(TW_UINT16 conType, const Bytes& b) {
        Container c;
        c.ConType = conType;
        c.ItemType = static_cast<TW_UINT16>(Le(b, 0, 2));
        const size_t width = WidthOf(c.ItemType);
        auto item = [&](size_t at) { return Item(b.begin() + at, b.begin() + at + width); };
        if (conType == TWON_ONEVALUE) {
            c.Items.push_back(item(2));
        } else if (conType == TWON_RANGE) {
            for (size_t field = 0; field < 5; ++field)
                c.Items.push_back(item(2 + 4 * field));
            c.Current = 4, c.Default = 3;
        } else {
            const bool list = conType == TWON_ENUMERATION;
            const size_t header = list ? 14 : 6;
            for (uint32_t i = 0; i < Le(b, 2, 4); ++i)
                c.Items.push_back(item(header + width * i));
            if (list) c.Current = Le(b, 6, 4), c.Default = Le(b, 10, 4);
        }
        return c;
    }
    static int32_t Number(TW_UINT16 itemType, const Item& item) {
        const uint32_t raw = Le(item, 0, item.size());
        if (itemType == TWTY_INT16) return static_cast<int16_t>(raw);
        return static_cast<int32_t>(raw);
    }
    // The values offered: a list's items; a range's bounds and default.
    std::vector<Item> Offered() const {
        if (ConType != TWON_RANGE) return Items;
        return {Items[0], Items[1], Items[3]};
    }
    bool Offers(const Item& value) const {
        if (ConType != TWON_RANGE) {
            for (const Item& item : Items)
                if (item == value) return true;
            return false;
        }
        const double v = Fix32ToDouble(Fix32FromItem(Le(value, 0, 4)));
        const double low = Fix32ToDouble(Fix32FromItem(Le(Items[0], 0, 4)));
        const double high = Fix32ToDouble(Fix32FromItem(Le(Items[1], 0, 4)));
        return v >= low && v <= high;
    }
};

std::string Text(const Item& item) {
    std::ostringstream out;
    for (uint8_t byte : item)
        out << static_cast<int>(byte) << ' ';
    return out.str();
}

class ConformanceTest : public CapabilityTest {
protected:
    void OpenOn(const char* model) {
        scanner_.reset();
        scanner_ = std::make_unique<ScopedEnvironment>("TARNSCAN_MODEL", model);
        Reload();
        App = FakeTwain2Manager::Twain2Application(9);
        Open();
    }
    // The answer's container, or the condition code of a refusal.
    bool Ask(TW_UINT16 msg, TW_UINT16 cap, Container* reply = nullptr,
             TW_UINT16* result = nullptr) {
        TW_CAPABILITY capability = {cap, TWON_DONTCARE16, nullptr};
        const TW_UINT16 rc = Call(DG_CONTROL, DAT_CAPABILITY, msg, &capability);
        if (result) *result = rc;
        if (rc != TWRC_SUCCESS) return false;
        if (reply) *reply = Container::Read(capability.ConType, BlockBytes(capability.hContainer));
        GlobalFree(capability.hContainer);
        return true;
    }
    TW_UINT16 SetItem(TW_UINT16 cap, TW_UINT16 itemType, const Item& item) {
        Bytes bytes(2 + std::max<size_t>(item.size(), 4));
        bytes[0] = static_cast<uint8_t>(itemType);
        bytes[1] = static_cast<uint8_t>(itemType >> 8);
        std::copy(item.begin(), item.end(), bytes.begin() + 2);
        return Set(cap, TWON_ONEVALUE, bytes);
    }
    Item Current(TW_UINT16 cap) {
        Container c;
        EXPECT_TRUE(Ask(MSG_GETCURRENT, cap, &c)) << "GETCURRENT refused";
        return c.Items.empty() ? Item() : c.Items[0];
    }

private:
    std::unique_ptr<ScopedEnvironment> scanner_;
};

// Values the standard's domain of each item type leaves out, or that lie between the
// values offered: each must be refused or corrected.
std::vector<Item> NotOffered(const Container& get, TW_UINT16 cap) {
    auto bytes = [](uint32_t value, size_t width) {
        Item item(width);
        for (size_t i = 0; i < width; ++i)
            item[i] = static_cast<uint8_t>(value >> (8 * i));
        return item;
    };
    switch (get.ItemType) {
    case TWTY_BOOL:
        return {bytes(2, 2)};
    case TWTY_INT16:
        return {bytes(static_cast<uint16_t>(-2), 2)};
    case TWTY_UINT16:
        return {bytes(0xFFFE, 2)};
    case TWTY_FRAME: {
        const TW_FRAME offArea = {FloatToFix32(0), FloatToFix32(0), FloatToFix32(200),
                                  FloatToFix32(1)};
        Item item(16);
        std::memcpy(item.data(), &offArea, 16);
        return {item};
    }
    default: {
        std::vector<Item> probes = {bytes(Fix32Item(FloatToFix32(30000)), 4)};
        // Between the two highest values of a list with a gap there.
        if (get.ConType == TWON_ENUMERATION && get.Items.size() > 1 && cap != ICAP_THRESHOLD) {
            const double a = Fix32ToDouble(Fix32FromItem(Le(get.Items.end()[-2], 0, 4)));
            const double b = Fix32ToDouble(Fix32FromItem(Le(get.Items.back(), 0, 4)));
            if (b - a > 1) probes.push_back(bytes(Fix32Item(FloatToFix32((a + b) / 2)), 4));
        }
        return probes;
    }
    }
}

TEST_F(ConformanceTest, EveryListedCapabilityAnswersAsTheStandardAsks) {
    const struct {
        TW_UINT16 msg;
        TW_UINT32 flag;
    } messages[] = {{MSG_GET, TWQC_GET},
                    {MSG_GETCURRENT, TWQC_GETCURRENT},
                    {MSG_GETDEFAULT, TWQC_GETDEFAULT},
                    {MSG_SET, TWQC_SET},
                    {MSG_RESET, TWQC_RESET}};
    // Colour at 400 dpi, no colour at 300, and a 200-dpi model.
    for (const char* model : {"QD120", "QD130", "QA1200"}) {
        OpenOn(model);
        Container listed;
        ASSERT_TRUE(Ask(MSG_GET, CAP_SUPPORTEDCAPS, &listed));
        std::map<TW_UINT16, TW_UINT32> support;
        for (const Item& capItem : listed.Items) {
            const TW_UINT16 cap = static_cast<TW_UINT16>(Le(capItem, 0, 2));
            SCOPED_TRACE(::testing::Message() << model << " cap 0x" << std::hex << cap);
            ASSERT_EQ(1u, StandardTable.count(cap)) << "a capability the oracle does not know";
            const Standard standard = StandardTable.at(cap);
            Container query;
            ASSERT_TRUE(Ask(MSG_QUERYSUPPORT, cap, &query));
            EXPECT_EQ(TWTY_INT32, query.ItemType);
            const TW_UINT32 flags = Le(query.Items.at(0), 0, 4);
            support[cap] = flags;
            Container get, current, byDefault;
            for (const auto& m : messages) {
                SCOPED_TRACE(::testing::Message() << "message " << m.msg);
                Container reply;
                TW_UINT16 rc;
                if (m.msg == MSG_SET) {
                    // The current value set again: taken wherever MSG_SET is.
                    const Item now = Current(cap);
                    rc = SetItem(cap, standard.ItemType, now);
                } else {
                    Ask(m.msg, cap, &reply, &rc);
                }
                if ((flags & m.flag) == 0) {
                    EXPECT_EQ(TWRC_FAILURE, rc);
                    EXPECT_EQ(TWCC_CAPBADOPERATION, Status());
                    continue;
                }
                EXPECT_EQ(TWRC_SUCCESS, rc);
                if (m.msg == MSG_SET || rc != TWRC_SUCCESS) continue;
                EXPECT_EQ(standard.ItemType, reply.ItemType);
                const uint8_t single = standard.Get == Array ? Array : One;
                const uint8_t kind = reply.ConType == TWON_ONEVALUE      ? One
                                     : reply.ConType == TWON_ENUMERATION ? Enum
                                     : reply.ConType == TWON_RANGE       ? Range
                                     : reply.ConType == TWON_ARRAY       ? Array
                                                                         : 0;
                EXPECT_NE(0, kind & (m.msg == MSG_GET ? standard.Get : single)) << reply.ConType;
                if (m.msg == MSG_GET) get = reply;
                if (m.msg == MSG_GETCURRENT) current = reply;
                if (m.msg == MSG_GETDEFAULT) byDefault = reply;
                if (m.msg == MSG_RESET) {
                    EXPECT_EQ(byDefault.Items, reply.Items) << "a reset gives the default";
                    EXPECT_EQ(byDefault.Items.at(0), Current(cap));
                }
            }
            if (standard.Get == Array || get.Items.empty()) continue;
            EXPECT_TRUE(get.Offers(current.Items.at(0))) << Text(current.Items.at(0));
            EXPECT_TRUE(get.Offers(byDefault.Items.at(0))) << Text(byDefault.Items.at(0));
            if (get.ConType == TWON_ENUMERATION) {
                EXPECT_EQ(current.Items.at(0), get.Items.at(get.Current));
                EXPECT_EQ(byDefault.Items.at(0), get.Items.at(get.Default));
            }
            if ((flags & TWQC_SET) == 0) continue;
            for (const Item& value : get.Offered()) {
                SCOPED_TRACE("offered " + Text(value));
                Ask(MSG_RESET, cap);
                EXPECT_EQ(TWRC_SUCCESS, SetItem(cap, standard.ItemType, value));
                EXPECT_EQ(value, Current(cap));
            }
            for (const Item& value : NotOffered(get, cap)) {
                SCOPED_TRACE("not offered " + Text(value));
                const TW_UINT16 rc = SetItem(cap, standard.ItemType, value);
                if (rc == TWRC_FAILURE) {
                    EXPECT_EQ(TWCC_BADVALUE, Status());
                } else {
                    EXPECT_EQ(TWRC_CHECKSTATUS, rc);
                }
                Container after;
                ASSERT_TRUE(Ask(MSG_GET, cap, &after));
                EXPECT_TRUE(after.Offers(Current(cap)));
            }
            Ask(MSG_RESET, cap);
        }
        // Every capability moved off its default, then MSG_RESETALL: all defaults again.
        for (const auto& [cap, flags] : support) {
            if ((flags & TWQC_SET) == 0) continue;
            Container get;
            ASSERT_TRUE(Ask(MSG_GET, cap, &get));
            if (!get.Items.empty()) SetItem(cap, get.ItemType, get.Offered().front());
        }
        TW_CAPABILITY all = {0, TWON_DONTCARE16, nullptr};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_CAPABILITY, MSG_RESETALL, &all));
        for (const auto& [cap, flags] : support) {
            if ((flags & TWQC_RESET) == 0) continue;
            Container byDefault;
            ASSERT_TRUE(Ask(MSG_GETDEFAULT, cap, &byDefault));
            EXPECT_EQ(byDefault.Items.at(0), Current(cap)) << "cap 0x" << std::hex << cap;
        }
    }
}

}  // namespace
