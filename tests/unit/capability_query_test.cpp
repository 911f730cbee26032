// MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT and MSG_RESET of every capability, and
// the message and state checks made before a capability is looked at.
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "source/session.h"
#include "tarnscan/tarnscan.h"
#include "tests/support/capability_containers.h"

namespace {

typedef std::optional<Reply> Answer;  // no value: refused with TWCC_BADCAP
const Answer BadCap;

const std::vector<TW_UINT16> QD120Resolutions = {50, 100, 150, 200, 250, 300, 350, 400, 600, 800};
const std::vector<TW_UINT16> QD140PlusResolutions = {50, 100, 150, 200, 250, 300, 400, 600};
const std::vector<TW_UINT16> QD150PlusResolutions = {50, 100, 150, 200, 300, 400};
const std::vector<TW_UINT16> OtherResolutions = {50, 100, 150, 200, 250, 300, 450, 600};

const std::vector<TW_UINT16> SupportedCaps = {
    CAP_XFERCOUNT,     CAP_SUPPORTEDCAPS,   CAP_UICONTROLLABLE, ICAP_COMPRESSION,
    ICAP_PLANARCHUNKY, ICAP_PHYSICALHEIGHT, ICAP_PHYSICALWIDTH, ICAP_PIXELFLAVOR,
    ICAP_BITDEPTH,     ICAP_BITORDER,       ICAP_PIXELTYPE,     ICAP_UNITS,
    ICAP_XFERMECH,     ICAP_XRESOLUTION,    ICAP_YRESOLUTION};

Reply OneInt16(int16_t v) {
    return OneValueReply(TWTY_INT16, static_cast<TW_UINT16>(v));
}
Reply OneUInt16(TW_UINT16 v) {
    return OneValueReply(TWTY_UINT16, v);
}

// A width in inches as TW_FIX32: whole inches and the fraction in 1/65536.
Reply OneFix32(double inches) {
    double whole = std::floor(inches);
    return OneValueReply(TWTY_FIX32, Fix32Item(static_cast<int16_t>(whole),
                                               static_cast<uint16_t>((inches - whole) * 65536)));
}

// In place of a pixel type: a composition no application can ask for, taken up
// from the user's stored settings.
constexpr TW_UINT16 FromStore = 0xFFFF;

// Answers with the built-in scan parameters (RGB, 24 bits, 400 x 400 dpi, native
// transfer) on a QD120, whose list holds 400 at position 7.
struct QueryRow {
    TW_UINT16 cap;
    Answer get, getCurrent, getDefault, reset;
};

const std::vector<QueryRow>& QueryTable() {
    static const Reply pixelTypes =
        EnumerationReply({TWPT_BW, TWPT_GRAY, TWPT_PALETTE, TWPT_RGB}, 3, 3);
    static const Reply mechanisms = EnumerationReply({TWSX_NATIVE, TWSX_MEMORY}, 0, 0);
    static const Reply resolutions = EnumerationReply(QD120Resolutions, 7, 7);
    static const std::vector<QueryRow> rows = {
        {CAP_XFERCOUNT, OneInt16(1), OneInt16(1), OneInt16(1), OneInt16(1)},
        {ICAP_COMPRESSION, OneInt16(TWCP_NONE), OneInt16(TWCP_NONE), OneInt16(TWCP_NONE), BadCap},
        {ICAP_PIXELTYPE, pixelTypes, OneUInt16(TWPT_RGB), OneUInt16(TWPT_RGB), OneUInt16(TWPT_RGB)},
        {ICAP_UNITS, OneUInt16(TWUN_INCHES), OneUInt16(TWUN_INCHES), OneUInt16(TWUN_INCHES),
         OneUInt16(TWUN_INCHES)},
        {ICAP_XFERMECH, mechanisms, mechanisms, mechanisms, mechanisms},
        {CAP_SUPPORTEDCAPS, ArrayReply(SupportedCaps), BadCap, BadCap, BadCap},
        {CAP_UICONTROLLABLE, OneValueReply(TWTY_BOOL, TRUE), BadCap, BadCap, BadCap},
        {ICAP_PHYSICALWIDTH, OneFix32(39.375), OneFix32(39.375), OneFix32(39.375), BadCap},
        {ICAP_PHYSICALHEIGHT, OneFix32(32000), OneFix32(32000), OneFix32(32000), BadCap},
        {ICAP_XRESOLUTION, resolutions, OneUInt16(400), OneUInt16(400), OneUInt16(400)},
        {ICAP_YRESOLUTION, resolutions, OneUInt16(400), OneUInt16(400), OneUInt16(400)},
        {ICAP_BITORDER, OneUInt16(TWBO_MSBFIRST), OneUInt16(TWBO_MSBFIRST),
         OneUInt16(TWBO_MSBFIRST), OneUInt16(TWBO_MSBFIRST)},
        {ICAP_PIXELFLAVOR, OneUInt16(TWPF_CHOCOLATE), OneUInt16(TWPF_CHOCOLATE),
         OneUInt16(TWPF_CHOCOLATE), BadCap},
        {ICAP_PLANARCHUNKY, OneInt16(TWPC_CHUNKY), OneInt16(TWPC_CHUNKY), OneInt16(TWPC_CHUNKY),
         BadCap},
        {ICAP_BITDEPTH, OneUInt16(24), OneUInt16(24), OneUInt16(24), OneUInt16(24)},
        // Set-only, and capabilities the source does not know.
        {ICAP_BRIGHTNESS, BadCap, BadCap, BadCap, BadCap},
        {ICAP_THRESHOLD, BadCap, BadCap, BadCap, BadCap},
        {0x1102 /* ICAP_CONTRAST */, BadCap, BadCap, BadCap, BadCap},
        {0x0000, BadCap, BadCap, BadCap, BadCap},
        {0xFFFF, BadCap, BadCap, BadCap, BadCap},
    };
    return rows;
}

class CapabilityQueryTest : public CapabilityTest {
protected:
    void SetUp() override {
        CapabilityTest::SetUp();
        OpenOn("QD120");
    }

    // The pixel type (and depth) as negotiated, or the composition (and depth) stored.
    void Prepare(TW_UINT16 pixelType, DWORD composition, DWORD bits = 0) {
        if (pixelType == FromStore && bits == 0)
            return LoadStoredSettings({{"Image Composition", composition}});
        if (pixelType == FromStore)
            return LoadStoredSettings(
                {{"Image Composition", composition}, {"Bits per Pixel", bits}});
        ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_PIXELTYPE, TWTY_UINT16, pixelType));
        if (bits != 0) {
            ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_BITDEPTH, TWTY_UINT16, bits));
        }
    }

    // A fresh connection opened (state 4) on a scanner reporting this model name.
    void OpenOn(const char* model) {
        ScopedEnvironment scanner("TARNSCAN_MODEL", model);
        Reload();
        Open();
    }

    void CheckColumn(TW_UINT16 msg, Answer QueryRow::*column) {
        for (const QueryRow& row : QueryTable()) {
            SCOPED_TRACE("cap 0x" + ToHex(row.cap));
            const Answer& expected = row.*column;
            Reply reply;
            TW_UINT16 result = Query(msg, row.cap, &reply);
            if (expected) {
                ASSERT_EQ(TWRC_SUCCESS, result);
                EXPECT_EQ(*expected, reply);
            } else {
                EXPECT_EQ(TWRC_FAILURE, result);
                EXPECT_EQ(TWCC_BADCAP, Status());
            }
        }
    }

    // A fresh connection moved to `state` the way an application moves it: an
    // enable with the dialog (5) or without it (6), and one block of a memory
    // transfer that leaves most of the image to come (7).
    void OpenInState(TwainState state) {
        OpenOn("QD120");
        Reach(state);
    }
    void Reach(TwainState state) {
        if (state == TwainState::Open) return;
        if (state == TwainState::Transferring) {
            ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY));
        }
        TW_USERINTERFACE ui = {static_cast<TW_BOOL>(state == TwainState::Enabled ? TRUE : FALSE),
                               FALSE, nullptr};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
        if (state == TwainState::Transferring) {
            ASSERT_EQ(TWRC_SUCCESS, TakeMemoryBlock(4800));
        }
    }

    static std::string ToHex(TW_UINT16 value) {
        char text[8];
        wsprintfA(text, "%04x", value);
        return text;
    }
};

}  // namespace

TEST_F(CapabilityQueryTest, GetAnswersEveryCapability) {
    CheckColumn(MSG_GET, &QueryRow::get);
}

TEST_F(CapabilityQueryTest, GetCurrentAnswersEveryCapability) {
    CheckColumn(MSG_GETCURRENT, &QueryRow::getCurrent);
}

TEST_F(CapabilityQueryTest, GetDefaultAnswersEveryCapability) {
    CheckColumn(MSG_GETDEFAULT, &QueryRow::getDefault);
}

TEST_F(CapabilityQueryTest, ResetAnswersEveryCapability) {
    CheckColumn(MSG_RESET, &QueryRow::reset);
}

TEST_F(CapabilityQueryTest, PixelTypeFollowsTheComposition) {
    const std::vector<TW_UINT16> types = {TWPT_BW, TWPT_GRAY, TWPT_PALETTE, TWPT_RGB};
    const struct {
        TW_UINT16 pixelType;
        DWORD composition;  // stored: 1, 4 and -7 name no composition
        TW_UINT32 currentIndex;
    } cases[] = {{TWPT_BW, 0, 0},
                 {TWPT_GRAY, 0, 1},
                 {TWPT_PALETTE, 0, 2},
                 {TWPT_RGB, 0, 3},
                 {FromStore, 1, 0},
                 {FromStore, 4, 0},
                 {FromStore, static_cast<DWORD>(-7), 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.pixelType) + ", " + std::to_string(int32_t(c.composition)));
        Prepare(c.pixelType, c.composition);
        Reply reply;
        ASSERT_EQ(TWRC_SUCCESS, Query(MSG_GET, ICAP_PIXELTYPE, &reply));
        EXPECT_EQ(EnumerationReply(types, c.currentIndex, 3), reply);
        ASSERT_EQ(TWRC_SUCCESS, Query(MSG_GETCURRENT, ICAP_PIXELTYPE, &reply));
        EXPECT_EQ(OneUInt16(types[c.currentIndex]), reply);
        ASSERT_EQ(TWRC_SUCCESS, Query(MSG_GETDEFAULT, ICAP_PIXELTYPE, &reply));
        EXPECT_EQ(OneUInt16(TWPT_RGB), reply);
    }
    // The reset returns to RGB at 24 bits.
    ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_PALETTE));
    ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_BITDEPTH, TWTY_UINT16, 4));
    ASSERT_EQ(TWRC_SUCCESS, Query(MSG_RESET, ICAP_PIXELTYPE));
    EXPECT_EQ(TWPT_RGB, CurrentItem(ICAP_PIXELTYPE));
    EXPECT_EQ(24u, CurrentItem(ICAP_BITDEPTH));
}

TEST_F(CapabilityQueryTest, BitDepthFollowsTheComposition) {
    const std::vector<TW_UINT16> paletteDepths = {8, 4};
    const DWORD palette = DWORD(Composition::PaletteColour), grey = DWORD(Composition::Greyscale);
    // Only a palette's depth is reset; 1 and 4 name no composition.
    const struct {
        TW_UINT16 pixelType;
        DWORD composition, bitsPerPixel;
        Reply get;
        TW_UINT16 defaultDepth;
        TW_UINT16 afterReset;
    } cases[] = {
        {TWPT_PALETTE, 0, 8, EnumerationReply(paletteDepths, 0, 0), 8, 8},
        {TWPT_PALETTE, 0, 4, EnumerationReply(paletteDepths, 1, 0), 8, 8},
        {FromStore, palette, 1, EnumerationReply(paletteDepths, 1, 0), 8, 8},
        {TWPT_BW, 0, 1, OneUInt16(1), 1, 1},
        {TWPT_GRAY, 0, 8, OneUInt16(8), 8, 8},
        {FromStore, grey, 16, OneUInt16(16), 8, 16},
        {TWPT_RGB, 0, 24, OneUInt16(24), 24, 24},
        {FromStore, 1, 4, OneUInt16(4), 0, 4},
        {FromStore, 4, 8, OneUInt16(8), 0, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.pixelType) + ", " + std::to_string(c.composition) + ", " +
                     std::to_string(c.bitsPerPixel) + " bits");
        Prepare(c.pixelType, c.composition, c.bitsPerPixel);
        const TW_UINT32 pixelType = CurrentItem(ICAP_PIXELTYPE);
        Reply reply;
        ASSERT_EQ(TWRC_SUCCESS, Query(MSG_GET, ICAP_BITDEPTH, &reply));
        EXPECT_EQ(c.get, reply);
        ASSERT_EQ(TWRC_SUCCESS, Query(MSG_GETCURRENT, ICAP_BITDEPTH, &reply));
        EXPECT_EQ(OneUInt16(static_cast<TW_UINT16>(c.bitsPerPixel)), reply);
        ASSERT_EQ(TWRC_SUCCESS, Query(MSG_GETDEFAULT, ICAP_BITDEPTH, &reply));
        EXPECT_EQ(OneUInt16(c.defaultDepth), reply);
        ASSERT_EQ(TWRC_SUCCESS, Query(MSG_RESET, ICAP_BITDEPTH, &reply));
        EXPECT_EQ(OneUInt16(c.afterReset), reply);
        EXPECT_EQ(c.afterReset, CurrentItem(ICAP_BITDEPTH));
        EXPECT_EQ(pixelType, CurrentItem(ICAP_PIXELTYPE));
    }
}

// Any mechanism but a file is taken as it comes; only native is reported at entry 0.
TEST_F(CapabilityQueryTest, TransferMechanismFollowsTheNegotiatedValue) {
    const std::vector<TW_UINT16> mechanisms = {TWSX_NATIVE, TWSX_MEMORY};
    for (TW_UINT16 stored : {TW_UINT16(TWSX_NATIVE), TW_UINT16(TWSX_MEMORY), TW_UINT16(7)}) {
        SCOPED_TRACE("mechanism " + std::to_string(stored));
        ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_XFERMECH, TWTY_UINT16, stored));
        const TW_UINT32 current = stored != TWSX_NATIVE ? 1 : 0;
        Reply reply;
        for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT}) {
            ASSERT_EQ(TWRC_SUCCESS, Query(msg, ICAP_XFERMECH, &reply));
            EXPECT_EQ(EnumerationReply(mechanisms, current, 0), reply);
        }
        ASSERT_EQ(TWRC_SUCCESS, Query(MSG_RESET, ICAP_XFERMECH, &reply));
        EXPECT_EQ(EnumerationReply(mechanisms, 0, 0), reply);  // built after the reset
    }
}

// The current entry is the resolution (stored as sent) truncated to a multiple of
// 50; a value the list lacks reports the largest entry below it, or the first entry.
TEST_F(CapabilityQueryTest, ResolutionListAndPositionsFollowTheModel) {
    const struct {
        const char* model;
        int32_t resolution;
        const std::vector<TW_UINT16>* list;
        TW_UINT32 currentIndex, defaultIndex;
    } cases[] = {
        {"QD120", 360, &QD120Resolutions, 6, 7},  // 350
        {"QD120", 400, &QD120Resolutions, 7, 7},
        {"QD120", 500, &QD120Resolutions, 7, 7},  // not listed: 400 below it
        {"QD120", 800, &QD120Resolutions, 9, 7},
        {"QD120", 1200, &QD120Resolutions, 9, 7},
        {"QD120", 49, &QD120Resolutions, 0, 7},  // truncates to 0: below every entry
        {"QD120", -100, &QD120Resolutions, 0, 7},
        {"QD110", 99, &QD120Resolutions, 0, 7},  // 50
        {"QD140+", 600, &QD140PlusResolutions, 7, 6},
        {"QD140+", 350, &QD140PlusResolutions, 5, 6},  // 300
        {"QD150+", 250, &QD150PlusResolutions, 3, 5},  // 200
        {"QD150+", 400, &QD150PlusResolutions, 5, 5},
        {"QD140", 450, &OtherResolutions, 6, 5},  // 400 is not listed: 300 is the default
        {"QD130", 400, &OtherResolutions, 5, 5},
        {"QC1400", 700, &OtherResolutions, 7, 5},
        {"unknown", 100, &OtherResolutions, 1, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " at " + std::to_string(c.resolution));
        OpenOn(c.model);
        for (TW_UINT16 cap : {ICAP_XRESOLUTION, ICAP_YRESOLUTION}) {
            ASSERT_EQ(TWRC_SUCCESS, SetOneValue(cap, TWTY_INT32, TW_UINT32(c.resolution)));
            Reply reply;
            ASSERT_EQ(TWRC_SUCCESS, Query(MSG_GET, cap, &reply));
            EXPECT_EQ(EnumerationReply(*c.list, c.currentIndex, c.defaultIndex), reply);
        }
    }
}

// Resetting either one resets both.
TEST_F(CapabilityQueryTest, EachResolutionCapabilityReportsItsOwnDirection) {
    for (TW_UINT16 reset : {ICAP_YRESOLUTION, ICAP_XRESOLUTION}) {
        ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_XRESOLUTION, TWTY_UINT16, 100));
        ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_YRESOLUTION, TWTY_UINT16, 600));
        Reply reply;
        ASSERT_EQ(TWRC_SUCCESS, Query(MSG_GET, ICAP_XRESOLUTION, &reply));
        EXPECT_EQ(1u, reply.CurrentIndex);
        ASSERT_EQ(TWRC_SUCCESS, Query(MSG_GET, ICAP_YRESOLUTION, &reply));
        EXPECT_EQ(8u, reply.CurrentIndex);
        EXPECT_EQ(100u, CurrentItem(ICAP_XRESOLUTION));
        EXPECT_EQ(600u, CurrentItem(ICAP_YRESOLUTION));
        ASSERT_EQ(TWRC_SUCCESS, Query(MSG_RESET, reset));
        EXPECT_EQ(400u, CurrentItem(ICAP_XRESOLUTION)) << reset;
        EXPECT_EQ(400u, CurrentItem(ICAP_YRESOLUTION)) << reset;
    }
}

TEST_F(CapabilityQueryTest, PhysicalWidthIsTheModelsWidthInInches) {
    const struct {
        const char* model;
        double inches;
    } cases[] = {
        {"QD120", 39.375}, {"QD110", 39.375}, {"QD140+", 39.375}, {"QD150+", 39.375},
        {"none", 39.375},  {"QD140", 35},     {"QD130", 35},      {"QC1400", 54},
        {"QB1310", 48},    {"QB1320", 42},    {"QB1300", 42},     {"QA1220", 36},
        {"QA1210", 36},    {"QA1200", 36},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        OpenOn(c.model);
        for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT}) {
            Reply reply;
            ASSERT_EQ(TWRC_SUCCESS, Query(msg, ICAP_PHYSICALWIDTH, &reply));
            EXPECT_EQ(OneFix32(c.inches), reply);
        }
    }
}

TEST_F(CapabilityQueryTest, QueriesAreAnsweredInEveryConnectedState) {
    for (TwainState state :
         {TwainState::Enabled, TwainState::TransferReady, TwainState::Transferring}) {
        OpenInState(state);
        Reply reply;
        EXPECT_EQ(TWRC_SUCCESS, Query(MSG_GET, ICAP_PIXELTYPE, &reply)) << state;
        EXPECT_EQ(TWRC_SUCCESS, Query(MSG_GETCURRENT, ICAP_XRESOLUTION, &reply)) << state;
        EXPECT_EQ(TWRC_SUCCESS, Query(MSG_GETDEFAULT, ICAP_BITDEPTH, &reply)) << state;
    }
}

TEST_F(CapabilityQueryTest, MessagesOtherThanTheFiveAreBadProtocol) {
    for (TwainState state : {TwainState::Open, TwainState::Enabled}) {
        OpenInState(state);
        for (TW_UINT16 msg : {MSG_NULL, MSG_GETFIRST, MSG_GETNEXT, MSG_QUERYSUPPORT, 9,
                              MSG_XFERREADY, MSG_ENABLEDS, 0xFFFF}) {
            for (TW_UINT16 cap : {ICAP_PIXELTYPE, 0x7777}) {
                TW_CAPABILITY capability = {cap, TWON_ONEVALUE, nullptr};
                EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_CAPABILITY, msg, &capability));
                EXPECT_EQ(TWCC_BADPROTOCOL, Status()) << "message " << msg << " state " << state;
            }
        }
    }
}

TEST_F(CapabilityQueryTest, SetAndResetOutsideStateFourAreSequenceErrors) {
    for (TwainState state :
         {TwainState::Enabled, TwainState::TransferReady, TwainState::Transferring}) {
        SCOPED_TRACE(state);
        OpenInState(TwainState::Open);
        ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY));
        ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_XRESOLUTION, TWTY_UINT16, 300));
        ASSERT_EQ(TWRC_SUCCESS, SetOneValue(ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY));
        Reach(state);
        // The enable with the dialog starts from the stored settings; whatever is in
        // force now is what the refused requests must leave.
        const std::vector<TW_UINT32> before = {
            CurrentItem(ICAP_PIXELTYPE), CurrentItem(ICAP_BITDEPTH), CurrentItem(ICAP_XRESOLUTION)};
        // Checked before the capability is looked at: an unknown one gets the same.
        for (TW_UINT16 cap : {ICAP_PIXELTYPE, ICAP_XRESOLUTION, ICAP_XFERMECH, 0x7777}) {
            EXPECT_EQ(TWRC_FAILURE, Query(MSG_RESET, cap));
            EXPECT_EQ(TWCC_SEQERROR, Status());
            EXPECT_EQ(TWRC_FAILURE, SetOneValue(cap, TWTY_UINT16, TWPT_RGB));
            EXPECT_EQ(TWCC_SEQERROR, Status());
        }
        EXPECT_EQ(before,
                  (std::vector<TW_UINT32>{CurrentItem(ICAP_PIXELTYPE), CurrentItem(ICAP_BITDEPTH),
                                          CurrentItem(ICAP_XRESOLUTION)}));
        if (state != TwainState::Enabled) {
            EXPECT_EQ((std::vector<TW_UINT32>{TWPT_GRAY, 8, 300}), before);
        }
        Reply mechanisms;
        ASSERT_EQ(TWRC_SUCCESS, Query(MSG_GETCURRENT, ICAP_XFERMECH, &mechanisms));
        EXPECT_EQ(1u, mechanisms.CurrentIndex);  // memory
    }
}
