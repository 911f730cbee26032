// Hostile and careless callers: sequences of triplets that once wrote through a
// handle, wrote past a record, locked the source, kept a refused frame, misread a
// fixed-point resolution, described the wrong image, miscounted columns, ran a
// triplet under a message it does not have, kept a failed transfer's width, went
// on with a native image as a memory one or described an empty block as a row.
// One row per sequence, each through DS_Entry with the simulated scanner and its
// call log as witnesses.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "source/twain_source.h"
#include "tests/support/capability_containers.h"
#include "tests/support/guarded_memory.h"
#include "tests/unit/engine_fixture.h"

namespace {

TW_FIX32 Fix(int whole, int frac = 0) {
    return {static_cast<TW_INT16>(whole), static_cast<TW_UINT16>(frac)};
}

class HostileSequenceTest : public EngineTest {
protected:
    TW_UINT16 SetOne(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 item) {
        HGLOBAL block = AppBlock(OneValueContainer(itemType, item));
        TW_CAPABILITY capability = {cap, TWON_ONEVALUE, block};
        const TW_UINT16 result = Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
        GlobalFree(block);
        return result;
    }
    TW_UINT16 SetFrame(TW_FIX32 left, TW_FIX32 top, TW_FIX32 right, TW_FIX32 bottom) {
        TW_IMAGELAYOUT layout = {};
        layout.Frame = {left, top, right, bottom};
        return Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &layout);
    }
    TW_FRAME Frame() {
        TW_IMAGELAYOUT layout = {};
        EXPECT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &layout));
        return layout.Frame;
    }
    TW_IMAGEINFO Info() {
        TW_IMAGEINFO info = {};
        EXPECT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
        return info;
    }
    void Enable() {
        TW_USERINTERFACE ui = {FALSE, FALSE, nullptr};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
        ASSERT_EQ(TwainState::TransferReady, Source().Session().State());
    }
    // Ends the transfer and disables the source (state 4).
    void EndTransfer() {
        TW_PENDINGXFERS pending = {};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
        TW_USERINTERFACE ui = {};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui));
    }
    TW_UINT16 TransferBlock(TW_IMAGEMEMXFER& record, TW_UINT32 flags, TW_UINT32 length, void* mem) {
        record = TW_IMAGEMEMXFER();
        record.Memory = {flags, length, mem};
        return Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &record);
    }
    // The row pieces of the first row: the Columns of every block at YOffset 0.
    std::vector<TW_UINT32> FirstRowColumns(uint32_t bufferBytes) {
        std::vector<TW_UINT32> columns;
        for (const ::MemoryBlock& block : MemoryTransfer(bufferBytes, 64)) {
            if (block.Record.YOffset != 0) break;
            columns.push_back(block.Record.Columns);
        }
        return columns;
    }
    void ExpectRefused(TW_UINT16 result, TW_UINT16 condition) {
        EXPECT_EQ(TWRC_FAILURE, result);
        EXPECT_EQ(condition, Status());
    }
};

struct HostileSequence {
    const char* what;
    const char* model;
    std::function<void()> run;
};

}  // namespace

TEST_F(HostileSequenceTest, EachSequenceGetsTheSoundBehaviour) {
    const HostileSequence sequences[] = {
        {"memory buffer passed as a handle is locked, filled and unlocked", "QD120",
         [&] {
             ASSERT_EQ(TWRC_SUCCESS, SetFrame(Fix(0), Fix(0), Fix(1), Fix(1)));
             Enable();
             HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, 93500);
             TW_IMAGEMEMXFER record;
             ASSERT_EQ(TWRC_SUCCESS,
                       TransferBlock(record, TWMF_APPOWNS | TWMF_HANDLE, 93500, handle));
             EXPECT_EQ(93500u, GlobalSize(handle)) << "the handle is still the application's";
             EXPECT_EQ(0u, LockCount(handle));
             const auto* locked = static_cast<const uint8_t*>(GlobalLock(handle));
             const std::vector<uint8_t> viaHandle(locked, locked + record.BytesWritten);
             GlobalUnlock(handle);

             // A block smaller than Length says, and a handle that is gone: refused
             // before anything is read.
             HGLOBAL small = GlobalAlloc(GMEM_MOVEABLE, 1000);
             const size_t logLines = LogLines().size();
             ExpectRefused(TransferBlock(record, TWMF_APPOWNS | TWMF_HANDLE, 93500, small),
                           TWCC_BADVALUE);
             EXPECT_EQ(0u, LockCount(small));
             GlobalFree(small);
             ExpectRefused(TransferBlock(record, TWMF_APPOWNS | TWMF_HANDLE, 1000, small),
                           TWCC_BADVALUE);
             EXPECT_EQ(logLines, LogLines().size());
             ASSERT_EQ(TWRC_SUCCESS,
                       TransferBlock(record, TWMF_APPOWNS | TWMF_HANDLE, 93500, handle));
             EXPECT_EQ(viaHandle.size() / record.BytesPerRow, record.YOffset)
                 << "the refusals took no rows";
             GlobalFree(handle);
             EndTransfer();

             // Flags of 0 keep the buffer a pointer.
             Enable();
             std::vector<uint8_t> buffer(93500);
             ASSERT_EQ(TWRC_SUCCESS, TransferBlock(record, 0, 93500, buffer.data()));
             EXPECT_EQ(viaHandle,
                       std::vector<uint8_t>(buffer.begin(), buffer.begin() + record.BytesWritten));
         }},
        {"MSG_PROCESSEVENT writes only into a TW_EVENT", "QD120",
         [&] {
             GuardedMemory record(4);
             std::memset(record.Data(), 0xA5, 4);
             ExpectRefused(Call(DG_CONTROL, DAT_NULL, MSG_PROCESSEVENT, record.Data()),
                           TWCC_BADPROTOCOL);
             TW_IDENTITY stranger = MakeIdentity(77, "Stranger");
             StatusOf(stranger);  // the code every module starts with
             EXPECT_EQ(TWRC_FAILURE,
                       CallFrom(stranger, DG_IMAGE, DAT_NULL, MSG_PROCESSEVENT, record.Data()));
             EXPECT_EQ(TWCC_BADDEST, StatusOf(stranger));
             for (int i = 0; i < 4; ++i)
                 EXPECT_EQ(0xA5, record.Data()[i]);
             GuardedMemory event(sizeof(TW_EVENT));
             event.As<TW_EVENT>()->TWMessage = 0x1234;
             EXPECT_EQ(TWRC_NOTDSEVENT,
                       CallFrom(stranger, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, event.Data()));
             EXPECT_EQ(MSG_NULL, event.As<TW_EVENT>()->TWMessage);
         }},
        {"an application whose Id is 0 opens, uses and closes the source", "QD120",
         [&] {
             ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
             TW_IDENTITY unnumbered = MakeIdentity(0, "No Id");
             ASSERT_EQ(TWRC_SUCCESS,
                       CallFrom(unnumbered, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &SourceId));
             TW_PENDINGXFERS pending = {};
             EXPECT_EQ(TWRC_SUCCESS,
                       CallFrom(unnumbered, DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending));
             EXPECT_EQ(0xFFFF, pending.Count);
             ASSERT_EQ(TWRC_SUCCESS,
                       CallFrom(unnumbered, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
             EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &SourceId));
         }},
        {"a refused frame changes nothing; frames off the scanner are refused", "QD120",
         [&] {
             ASSERT_EQ(TWRC_SUCCESS, SetFrame(Fix(0), Fix(0), Fix(39), Fix(1)));
             ASSERT_EQ(TWRC_SUCCESS, SetFrame(Fix(0), Fix(0), Fix(2), Fix(1)));
             const TW_FIX32 refused[][4] = {
                 {Fix(-8191), Fix(6556), Fix(13720), Fix(-11990)},
                 {Fix(0), Fix(0), Fix(40), Fix(1)},  // wider than 39.375 inches
                 {Fix(0), Fix(0), Fix(39, 0x8000), Fix(1)},
                 {Fix(-1), Fix(0), Fix(1), Fix(1)},
                 {Fix(0), Fix(-1), Fix(1), Fix(1)},
                 {Fix(1), Fix(0), Fix(1), Fix(1)},
             };
             for (const auto& frame : refused)
                 ExpectRefused(SetFrame(frame[0], frame[1], frame[2], frame[3]), TWCC_BADVALUE);
             EXPECT_EQ(2, Frame().Right.Whole);
             EXPECT_EQ(1, Frame().Bottom.Whole);
             Enable();
             DibImage image;
             ASSERT_EQ(TWRC_XFERDONE, NativeTransfer(&image));
             EXPECT_EQ(800, image.Header.biWidth);
             EXPECT_EQ(400, image.Header.biHeight);
             EndTransfer();
             // The longest frame read back at 1 dpi is the largest TW_FIX32, not a
             // negative one.
             ASSERT_EQ(TWRC_SUCCESS, SetFrame(Fix(0), Fix(0), Fix(1), Fix(32000)));
             ASSERT_EQ(TWRC_SUCCESS, SetOne(ICAP_YRESOLUTION, TWTY_UINT16, 1));
             EXPECT_EQ(32767, Frame().Bottom.Whole);
         }},
        {"a fixed-point resolution is its value", "QD120",
         [&] {
             ASSERT_EQ(TWRC_SUCCESS, SetOne(ICAP_XRESOLUTION, TWTY_FIX32, Fix32Item(300, 1)));
             ASSERT_EQ(TWRC_SUCCESS, SetOne(ICAP_YRESOLUTION, TWTY_UINT16, 300));
             ASSERT_EQ(TWRC_SUCCESS, SetFrame(Fix(0), Fix(0), Fix(1), Fix(1)));
             Enable();
             EXPECT_EQ(300, Info().ImageWidth);
             const size_t from = LogLines().size();
             DibImage image;
             ASSERT_EQ(TWRC_XFERDONE, NativeTransfer(&image));
             EXPECT_EQ(300, image.Header.biWidth);
             const auto window = LogFields(LogCalls("SetWindow", from).at(0));
             EXPECT_EQ("300", window.at("XResolution"));
             EXPECT_EQ("300", window.at("ScanWidth"));
         }},
        {"image information of an interpolated scan is the native image's", "QD140+",
         [&] {
             ASSERT_EQ(TWRC_SUCCESS, SetOne(ICAP_YRESOLUTION, TWTY_UINT16, 600));
             ASSERT_EQ(TWRC_SUCCESS, SetFrame(Fix(0), Fix(0), Fix(1), Fix(1)));
             Enable();
             const TW_IMAGEINFO info = Info();
             DibImage image;
             ASSERT_EQ(TWRC_XFERDONE, NativeTransfer(&image));
             EXPECT_EQ(info.ImageWidth, image.Header.biWidth);
             EXPECT_EQ(info.ImageLength, image.Header.biHeight);
         }},
        {"image information of an interpolated scan is the memory image's", "QB1320",
         [&] {
             ASSERT_EQ(TWRC_SUCCESS, SetOne(ICAP_YRESOLUTION, TWTY_UINT16, 450));
             ASSERT_EQ(TWRC_SUCCESS, SetFrame(Fix(0), Fix(0), Fix(2), Fix(1)));
             Enable();
             const TW_IMAGEINFO info = Info();
             const std::vector<::MemoryBlock> blocks = MemoryTransfer(65536);
             ASSERT_EQ(TWRC_XFERDONE, blocks.back().Result);
             TW_UINT32 rows = 0;
             for (const ::MemoryBlock& block : blocks) {
                 EXPECT_EQ(3u * info.ImageWidth, block.Record.BytesPerRow);
                 EXPECT_EQ(static_cast<TW_UINT32>(info.ImageWidth), block.Record.Columns);
                 rows += block.Record.Rows;
             }
             EXPECT_EQ(static_cast<TW_UINT32>(info.ImageLength), rows);
         }},
        {"a transfer that fails leaves the interpolated width asked for as it was", "QD140+",
         [&] {
             ASSERT_EQ(TWRC_SUCCESS, SetOne(ICAP_YRESOLUTION, TWTY_UINT16, 600));
             ASSERT_EQ(TWRC_SUCCESS, SetFrame(Fix(0), Fix(0), Fix(1), Fix(1)));
             Enable();
             ScopedEnvironment failingStart("TARNSCAN_FAULTS", "start");
             ExpectRefused(NativeTransfer(), TWCC_OPERATIONERROR);
             TW_IMAGEMEMXFER record;
             std::vector<uint8_t> buffer(65536);
             ExpectRefused(TransferBlock(record, 0, 65536, buffer.data()), TWCC_OPERATIONERROR);
             // Back where the frame was set: the announced image's width (402) is gone.
             TW_PENDINGXFERS pending = {};
             ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending));
             TW_USERINTERFACE ui = {};
             ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui));
             const TW_FRAME frame = Frame();
             EXPECT_EQ(1, frame.Right.Whole);
             EXPECT_EQ(0, frame.Right.Frac) << "400 pixels at 400 dpi, not 402";
         }},
        {"no memory block goes on with a native image the device ended early", "QD120",
         [&] {
             ASSERT_EQ(TWRC_SUCCESS, SetFrame(Fix(0), Fix(0), Fix(1), Fix(1)));
             Enable();
             ScopedEnvironment endingEarly("TARNSCAN_FAULTS", "end=1");
             ASSERT_EQ(TWRC_XFERDONE, NativeTransfer());
             TW_IMAGEMEMXFER record;
             std::vector<uint8_t> buffer(65536);
             ExpectRefused(TransferBlock(record, 0, 65536, buffer.data()), TWCC_SEQERROR);
             EndTransfer();
         }},
        {"a block asked for after the image is complete is empty", "QD120",
         [&] {
             ASSERT_EQ(TWRC_SUCCESS, SetOne(ICAP_XRESOLUTION, TWTY_UINT16, 100));
             ASSERT_EQ(TWRC_SUCCESS, SetOne(ICAP_YRESOLUTION, TWTY_UINT16, 100));
             ASSERT_EQ(TWRC_SUCCESS, SetFrame(Fix(0), Fix(0), Fix(1), Fix(1)));
             Enable();
             std::vector<uint8_t> buffer(65536);
             TW_IMAGEMEMXFER record;
             // 99 rows, two thirds of the last one, the rest of it, and once more.
             ASSERT_EQ(TWRC_SUCCESS, TransferBlock(record, 0, 29900, buffer.data()));
             ASSERT_EQ(TWRC_SUCCESS, TransferBlock(record, 0, 200, buffer.data()));
             ASSERT_EQ(TWRC_XFERDONE, TransferBlock(record, 0, 65536, buffer.data()));
             ASSERT_EQ(TWRC_XFERDONE, TransferBlock(record, 0, 65536, buffer.data()));
             EXPECT_EQ(0u, record.BytesWritten);
             EXPECT_EQ(0u, record.Rows);
             EXPECT_EQ(0u, record.Columns);
             EXPECT_EQ(0u, record.XOffset);
             EXPECT_EQ(100u, record.YOffset);
         }},
        {"the last piece of a row counts the pixels left, 1 bit", "QD120",
         [&] {
             ASSERT_EQ(TWRC_SUCCESS, SetOne(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_BW));
             ASSERT_EQ(TWRC_SUCCESS, SetOne(ICAP_XRESOLUTION, TWTY_UINT16, 100));
             ASSERT_EQ(TWRC_SUCCESS, SetOne(ICAP_YRESOLUTION, TWTY_UINT16, 100));
             ASSERT_EQ(TWRC_SUCCESS, SetFrame(Fix(0), Fix(0), Fix(3), Fix(1)));
             Enable();
             EXPECT_EQ((std::vector<TW_UINT32>{192, 108}), FirstRowColumns(25));
         }},
        {"the last piece of a row counts the pixels left, 4 bits", "QD120",
         [&] {
             ASSERT_EQ(TWRC_SUCCESS, SetOne(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_PALETTE));
             ASSERT_EQ(TWRC_SUCCESS, SetOne(ICAP_BITDEPTH, TWTY_UINT16, 4));
             ASSERT_EQ(TWRC_SUCCESS, SetOne(ICAP_XRESOLUTION, TWTY_UINT16, 101));
             ASSERT_EQ(TWRC_SUCCESS, SetOne(ICAP_YRESOLUTION, TWTY_UINT16, 100));
             ASSERT_EQ(TWRC_SUCCESS, SetFrame(Fix(0), Fix(0), Fix(3), Fix(1)));
             Enable();
             EXPECT_EQ((std::vector<TW_UINT32>{48, 48, 48, 48, 48, 48, 15}), FirstRowColumns(25));
         }},
        {"a triplet under a message it does not have is refused", "QD120",
         [&] {
             Enable();
             const struct {
                 TW_UINT32 dg;
                 TW_UINT16 dat, msg;
             } triplets[] = {
                 {DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_STOPFEEDER},
                 {DG_CONTROL, DAT_SETUPMEMXFER, MSG_OPENDS},
                 {DG_IMAGE, DAT_IMAGEINFO, 0x8000},
                 {DG_IMAGE, DAT_IMAGEMEMXFER, MSG_SET},
             };
             const size_t logLines = LogLines().size();
             for (const auto& t : triplets) {
                 SCOPED_TRACE(::testing::Message() << "dat " << t.dat << " msg " << t.msg);
                 unsigned char record[64];
                 std::memset(record, 0x5A, sizeof record);
                 ExpectRefused(Call(t.dg, t.dat, t.msg, record), TWCC_BADPROTOCOL);
                 for (unsigned char byte : record)
                     ASSERT_EQ(0x5A, byte);
                 EXPECT_EQ(TwainState::TransferReady, Source().Session().State());
             }
             EXPECT_EQ(logLines, LogLines().size()) << "the scanner was not touched";
         }},
    };
    for (const HostileSequence& sequence : sequences) {
        SCOPED_TRACE(sequence.what);
        UseScanner(sequence.model);
        Open();
        sequence.run();
    }
}
