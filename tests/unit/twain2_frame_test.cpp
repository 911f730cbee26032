// The frame as capabilities for an application that speaks TWAIN 2: paper sizes
// offered by what fits the model and turned into the frame and the image, the
// frame itself set and reported as DAT_IMAGELAYOUT does, and each road to the
// frame seen from the others.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>

#include "tests/support/capability_containers.h"
#include "tests/support/twain2_manager.h"

namespace {

constexpr double MillimetresPerInch = 25.4;

TW_FIX32 Fix(double inches) {
    const int32_t fixed = static_cast<int32_t>(std::lround(inches * 65536.0));
    return {static_cast<TW_INT16>(fixed >> 16), static_cast<TW_UINT16>(fixed & 0xFFFF)};
}

TW_FRAME FrameOf(double left, double top, double right, double bottom) {
    return {Fix(left), Fix(top), Fix(right), Fix(bottom)};
}

// A frame centred on the feed of a scanner `physical` inches wide, at the top: its
// left edge on the pixel nearest to centring its width in whole pixels at `dpi`.
TW_FRAME Centred(double width, double length, double physical = 39.375, double dpi = 300) {
    const double pixels = std::lround(width * dpi);
    const double left = std::floor((physical * dpi - pixels) / 2 + 0.5) / dpi;
    return FrameOf(left, 0, left + width, length);
}

// A one value or an enumeration of frames, as an application lays them out.
Bytes FrameContainer(const std::vector<TW_FRAME>& frames, TW_UINT32 current = TWON_DONTCARE32,
                     TW_UINT16 itemType = TWTY_FRAME) {
    Bytes bytes =
        current == TWON_DONTCARE32
            ? Bytes{static_cast<uint8_t>(itemType), static_cast<uint8_t>(itemType >> 8)}
            : EnumerationBytes(itemType, static_cast<TW_UINT32>(frames.size()), current, 0, {});
    for (const TW_FRAME& frame : frames) {
        const auto* raw = reinterpret_cast<const uint8_t*>(&frame);
        bytes.insert(bytes.end(), raw, raw + sizeof frame);
    }
    return bytes;
}

bool operator==(const TW_FRAME& a, const TW_FRAME& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

class Twain2FrameTest : public CapabilityTest {
protected:
    void OpenOn(const char* model) {
        scanner_.reset();  // the model before this test is what it restores
        scanner_ = std::make_unique<ScopedEnvironment>("TARNSCAN_MODEL", model);
        Reload();
        App = FakeTwain2Manager::Twain2Application(5);
        Open();
    }
    TW_UINT16 SetUInt16(TW_UINT16 cap, TW_UINT16 value) {
        return SetOneValue(cap, TWTY_UINT16, value);
    }
    Reply Sizes(TW_UINT16 msg) {
        Reply reply;
        EXPECT_EQ(TWRC_SUCCESS, Query(msg, ICAP_SUPPORTEDSIZES, &reply));
        return reply;
    }
    // A frame query's one value, whose block must hold the item type and one frame.
    TW_FRAME Frame(TW_UINT16 msg) {
        TW_CAPABILITY capability = {ICAP_FRAMES, TWON_DONTCARE16, nullptr};
        TW_FRAME frame = {};
        if (Call(DG_CONTROL, DAT_CAPABILITY, msg, &capability) != TWRC_SUCCESS) {
            ADD_FAILURE() << "ICAP_FRAMES message " << msg << " failed";
            return frame;
        }
        const Bytes bytes = BlockBytes(capability.hContainer);
        GlobalFree(capability.hContainer);
        EXPECT_EQ(TWON_ONEVALUE, capability.ConType);
        EXPECT_EQ(FrameContainer({frame}).size(), bytes.size());
        EXPECT_EQ(TWTY_FRAME, bytes.at(0) | bytes.at(1) << 8);
        std::memcpy(&frame, bytes.data() + 2, std::min(sizeof frame, bytes.size() - 2));
        return frame;
    }
    TW_FRAME LayoutFrame(TW_UINT16 msg) {
        TW_IMAGELAYOUT layout = {};
        EXPECT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_IMAGELAYOUT, msg, &layout));
        return layout.Frame;
    }

private:
    std::unique_ptr<ScopedEnvironment> scanner_;
};

TEST_F(Twain2FrameTest, PapersWiderThanTheScannerAreNotOffered) {
    // QD140 takes 35 inches across, QC1400 54: 2A0 (1189 mm) fits only the
    // second, 4A0 (1682 mm) neither.
    struct Row {
        const char* model;
        TW_UINT16 size;
        bool offered;
    };
    for (const Row& row : {Row{"QD140", TWSS_A0, true}, Row{"QD140", TWSS_2A0, false},
                           Row{"QC1400", TWSS_2A0, true}, Row{"QC1400", TWSS_4A0, false}}) {
        SCOPED_TRACE(::testing::Message() << row.model << " size " << row.size);
        OpenOn(row.model);
        const std::vector<TW_UINT16> offered = Sizes(MSG_GET).Items;
        ASSERT_FALSE(offered.empty());
        EXPECT_EQ(TWSS_NONE, offered.front());
        EXPECT_EQ(row.offered, std::count(offered.begin(), offered.end(), row.size) == 1);
        EXPECT_EQ(row.offered ? TWRC_SUCCESS : TWRC_FAILURE,
                  SetUInt16(ICAP_SUPPORTEDSIZES, row.size));
        EXPECT_EQ(row.offered ? row.size : TWSS_NONE, Sizes(MSG_GETCURRENT).Item);
    }
}

TEST_F(Twain2FrameTest, APaperSizeIsTheFrameAndTheImage) {
    // The frame is in inches, so the paper is the image whether the size or the
    // resolution comes first.
    struct Row {
        const char* model;
        TW_UINT16 size;
        double width, length, perInch;  // the paper, in units perInch to the inch
        TW_UINT16 dpi;
        bool sizeFirst;
        double physical;  // the scanner's width in inches
    };
    for (const Row& row : {Row{"QD120", TWSS_A4, 210, 297, MillimetresPerInch, 100, true, 39.375},
                           Row{"QD140", TWSS_A0, 841, 1189, MillimetresPerInch, 50, true, 35},
                           Row{"QD120", TWSS_USLETTER, 8.5, 11, 1, 300, false, 39.375}}) {
        SCOPED_TRACE(::testing::Message() << row.model << " size " << row.size);
        OpenOn(row.model);
        if (row.sizeFirst) {
            EXPECT_EQ(TWRC_SUCCESS, SetUInt16(ICAP_SUPPORTEDSIZES, row.size));
        }
        ASSERT_EQ(TWRC_SUCCESS, SetUInt16(ICAP_XRESOLUTION, row.dpi));
        ASSERT_EQ(TWRC_SUCCESS, SetUInt16(ICAP_YRESOLUTION, row.dpi));
        if (!row.sizeFirst) {
            EXPECT_EQ(TWRC_SUCCESS, SetUInt16(ICAP_SUPPORTEDSIZES, row.size));
        }
        EXPECT_EQ(row.size, Sizes(MSG_GETCURRENT).Item);
        const long width = std::lround(row.width / row.perInch * row.dpi);
        const long length = std::lround(row.length / row.perInch * row.dpi);
        const TW_FRAME frame = Frame(MSG_GETCURRENT);
        EXPECT_TRUE(Centred(double(width) / row.dpi, double(length) / row.dpi, row.physical,
                            row.dpi) == frame);
        EXPECT_TRUE(LayoutFrame(MSG_GET) == frame);
        TW_USERINTERFACE ui = {FALSE, FALSE, nullptr};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
        TW_IMAGEINFO info = {};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
        EXPECT_EQ(width, info.ImageWidth);
        EXPECT_EQ(length, info.ImageLength);
    }
}

TEST_F(Twain2FrameTest, EveryRoadToTheFrameIsSeenByTheOthers) {
    // One session at 300 dpi, step by step: each step's answer and the paper size
    // the frame is afterwards.
    OpenOn("QD120");
    ASSERT_EQ(TWRC_SUCCESS, SetUInt16(ICAP_XRESOLUTION, 300));
    ASSERT_EQ(TWRC_SUCCESS, SetUInt16(ICAP_YRESOLUTION, 300));
    const TW_FRAME letter = Centred(8.5, 11);
    const TW_FRAME a4 = Centred(210 / MillimetresPerInch, 297 / MillimetresPerInch);
    const auto setFrames = [&](const Bytes& bytes, TW_UINT16 conType = TWON_ONEVALUE) {
        return Set(ICAP_FRAMES, conType, bytes);
    };
    const auto layout = [&](TW_UINT16 msg, const TW_FRAME& frame) {
        TW_IMAGELAYOUT record = {frame, 1, 1, 1};
        return Call(DG_IMAGE, DAT_IMAGELAYOUT, msg, &record);
    };
    const auto reset = [&](TW_UINT16 cap) { return Query(MSG_RESET, cap); };
    // A block cut short after the frame was written: what lay past the cut is
    // still in memory, where no reader may look.
    const auto cutFrame = [&] {
        HGLOBAL block = GlobalReAlloc(AppBlock(FrameContainer({a4})), 10, GMEM_MOVEABLE);
        TW_CAPABILITY capability = {ICAP_FRAMES, TWON_ONEVALUE, block};
        const TW_UINT16 result = Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
        GlobalFree(block);
        return result;
    };
    struct Step {
        const char* name;
        std::function<TW_UINT16()> action;
        TW_UINT16 result, condition, sizeAfter;
    };
    const Step steps[] = {
        {"letter frame", [&] { return setFrames(FrameContainer({letter})); }, TWRC_SUCCESS, 0,
         TWSS_USLETTER},
        {"placed", [&] { return setFrames(FrameContainer({FrameOf(1, 1, 9.5, 12)})); },
         TWRC_SUCCESS, 0, TWSS_NONE},
        {"A4 by layout", [&] { return layout(MSG_SET, a4); }, TWRC_CHECKSTATUS, 0, TWSS_A4},
        {"entry 1",
         [&] {
             return setFrames(FrameContainer({a4, letter}, 1), TWON_ENUMERATION);
         },
         TWRC_SUCCESS, 0, TWSS_USLETTER},
        {"cut block", cutFrame, TWRC_FAILURE, TWCC_BADVALUE, TWSS_USLETTER},
        {"not a frame",
         [&] { return setFrames(FrameContainer({a4}, TWON_DONTCARE32, TWTY_UINT16)); },
         TWRC_FAILURE, TWCC_BADVALUE, TWSS_USLETTER},
        {"entry past the end", [&] { return setFrames(FrameContainer({a4}, 1), TWON_ENUMERATION); },
         TWRC_FAILURE, TWCC_BADVALUE, TWSS_USLETTER},
        {"off the scanner", [&] { return setFrames(FrameContainer({FrameOf(0, 0, 60, 11)})); },
         TWRC_FAILURE, TWCC_BADVALUE, TWSS_USLETTER},
        {"to whole pixels", [&] { return setFrames(FrameContainer({Centred(8.5001, 11)})); },
         TWRC_CHECKSTATUS, 0, TWSS_USLETTER},
        {"size code 8", [&] { return SetUInt16(ICAP_SUPPORTEDSIZES, 8); }, TWRC_FAILURE,
         TWCC_BADVALUE, TWSS_USLETTER},
        {"no size", [&] { return SetUInt16(ICAP_SUPPORTEDSIZES, TWSS_NONE); }, TWRC_SUCCESS, 0,
         TWSS_USLETTER},
        {"reset sizes", [&] { return reset(ICAP_SUPPORTEDSIZES); }, TWRC_SUCCESS, 0, TWSS_NONE},
        {"A4 size", [&] { return SetUInt16(ICAP_SUPPORTEDSIZES, TWSS_A4); }, TWRC_SUCCESS, 0,
         TWSS_A4},
        {"reset frames", [&] { return reset(ICAP_FRAMES); }, TWRC_SUCCESS, 0, TWSS_NONE},
        {"letter size", [&] { return SetUInt16(ICAP_SUPPORTEDSIZES, TWSS_USLETTER); }, TWRC_SUCCESS,
         0, TWSS_USLETTER},
        {"reset by layout", [&] { return layout(MSG_RESET, letter); }, TWRC_SUCCESS, 0, TWSS_NONE},
        {"two frames", [&] { return SetUInt16(ICAP_MAXFRAMES, 2); }, TWRC_CHECKSTATUS, 0,
         TWSS_NONE},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        EXPECT_EQ(step.result, step.action());
        if (step.result == TWRC_FAILURE) {
            EXPECT_EQ(step.condition, Status());
        }
        EXPECT_EQ(step.sizeAfter, Sizes(MSG_GETCURRENT).Item);
        EXPECT_TRUE(LayoutFrame(MSG_GET) == Frame(MSG_GET));
    }
    // The resets went to the frame every default reports, at the resolutions
    // negotiated.
    EXPECT_TRUE(LayoutFrame(MSG_GETDEFAULT) == Frame(MSG_GETDEFAULT));
    EXPECT_TRUE(Frame(MSG_GETDEFAULT) == Frame(MSG_GETCURRENT));
}

}  // namespace
