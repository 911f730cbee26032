// What both transfers refuse before anything is allocated or scanned: an unknown
// scanner, colour on a model without it, the wrong state, a depth without a row
// length, a window with no valid size, and one too large to count or allocate. No
// application can ask for such windows: they come from the user's stored settings.
#include <gtest/gtest.h>

#include <climits>

#include "source/twain_source.h"
#include "tests/unit/engine_fixture.h"

namespace {

enum class Mechanism { Native, Memory };

class TransferRefusalTest : public EngineTest {
protected:
    TW_UINT16 Attempt(Mechanism mechanism) {
        if (mechanism == Mechanism::Native) {
            uintptr_t handle = 0x5EED;
            const TW_UINT16 result = Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
            if (result == TWRC_FAILURE) {
                EXPECT_TRUE(handle == 0x5EED || handle == 0) << "no usable handle after a refusal";
            }
            return result;
        }
        std::vector<uint8_t> buffer(4096);
        TW_IMAGEMEMXFER record = {};
        record.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
        record.Memory.Length = static_cast<TW_UINT32>(buffer.size());
        record.Memory.TheMem = buffer.data();
        return Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &record);
    }

    // Refused with `condition`, in the same state, with nothing allocated and no
    // device call made.
    void ExpectRefused(Mechanism mechanism, TW_UINT16 condition) {
        const TwainState state = Source().Session().State();
        const size_t mark = LogLines().size();
        LiveGlobalMemory::Install();
        EXPECT_EQ(TWRC_FAILURE, Attempt(mechanism));
        EXPECT_EQ(condition, Status());
        EXPECT_EQ(state, Source().Session().State());
        EXPECT_EQ(0, LiveGlobalMemory::Allocations);
        EXPECT_EQ(std::vector<std::string>{}, LogLines(mark));
    }

    // A QD120 enabled with a stored window of this depth and size (RGB at 24 bits,
    // else grey), refused as above.
    void ExpectStoredWindowRefused(Mechanism mechanism, int bits, int width, int length,
                                   TW_UINT16 condition) {
        UseScanner("QD120");
        SetWindow(100, 100, 1, 0, width, length, bits,
                  bits == 24 ? Composition::RgbColour : Composition::Greyscale,
                  WindowFrom::StoredSettings);
        OpenAndEnable();
        ExpectRefused(mechanism, condition);
    }
};

const Mechanism Both[] = {Mechanism::Native, Mechanism::Memory};

const char* Name(Mechanism mechanism) {
    return mechanism == Mechanism::Native ? "native" : "memory";
}

}  // namespace

TEST_F(TransferRefusalTest, UnknownScannerAndColourOnAMonochromeModel) {
    for (Mechanism mechanism : Both) {
        SCOPED_TRACE(Name(mechanism));
        UseScanner("XY9000");
        OpenAndEnable();
        ExpectRefused(mechanism, TWCC_NODS);
        // No application can ask a monochrome model for colour; a stored setting can.
        for (const char* model : {"QD130", "QD110"}) {
            UseScanner(model);
            SetWindow(100, 100, 1, 0, 64, 4, 24, Composition::RgbColour,
                      WindowFrom::StoredSettings);
            OpenAndEnable();
            ExpectRefused(mechanism, TWCC_BADVALUE);
        }
        // Colour is checked before the scanner's name, and before the state.
        UseScanner("QD130");
        Open();
        ExpectRefused(mechanism, TWCC_BADVALUE);
    }
}

TEST_F(TransferRefusalTest, TransfersInTheWrongState) {
    for (Mechanism mechanism : Both) {
        for (TwainState state : {TwainState::Open, TwainState::Enabled}) {
            SCOPED_TRACE(::testing::Message() << Name(mechanism) << " in state " << state);
            UseScanner("QD120");
            EnterState(state);
            ExpectRefused(mechanism, TWCC_SEQERROR);
        }
    }
    // A native transfer needs state 6 exactly.
    UseScanner("QD120");
    EnterState(TwainState::Transferring);
    ExpectRefused(Mechanism::Native, TWCC_SEQERROR);
}

TEST_F(TransferRefusalTest, DepthsWithoutARowLengthAndWindowsWithoutASize) {
    struct Case {
        const char* name;
        int bits, width, length;
    };
    for (Mechanism mechanism : Both) {
        for (const Case& c :
             {Case{"2 bits", 2, 64, 4}, Case{"32 bits", 32, 64, 4}, Case{"0 bits", 0, 64, 4},
              Case{"width 0", 24, 0, 4}, Case{"length 0", 8, 64, 0},
              Case{"negative width", 8, -64, 4}, Case{"negative length", 1, 64, -4}}) {
            SCOPED_TRACE(::testing::Message() << Name(mechanism) << ", " << c.name);
            ExpectStoredWindowRefused(mechanism, c.bits, c.width, c.length, TWCC_BADVALUE);
        }
    }
}

TEST_F(TransferRefusalTest, AWindowResetThroughTheImageLayoutIsRefused) {
    for (Mechanism mechanism : Both) {
        UseScanner("QD120");
        Open();
        TW_IMAGELAYOUT layout = {};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_RESET, &layout));
        TW_USERINTERFACE ui = {FALSE, FALSE, nullptr};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
        ExpectRefused(mechanism, TWCC_BADVALUE);
    }
}

TEST_F(TransferRefusalTest, ImagesTooLargeAreRefusedBeforeAnythingIsAllocated) {
    struct Case {
        const char* name;
        int bits, width, length;
        TW_UINT16 native, memory;
    };
    // 357913942 x 3 x 4 bytes is 2^32 + 8: 8 bytes in 32 bits. A memory transfer
    // goes block by block and takes an image of any length; only a row that no
    // record's BytesPerRow can count is refused (0: not refused for its size).
    for (const Case& c : {Case{"wraps to 8 bytes", 24, 357913942, 4, TWCC_LOWMEMORY, 0},
                          Case{"6 GB", 24, 20000, 100000, TWCC_LOWMEMORY, 0},
                          Case{"widest row, longest image", 8, INT_MAX, INT_MAX, TWCC_LOWMEMORY, 0},
                          Case{"a row past 4 GiB", 24, INT_MAX, 2, TWCC_LOWMEMORY, TWCC_LOWMEMORY},
                          Case{"2.5 GB", 8, 50000, 50000, TWCC_LOWMEMORY, 0}}) {
        for (Mechanism mechanism : Both) {
            const TW_UINT16 condition = mechanism == Mechanism::Native ? c.native : c.memory;
            if (condition == 0) continue;
            SCOPED_TRACE(::testing::Message() << Name(mechanism) << ", " << c.name);
            ExpectStoredWindowRefused(mechanism, c.bits, c.width, c.length, condition);
        }
    }
}

TEST_F(TransferRefusalTest, NullDataIsRefused) {
    UseScanner("QD120");
    OpenAndEnable();
    for (TW_UINT16 dat : {TW_UINT16{DAT_IMAGENATIVEXFER}, TW_UINT16{DAT_IMAGEMEMXFER},
                          TW_UINT16{DAT_IMAGEINFO}, TW_UINT16{DAT_IMAGELAYOUT}}) {
        EXPECT_EQ(TWRC_FAILURE, Call(DG_IMAGE, dat, MSG_GET, nullptr)) << dat;
        EXPECT_EQ(TWCC_BADVALUE, Status()) << dat;
        EXPECT_EQ(TwainState::TransferReady, Source().Session().State());
    }
}
