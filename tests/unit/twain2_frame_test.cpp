// The frame as capabilities for an application that speaks TWAIN 2: paper sizes
// (ICAP_SUPPORTEDSIZES) offered by what fits the model and turned into the frame
// and the image, the frame itself (ICAP_FRAMES) set and reported as
// DAT_IMAGELAYOUT does, and each road to the frame seen from the others.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "tests/support/capability_containers.h"
#include "tests/support/twain2_manager.h"
#include "tests/unit/engine_fixture.h"

namespace {

TW_FIX32 Fix(double inches) {
    const int32_t fixed = static_cast<int32_t>(std::lround(inches * 65536.0));
    return {static_cast<TW_INT16>(fixed >> 16), static_cast<TW_UINT16>(fixed & 0xFFFF)};
}

double Real(TW_FIX32 value) {
    return value.Whole + value.Frac / 65536.0;
}

TW_FRAME FrameOf(double left, double top, double right, double bottom) {
    return {Fix(left), Fix(top), Fix(right), Fix(bottom)};
}

template <typename T>
void Append(Bytes& bytes, const T& value) {
    const auto* raw = reinterpret_cast<const uint8_t*>(&value);
    bytes.insert(bytes.end(), raw, raw + sizeof value);
}

Bytes FrameOneValue(const TW_FRAME& frame, TW_UINT16 itemType = TWTY_FRAME) {
    Bytes bytes;
    Append<TW_UINT16>(bytes, itemType);
    Append(bytes, frame);
    return bytes;
}

Bytes FrameEnumeration(const std::vector<TW_FRAME>& frames, TW_UINT32 current) {
    Bytes bytes;
    Append<TW_UINT16>(bytes, TWTY_FRAME);
    Append<TW_UINT32>(bytes, static_cast<TW_UINT32>(frames.size()));
    Append<TW_UINT32>(bytes, current);
    Append<TW_UINT32>(bytes, 0);
    for (const TW_FRAME& frame : frames)
        Append(bytes, frame);
    return bytes;
}

constexpr double MillimetresPerInch = 25.4;

class Twain2FrameTest : public EngineTest {
protected:
    void OpenOn(const char* model) {
        UseScanner(model);
        App = FakeTwain2Manager::Twain2Application(5);
        Open();
    }

    // MSG_SET of a block holding `bytes`, cut to `cutTo` bytes when given: what lay
    // past the cut is still in memory, where no reader may look.
    TW_UINT16 Set(TW_UINT16 cap, TW_UINT16 conType, const Bytes& bytes, size_t cutTo = 0) {
        HGLOBAL block = AppBlock(bytes);
        if (cutTo) block = GlobalReAlloc(block, cutTo, GMEM_MOVEABLE);
        TW_CAPABILITY capability = {cap, conType, block};
        const TW_UINT16 result = Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
        GlobalFree(block);
        return result;
    }
    TW_UINT16 SetUInt16(TW_UINT16 cap, TW_UINT16 value) {
        return Set(cap, TWON_ONEVALUE, OneValueBytes(TWTY_UINT16, value));
    }

    // The container of the answer, freed; empty when the call failed.
    Bytes Query(TW_UINT16 msg, TW_UINT16 cap) {
        TW_CAPABILITY capability = {cap, TWON_DONTCARE16, nullptr};
        if (Call(DG_CONTROL, DAT_CAPABILITY, msg, &capability) != TWRC_SUCCESS) return {};
        const Bytes bytes = BlockBytes(capability.hContainer);
        GlobalFree(capability.hContainer);
        return bytes;
    }
    TW_UINT16 CurrentSize() {
        const Bytes bytes = Query(MSG_GETCURRENT, ICAP_SUPPORTEDSIZES);
        TW_UINT16 size = 0xFFFF;
        if (bytes.size() >= 4) std::memcpy(&size, bytes.data() + 2, sizeof size);
        return size;
    }
    // The one-value frame a query answers, checked for its item type and size.
    TW_FRAME FrameAnswer(TW_UINT16 msg) {
        const Bytes bytes = Query(msg, ICAP_FRAMES);
        TW_FRAME frame = {};
        EXPECT_EQ(2 + sizeof frame, bytes.size());
        if (bytes.size() < 2 + sizeof frame) return frame;
        EXPECT_EQ(TWTY_FRAME, bytes[0] | bytes[1] << 8);
        std::memcpy(&frame, bytes.data() + 2, sizeof frame);
        return frame;
    }
    std::vector<TW_UINT16> OfferedSizes() {
        const Bytes bytes = Query(MSG_GET, ICAP_SUPPORTEDSIZES);
        std::vector<TW_UINT16> sizes;
        TW_UINT32 count = 0;
        if (bytes.size() >= 14) std::memcpy(&count, bytes.data() + 2, sizeof count);
        for (TW_UINT32 i = 0; i < count && 14 + 2 * i + 2 <= bytes.size(); ++i)
            sizes.push_back(static_cast<TW_UINT16>(bytes[14 + 2 * i] | bytes[15 + 2 * i] << 8));
        return sizes;
    }
    TW_FRAME LayoutFrame(TW_UINT16 msg) {
        TW_IMAGELAYOUT layout = {};
        EXPECT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_IMAGELAYOUT, msg, &layout));
        return layout.Frame;
    }
};

void ExpectFrame(const TW_FRAME& expected, const TW_FRAME& actual) {
    EXPECT_EQ(Real(expected.Left), Real(actual.Left));
    EXPECT_EQ(Real(expected.Top), Real(actual.Top));
    EXPECT_EQ(Real(expected.Right), Real(actual.Right));
    EXPECT_EQ(Real(expected.Bottom), Real(actual.Bottom));
}

TEST_F(Twain2FrameTest, PapersWiderThanTheScannerAreNotOffered) {
    // QD140 takes 35 inches across, QC1400 54: 2A0 (1189 mm) fits only the
    // second, 4A0 (1682 mm) neither.
    struct Row {
        const char* model;
        TW_UINT16 size;
        bool offered;
    };
    for (const Row& row :
         {Row{"QD140", TWSS_A0, true}, Row{"QD140", TWSS_2A0, false}, Row{"QC1400", TWSS_2A0, true},
          Row{"QC1400", TWSS_4A0, false}, Row{"QD140", TWSS_USLEDGER, true}}) {
        SCOPED_TRACE(::testing::Message() << row.model << " size " << row.size);
        OpenOn(row.model);
        const std::vector<TW_UINT16> offered = OfferedSizes();
        ASSERT_FALSE(offered.empty());
        EXPECT_EQ(TWSS_NONE, offered.front());
        const bool listed = std::count(offered.begin(), offered.end(), row.size) == 1;
        EXPECT_EQ(row.offered, listed);
        EXPECT_EQ(row.offered ? TWRC_SUCCESS : TWRC_FAILURE,
                  SetUInt16(ICAP_SUPPORTEDSIZES, row.size));
        EXPECT_EQ(row.offered ? row.size : TWSS_NONE, CurrentSize());
    }
}

TEST_F(Twain2FrameTest, APaperSizeIsTheFrameAndTheImage) {
    struct Row {
        const char* model;
        TW_UINT16 size;
        double width, length, perInch;  // the paper, in units perInch to the inch
        TW_UINT16 dpi;
    };
    for (const Row& row : {Row{"QD120", TWSS_A4, 210, 297, MillimetresPerInch, 100},
                           Row{"QD140", TWSS_A0, 841, 1189, MillimetresPerInch, 50},
                           Row{"QD120", TWSS_USLETTER, 8.5, 11, 1, 300}}) {
        SCOPED_TRACE(::testing::Message() << row.model << " size " << row.size);
        OpenOn(row.model);
        ASSERT_EQ(TWRC_SUCCESS, SetUInt16(ICAP_XRESOLUTION, row.dpi));
        ASSERT_EQ(TWRC_SUCCESS, SetUInt16(ICAP_YRESOLUTION, row.dpi));
        EXPECT_EQ(TWRC_SUCCESS, SetUInt16(ICAP_SUPPORTEDSIZES, row.size));
        EXPECT_EQ(row.size, CurrentSize());
        const long width = std::lround(row.width / row.perInch * row.dpi);
        const long length = std::lround(row.length / row.perInch * row.dpi);
        const TW_FRAME frame = FrameAnswer(MSG_GETCURRENT);
        ExpectFrame(
            FrameOf(0, 0, Real(Fix(double(width) / row.dpi)), Real(Fix(double(length) / row.dpi))),
            frame);
        ExpectFrame(frame, LayoutFrame(MSG_GET));
        TW_USERINTERFACE ui = {FALSE, FALSE, nullptr};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
        TW_IMAGEINFO info = {};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
        EXPECT_EQ(width, info.ImageWidth);
        EXPECT_EQ(length, info.ImageLength);
    }
}

TEST_F(Twain2FrameTest, EveryRoadToTheFrameIsSeenByTheOthers) {
    // One session at 300 dpi, step by step: what each step answers and the paper
    // size the frame is afterwards.
    OpenOn("QD120");
    ASSERT_EQ(TWRC_SUCCESS, SetUInt16(ICAP_XRESOLUTION, 300));
    ASSERT_EQ(TWRC_SUCCESS, SetUInt16(ICAP_YRESOLUTION, 300));
    const TW_FRAME letter = FrameOf(0, 0, 8.5, 11);
    const TW_FRAME a4 = FrameOf(0, 0, 210 / MillimetresPerInch, 297 / MillimetresPerInch);
    const auto setFrame = [&](const Bytes& bytes) {
        return Set(ICAP_FRAMES, TWON_ONEVALUE, bytes);
    };
    const auto setLayout = [&](const TW_FRAME& frame) {
        TW_IMAGELAYOUT layout = {frame, 1, 1, 1};
        return Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &layout);
    };
    const auto reset = [&](TW_UINT16 cap) {
        TW_CAPABILITY capability = {cap, TWON_DONTCARE16, nullptr};
        const TW_UINT16 result = Call(DG_CONTROL, DAT_CAPABILITY, MSG_RESET, &capability);
        if (result == TWRC_SUCCESS) GlobalFree(capability.hContainer);
        return result;
    };
    struct Step {
        const char* name;
        std::function<TW_UINT16()> action;
        TW_UINT16 result, condition, sizeAfter;
    };
    const Step steps[] = {
        {"letter frame", [&] { return setFrame(FrameOneValue(letter)); }, TWRC_SUCCESS, 0,
         TWSS_USLETTER},
        {"placed frame", [&] { return setFrame(FrameOneValue(FrameOf(1, 1, 9.5, 12))); },
         TWRC_SUCCESS, 0, TWSS_NONE},
        {"A4 by layout", [&] { return setLayout(a4); }, TWRC_CHECKSTATUS, 0, TWSS_A4},
        {"enumeration's current entry",
         [&] {
             return Set(ICAP_FRAMES, TWON_ENUMERATION, FrameEnumeration({a4, letter}, 1));
         },
         TWRC_SUCCESS, 0, TWSS_USLETTER},
        {"short block", [&] { return Set(ICAP_FRAMES, TWON_ONEVALUE, FrameOneValue(a4), 10); },
         TWRC_FAILURE, TWCC_BADVALUE, TWSS_USLETTER},
        {"not a frame", [&] { return setFrame(FrameOneValue(a4, TWTY_UINT16)); }, TWRC_FAILURE,
         TWCC_BADVALUE, TWSS_USLETTER},
        {"enumeration past its end",
         [&] { return Set(ICAP_FRAMES, TWON_ENUMERATION, FrameEnumeration({a4}, 1)); },
         TWRC_FAILURE, TWCC_BADVALUE, TWSS_USLETTER},
        {"off the scanner", [&] { return setFrame(FrameOneValue(FrameOf(0, 0, 60, 11))); },
         TWRC_FAILURE, TWCC_BADVALUE, TWSS_USLETTER},
        {"to whole pixels", [&] { return setFrame(FrameOneValue(FrameOf(0, 0, 8.5001, 11))); },
         TWRC_CHECKSTATUS, 0, TWSS_USLETTER},
        {"no size code 8", [&] { return SetUInt16(ICAP_SUPPORTEDSIZES, 8); }, TWRC_FAILURE,
         TWCC_BADVALUE, TWSS_USLETTER},
        {"no size", [&] { return SetUInt16(ICAP_SUPPORTEDSIZES, TWSS_NONE); }, TWRC_SUCCESS, 0,
         TWSS_USLETTER},
        {"reset sizes", [&] { return reset(ICAP_SUPPORTEDSIZES); }, TWRC_SUCCESS, 0, TWSS_NONE},
        {"A4 size", [&] { return SetUInt16(ICAP_SUPPORTEDSIZES, TWSS_A4); }, TWRC_SUCCESS, 0,
         TWSS_A4},
        {"reset frames", [&] { return reset(ICAP_FRAMES); }, TWRC_SUCCESS, 0, TWSS_NONE},
        {"letter size", [&] { return SetUInt16(ICAP_SUPPORTEDSIZES, TWSS_USLETTER); }, TWRC_SUCCESS,
         0, TWSS_USLETTER},
        {"reset by layout",
         [&] {
             TW_IMAGELAYOUT layout = {};
             return Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_RESET, &layout);
         },
         TWRC_SUCCESS, 0, TWSS_NONE},
        {"one frame", [&] { return SetUInt16(ICAP_MAXFRAMES, 1); }, TWRC_SUCCESS, 0, TWSS_NONE},
        {"two frames", [&] { return SetUInt16(ICAP_MAXFRAMES, 2); }, TWRC_CHECKSTATUS, 0,
         TWSS_NONE},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        EXPECT_EQ(step.result, step.action());
        if (step.result == TWRC_FAILURE) {
            EXPECT_EQ(step.condition, Status());
        }
        EXPECT_EQ(step.sizeAfter, CurrentSize());
        ExpectFrame(LayoutFrame(MSG_GET), FrameAnswer(MSG_GET));
    }
    // The resets went to the frame every kind of default reports, at the
    // resolutions negotiated.
    ExpectFrame(LayoutFrame(MSG_GETDEFAULT), FrameAnswer(MSG_GETDEFAULT));
    ExpectFrame(FrameAnswer(MSG_GETDEFAULT), FrameAnswer(MSG_GETCURRENT));
}

}  // namespace
