// The same capability triplets from a TWAIN 1.x application and from one that
// speaks TWAIN 2 (DF_APP2), side by side: where the two answers differ, each kind
// of caller gets its own. Containers are described in a short text so that each
// row reads as the two answers.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

#include "tests/support/capability_containers.h"
#include "tests/support/twain2_manager.h"

namespace {

template <typename T>
T At(const Bytes& bytes, size_t offset) {
    T value{};
    if (offset + sizeof value <= bytes.size())
        std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

const char* TypeName(TW_UINT16 itemType) {
    switch (itemType) {
    case TWTY_INT16:
        return "INT16";
    case TWTY_INT32:
        return "INT32";
    case TWTY_UINT16:
        return "UINT16";
    case TWTY_UINT32:
        return "UINT32";
    case TWTY_BOOL:
        return "BOOL";
    case TWTY_FIX32:
        return "FIX32";
    default:
        return "?";
    }
}

// An item as text: a TW_FIX32 by its value, other types as numbers.
std::string ItemText(TW_UINT16 itemType, TW_UINT32 item) {
    std::ostringstream text;
    if (itemType == TWTY_FIX32)
        text << static_cast<int16_t>(item & 0xFFFF) + (item >> 16) / 65536.0;
    else if (itemType == TWTY_INT16)
        text << static_cast<int16_t>(item & 0xFFFF);
    else
        text << item;
    return text.str();
}

std::string ListText(const Bytes& bytes, size_t offset, TW_UINT16 itemType, TW_UINT32 count) {
    const size_t width = itemType == TWTY_FIX32 || itemType == TWTY_INT32 ? 4 : 2;
    std::string text = "[";
    for (TW_UINT32 i = 0; i < count; ++i) {
        const TW_UINT32 item = width == 4 ? At<TW_UINT32>(bytes, offset + 4 * i)
                                          : At<TW_UINT16>(bytes, offset + 2 * i);
        text += (i ? " " : "") + ItemText(itemType, item);
    }
    return text + "]";
}

std::string Describe(TW_UINT16 conType, HGLOBAL block) {
    const Bytes bytes = BlockBytes(block);
    const TW_UINT16 type = At<TW_UINT16>(bytes, 0);
    std::ostringstream text;
    switch (conType) {
    case TWON_ONEVALUE:
        text << "one " << TypeName(type) << " " << ItemText(type, At<TW_UINT32>(bytes, 2));
        break;
    case TWON_ENUMERATION:
        text << "enum " << TypeName(type) << " "
             << ListText(bytes, 14, type, At<TW_UINT32>(bytes, 2)) << " cur "
             << At<TW_UINT32>(bytes, 6) << " def " << At<TW_UINT32>(bytes, 10);
        break;
    case TWON_ARRAY:
        text << "array " << TypeName(type) << " " << At<TW_UINT32>(bytes, 2) << " items";
        break;
    case TWON_RANGE:
        text << "range " << TypeName(type) << " " << ItemText(type, At<TW_UINT32>(bytes, 2)) << ".."
             << ItemText(type, At<TW_UINT32>(bytes, 6)) << "/"
             << ItemText(type, At<TW_UINT32>(bytes, 10)) << " def "
             << ItemText(type, At<TW_UINT32>(bytes, 14)) << " cur "
             << ItemText(type, At<TW_UINT32>(bytes, 18));
        break;
    default:
        text << "container " << conType;
    }
    return text.str();
}

const char* const Twain1 = "TWAIN 1.x application";
const char* const Twain2 = "TWAIN 2 application";

class Twain2CapabilityTest : public CapabilityTest {
protected:
    // Reloads the source and opens it for a caller of either kind on a QD120.
    void OpenFor(const char* caller) {
        Reload();
        App = caller == Twain2 ? FakeTwain2Manager::Twain2Application(17)
                               : MakeIdentity(17, "Unit Test Application");
        Open();
    }

    // The answer as text: the container, or "fail N" with the condition code.
    std::string Answer(TW_UINT16 msg, TW_UINT16 cap) {
        TW_CAPABILITY capability = {cap, TWON_DONTCARE16, nullptr};
        const TW_UINT16 result = Call(DG_CONTROL, DAT_CAPABILITY, msg, &capability);
        if (result != TWRC_SUCCESS) return "fail " + std::to_string(Status());
        const std::string text = Describe(capability.ConType, capability.hContainer);
        GlobalFree(capability.hContainer);
        return text;
    }
};

TEST_F(Twain2CapabilityTest, QueriesAnswerEachKindOfCaller) {
    const std::string resolutions = "[50 100 150 200 250 300 350 400 600 800]";
    std::string scanned = "[";  // every resolution the scanner scans
    for (int dpi = 50; dpi <= 400; ++dpi)
        scanned += std::to_string(dpi) + " ";
    scanned += "600 800]";
    struct Row {
        TW_UINT16 cap, msg;
        std::string twain1, twain2;
    };
    const Row rows[] = {
        {ICAP_XRESOLUTION, MSG_GET, "enum UINT16 " + resolutions + " cur 7 def 7",
         "enum FIX32 " + scanned + " cur 350 def 350"},
        {ICAP_YRESOLUTION, MSG_GETCURRENT, "one UINT16 400", "one FIX32 400"},
        {ICAP_XRESOLUTION, MSG_GETDEFAULT, "one UINT16 400", "one FIX32 400"},
        {ICAP_COMPRESSION, MSG_GETCURRENT, "one INT16 0", "one UINT16 0"},
        {ICAP_PLANARCHUNKY, MSG_GET, "one INT16 0", "one UINT16 0"},
        {ICAP_XFERMECH, MSG_GETCURRENT, "enum UINT16 [0 2] cur 0 def 0", "one UINT16 0"},
        {ICAP_XFERMECH, MSG_GETDEFAULT, "enum UINT16 [0 2] cur 0 def 0", "one UINT16 0"},
        {ICAP_XFERMECH, MSG_GET, "enum UINT16 [0 2] cur 0 def 0", "enum UINT16 [0 2] cur 0 def 0"},
        {ICAP_XFERMECH, MSG_RESET, "enum UINT16 [0 2] cur 0 def 0", "one UINT16 0"},
        {CAP_UICONTROLLABLE, MSG_GETCURRENT, "fail 6", "one BOOL 1"},
        {ICAP_BRIGHTNESS, MSG_GETCURRENT, "fail 6", "one FIX32 0"},
        {ICAP_THRESHOLD, MSG_GETCURRENT, "fail 6", "one FIX32 128"},
        {CAP_DEVICEONLINE, MSG_GET, "fail 6", "enum BOOL [1] cur 0 def 0"},
        {ICAP_PIXELFLAVOR, MSG_RESET, "fail 6", "one UINT16 0"},
        {CAP_SUPPORTEDCAPS, MSG_GET, "array UINT16 15 items", "array UINT16 32 items"},
        {CAP_SUPPORTEDDATS, MSG_GETCURRENT, "fail 6", "array UINT32 16 items"},
        {CAP_INDICATORS, MSG_GET, "fail 6", "enum BOOL [0 1] cur 1 def 1"},
        {CAP_INDICATORS, MSG_QUERYSUPPORT, "fail 9", "one INT32 31"},
        {CAP_ENABLEDSUIONLY, MSG_GET, "fail 6", "enum BOOL [1] cur 0 def 0"},
        {CAP_FEEDERENABLED, MSG_GET, "fail 6", "enum BOOL [0] cur 0 def 0"},
        {CAP_FEEDERLOADED, MSG_SET, "fail 6", "fail 14"},
        {ICAP_XNATIVERESOLUTION, MSG_GETCURRENT, "fail 6", "one FIX32 400"},
        {CAP_ENABLEDSUIONLY, MSG_SET, "fail 6", "fail 14"},
        {CAP_CUSTOMDSDATA, MSG_GETDEFAULT, "fail 6", "one BOOL 1"},
        {CAP_PAPERDETECTABLE, MSG_GETCURRENT, "fail 6", "one BOOL 0"},
        {ICAP_XRESOLUTION, MSG_QUERYSUPPORT, "fail 9", "one INT32 31"},
        {CAP_SUPPORTEDCAPS, MSG_QUERYSUPPORT, "fail 9", "one INT32 13"},
        {CAP_SUPPORTEDCAPS, MSG_SET, "fail 6", "fail 14"},
        {0x1234, MSG_GET, "fail 6", "fail 13"},
        {ICAP_PIXELTYPE, MSG_GETCURRENT, "one UINT16 2", "one UINT16 2"},
        {ICAP_SUPPORTEDSIZES, MSG_GETCURRENT, "fail 6", "one UINT16 0"},
        {ICAP_SUPPORTEDSIZES, MSG_QUERYSUPPORT, "fail 9", "one INT32 31"},
        {ICAP_MAXFRAMES, MSG_GETDEFAULT, "fail 6", "one UINT16 1"},
        {ICAP_FRAMES, MSG_SET, "fail 6", "fail 10"},
    };
    for (const char* caller : {Twain1, Twain2}) {
        OpenFor(caller);
        for (const Row& row : rows) {
            SCOPED_TRACE(::testing::Message() << caller << ": cap 0x" << std::hex << row.cap
                                              << " message 0x" << row.msg);
            EXPECT_EQ(caller == Twain2 ? row.twain2 : row.twain1, Answer(row.msg, row.cap));
        }
    }
}

TEST_F(Twain2CapabilityTest, SetsAreHonouredRefusedOrCorrected) {
    struct Row {
        const char* name;
        TW_UINT16 cap, itemType;
        TW_UINT32 item;
        TW_UINT16 result1, result2;  // TWAIN 1.x, TWAIN 2
        std::string current1, current2;
    };
    const TW_UINT32 minusOne = static_cast<TW_UINT16>(-1);
    const Row rows[] = {
        {"a listed resolution", ICAP_XRESOLUTION, TWTY_FIX32, Fix32Item(300, 0), TWRC_SUCCESS,
         TWRC_SUCCESS, "one UINT16 300", "one FIX32 300"},
        {"a resolution the scanner scans", ICAP_XRESOLUTION, TWTY_FIX32, Fix32Item(320, 0),
         TWRC_SUCCESS, TWRC_SUCCESS, "one UINT16 320", "one FIX32 320"},
        {"a resolution between steps", ICAP_XRESOLUTION, TWTY_FIX32, Fix32Item(500, 0),
         TWRC_SUCCESS, TWRC_CHECKSTATUS, "one UINT16 500", "one FIX32 400"},
        {"a resolution past the last step", ICAP_YRESOLUTION, TWTY_FIX32, Fix32Item(1200, 0),
         TWRC_SUCCESS, TWRC_FAILURE, "one UINT16 1200", "one FIX32 400"},
        {"a resolution as a whole number", ICAP_YRESOLUTION, TWTY_UINT16, 600, TWRC_SUCCESS,
         TWRC_SUCCESS, "one UINT16 600", "one FIX32 600"},
        {"an unknown transfer mechanism", ICAP_XFERMECH, TWTY_UINT16, 7, TWRC_SUCCESS, TWRC_FAILURE,
         "enum UINT16 [0 2] cur 1 def 0", "one UINT16 0"},
        {"all images", CAP_XFERCOUNT, TWTY_INT16, minusOne, TWRC_FAILURE, TWRC_SUCCESS,
         "one INT16 1", "one INT16 -1"},
        {"a brightness between the device's steps", ICAP_BRIGHTNESS, TWTY_FIX32, Fix32Item(60, 0),
         TWRC_SUCCESS, TWRC_CHECKSTATUS, "fail 6", "one FIX32 50"},
        {"brightness out of range", ICAP_BRIGHTNESS, TWTY_FIX32, Fix32Item(2000, 0), TWRC_SUCCESS,
         TWRC_FAILURE, "fail 6", "one FIX32 0"},
        {"the feeder", CAP_FEEDERENABLED, TWTY_BOOL, TRUE, TWRC_FAILURE, TWRC_FAILURE, "fail 6",
         "one BOOL 0"},
        {"threshold", ICAP_THRESHOLD, TWTY_FIX32, Fix32Item(99, 0x8000), TWRC_SUCCESS, TWRC_SUCCESS,
         "fail 6", "one FIX32 100"},
        {"indicators off", CAP_INDICATORS, TWTY_BOOL, FALSE, TWRC_FAILURE, TWRC_SUCCESS, "fail 6",
         "one BOOL 0"},
        {"indicators neither on nor off", CAP_INDICATORS, TWTY_BOOL, 2, TWRC_FAILURE, TWRC_FAILURE,
         "fail 6", "one BOOL 1"},
        {"no compression", ICAP_COMPRESSION, TWTY_UINT16, TWCP_NONE, TWRC_FAILURE, TWRC_SUCCESS,
         "one INT16 0", "one UINT16 0"},
    };
    for (const char* caller : {Twain1, Twain2}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(::testing::Message() << caller << ": " << row.name);
            OpenFor(caller);
            const bool two = caller == Twain2;
            EXPECT_EQ(two ? row.result2 : row.result1,
                      SetOneValue(row.cap, row.itemType, row.item));
            EXPECT_EQ(two ? row.current2 : row.current1, Answer(MSG_GETCURRENT, row.cap));
        }
    }
}

}  // namespace

TEST_F(Twain2CapabilityTest, ResetAllPutsBackEveryCapabilityThatResets) {
    struct Row {
        TW_UINT16 cap, itemType;
        TW_UINT32 item;
        std::string afterReset1, afterReset2;  // TWAIN 1.x, TWAIN 2
    };
    const Row rows[] = {
        {ICAP_XRESOLUTION, TWTY_FIX32, Fix32Item(300, 0), "one UINT16 400", "one FIX32 400"},
        {ICAP_BRIGHTNESS, TWTY_FIX32, Fix32Item(200, 0), "fail 6", "one FIX32 0"},
        {ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY, "one UINT16 2", "one UINT16 2"},
        {ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY, "enum UINT16 [0 2] cur 0 def 0", "one UINT16 0"},
        {CAP_INDICATORS, TWTY_BOOL, FALSE, "fail 6", "one BOOL 1"},
    };
    // A TWAIN 1.x application's reset all is the resets it may send one by one.
    for (const char* caller : {Twain1, Twain2}) {
        SCOPED_TRACE(caller);
        OpenFor(caller);
        for (const Row& row : rows)
            SetOneValue(row.cap, row.itemType, row.item);
        TW_CAPABILITY capability = {0, TWON_DONTCARE16, nullptr};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_CAPABILITY, MSG_RESETALL, &capability));
        EXPECT_EQ(nullptr, capability.hContainer) << "nothing handed out";
        for (const Row& row : rows)
            EXPECT_EQ(caller == Twain2 ? row.afterReset2 : row.afterReset1,
                      Answer(MSG_GETCURRENT, row.cap))
                << row.cap;
    }
}
