#include "tests/fuzz/ds/fuzz_session.h"

#include <cstring>
#include <memory>
#include <set>
#include <sstream>
#include <vector>

#include "platform/global_memory.h"
#include "source/twain_source.h"
#include "tests/support/guarded_memory.h"
#include "tests/support/source_fixture.h"

extern "C" TW_UINT16 WINAPI DS_Entry(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat,
                                     TW_UINT16 msg, TW_MEMREF data);

namespace dsfuzz {

// --- the global-memory seam -------------------------------------------------------

namespace watched_memory {
namespace {

std::set<HGLOBAL> sourceBlocks;       // allocated by the source, neither freed nor handed over
std::set<HGLOBAL> applicationBlocks;  // the application's, alive
std::set<HGLOBAL> retiredBlocks;      // the application's, freed after the call that passed them
std::set<HGLOBAL> passedNow;          // handed to the source by the call under way
std::string violation;

void Note(const std::string& what) {
    if (violation.empty()) violation = what;
}

std::string Hex(const void* value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

void CheckTouch(HGLOBAL block, const char* how) {
    if (retiredBlocks.count(block) && !passedNow.count(block))
        Note(std::string("the source ") + how + " application block " + Hex(block) +
             " after the call that passed it");
}

HGLOBAL WINAPI Alloc(UINT flags, SIZE_T bytes) {
    HGLOBAL block = GlobalAlloc(flags, bytes);
    if (block) {
        sourceBlocks.insert(block);
        retiredBlocks.erase(block);
    }
    return block;
}

LPVOID WINAPI Lock(HGLOBAL block) {
    CheckTouch(block, "locked");
    return GlobalLock(block);
}

BOOL WINAPI Unlock(HGLOBAL block) {
    CheckTouch(block, "unlocked");
    return GlobalUnlock(block);
}

SIZE_T WINAPI Size(HGLOBAL block) {
    CheckTouch(block, "sized");
    return GlobalSize(block);
}

HGLOBAL WINAPI Free(HGLOBAL block) {
    if (applicationBlocks.count(block) || retiredBlocks.count(block))
        Note("the source freed application block " + Hex(block));
    sourceBlocks.erase(block);
    return GlobalFree(block);
}

}  // namespace

void Install() {
    sourceBlocks.clear();
    applicationBlocks.clear();
    retiredBlocks.clear();
    passedNow.clear();
    violation.clear();
    platform::GlobalMemory = {&Alloc, &Lock, &Unlock, &Free, &Size};
}

void Uninstall() {
    platform::GlobalMemory = platform::RealGlobalMemory;
}

std::string TakeViolation() {
    std::string taken;
    taken.swap(violation);
    return taken;
}

}  // namespace watched_memory

namespace wm = watched_memory;

namespace {

// --- the application's side of a call ------------------------------------------------

size_t RecordSize(TW_UINT16 dat) {
    switch (dat) {
    case DAT_CAPABILITY:
        return sizeof(TW_CAPABILITY);
    case DAT_EVENT:
        return sizeof(TW_EVENT);
    case DAT_IDENTITY:
        return sizeof(TW_IDENTITY);
    case DAT_PENDINGXFERS:
        return sizeof(TW_PENDINGXFERS);
    case DAT_SETUPMEMXFER:
        return sizeof(TW_SETUPMEMXFER);
    case DAT_STATUS:
        return sizeof(TW_STATUS);
    case DAT_USERINTERFACE:
        return sizeof(TW_USERINTERFACE);
    case DAT_IMAGEINFO:
        return sizeof(TW_IMAGEINFO);
    case DAT_IMAGELAYOUT:
        return sizeof(TW_IMAGELAYOUT);
    case DAT_IMAGEMEMXFER:
        return sizeof(TW_IMAGEMEMXFER);
    case DAT_IMAGENATIVEXFER:
        return sizeof(TW_HANDLE);  // the application's variable is as wide as a handle
    default:
        return 0;  // records the source never reads: any touch faults
    }
}

const TW_UINT32 StrangerId = 99;

void Put16(std::vector<uint8_t>& bytes, size_t at, TW_UINT16 value) {
    if (at + 2 <= bytes.size()) std::memcpy(&bytes[at], &value, 2);
}

void Put32(std::vector<uint8_t>& bytes, size_t at, TW_UINT32 value) {
    if (at + 4 <= bytes.size()) std::memcpy(&bytes[at], &value, 4);
}

std::vector<uint8_t> ContainerBytes(const ContainerPlan& plan) {
    const size_t width =
        plan.ItemType == TWTY_FIX32 || plan.ItemType == TWTY_UINT32 || plan.ItemType == TWTY_INT32
            ? 4
            : 2;
    size_t header = 6, size = 6;
    switch (plan.Layout) {
    case TWON_RANGE:
        size = 22;
        break;
    case TWON_ENUMERATION:
        header = 14;
        size = header + width * plan.Items.size();
        break;
    case TWON_ARRAY:
        size = header + width * plan.Items.size();
        break;
    default:
        break;
    }
    const int64_t adjusted = static_cast<int64_t>(size) + plan.SizeAdjustment;
    std::vector<uint8_t> bytes(static_cast<size_t>(adjusted > 1 ? adjusted : 1), 0);
    Put16(bytes, 0, plan.ItemType);
    if (plan.Layout == TWON_ONEVALUE || plan.Layout == TWON_RANGE) {
        for (size_t i = 0; i < plan.Items.size(); ++i)
            Put32(bytes, 2 + 4 * i, plan.Items[i]);
        return bytes;
    }
    Put32(bytes, 2, plan.NumItems);
    if (plan.Layout == TWON_ENUMERATION) {
        Put32(bytes, 6, plan.CurrentIndex);
        Put32(bytes, 10, 0);
    }
    for (size_t i = 0; i < plan.Items.size(); ++i) {
        if (width == 4) {
            Put32(bytes, header + 4 * i, plan.Items[i]);
        } else {
            Put16(bytes, header + 2 * i, static_cast<TW_UINT16>(plan.Items[i]));
        }
    }
    return bytes;
}

// A block of the application's, made as the plan says, and what the source must
// leave of it.
class ApplicationBlock {
public:
    ApplicationBlock(BlockHandle kind, const std::vector<uint8_t>& bytes) : kind_(kind) {
        switch (kind) {
        case BlockHandle::Movable:
        case BlockHandle::Fixed:
            handle_ = GlobalAlloc(kind == BlockHandle::Movable ? GMEM_MOVEABLE : GMEM_FIXED,
                                  bytes.empty() ? 1 : bytes.size());
            if (!handle_) return;
            std::memcpy(GlobalLock(handle_), bytes.data(), bytes.size());
            GlobalUnlock(handle_);
            contents_ = bytes;
            wm::applicationBlocks.insert(handle_);
            wm::retiredBlocks.erase(handle_);
            break;
        case BlockHandle::Freed:
            handle_ = GlobalAlloc(GMEM_MOVEABLE, 16);
            GlobalFree(handle_);
            wm::retiredBlocks.insert(handle_);
            break;
        case BlockHandle::Bogus:
            handle_ = reinterpret_cast<HGLOBAL>(static_cast<uintptr_t>(0x0BAD0000u + bytes.size()));
            break;
        case BlockHandle::PlainMemory:
            plain_ = std::make_unique<GuardedMemory>(bytes.size());
            std::memcpy(plain_->Data(), bytes.data(), bytes.size());
            handle_ = plain_->Data();
            break;
        case BlockHandle::Null:
            break;
        }
        if (handle_) wm::passedNow.insert(handle_);
    }

    HGLOBAL Handle() const { return handle_; }
    bool Owned() const { return kind_ == BlockHandle::Movable || kind_ == BlockHandle::Fixed; }

    // What went wrong with the block; empty when it is as the application left it.
    std::string Check(bool mayBeWritten) const {
        if (!Owned() || !handle_) return std::string();
        if (GlobalFlags(handle_) == GMEM_INVALID_HANDLE) return "application block freed";
        if (GlobalFlags(handle_) & GMEM_LOCKCOUNT) return "application block left locked";
        if (GlobalSize(handle_) != (contents_.empty() ? 1 : contents_.size()))
            return "application block resized";
        if (mayBeWritten) return std::string();
        const void* now = GlobalLock(handle_);
        const bool same = std::memcmp(now, contents_.data(), contents_.size()) == 0;
        GlobalUnlock(handle_);
        return same ? std::string() : "application block written";
    }

    ~ApplicationBlock() {
        wm::passedNow.erase(handle_);
        if (!Owned() || !handle_) return;
        wm::applicationBlocks.erase(handle_);
        GlobalFree(handle_);
        wm::retiredBlocks.insert(handle_);
    }

private:
    BlockHandle kind_;
    HGLOBAL handle_ = nullptr;
    std::vector<uint8_t> contents_;
    std::unique_ptr<GuardedMemory> plain_;
};

uint64_t RowBytes(int bits, int64_t width) {
    return width < 1 ? 0 : static_cast<uint64_t>((width * bits + 7) / 8);
}

}  // namespace

// --- the source's state that a refused triplet must leave alone ------------------------

struct Session::Snapshot {
    TwainState State;
    Negotiated Asked;
    TW_IDENTITY App, Source;
    bool Dialog;
};

Session::Snapshot Session::Take() const {
    const CTwainSource& source = *TheSource();
    Snapshot s;
    s.State = source.Session().State();
    s.Asked = source.Asked();
    s.App = source.Session().AppIdentity();
    s.Source = source.Session().SourceIdentity();
    s.Dialog = source.DialogWindow() != nullptr;
    return s;
}

Session::Session(const RunPlan& plan) : plan_(plan), faults_(plan.Faults) {
    SetEnvironmentVariableA("TARNSCAN_MODEL", plan.Model.c_str());
    SetEnvironmentVariableA("TARNSCAN_FAULTS", plan.Faults.c_str());
    SetEnvironmentVariableA("TARNSCAN_DOCUMENT", plan.ChartPaper ? nullptr : "flat");
    SetEnvironmentVariableA("TARNSCAN_LOG", nullptr);
    FakeSourceManager::Install();
    FakeSourceManager::Answer = plan.ManagerRefuses ? TWRC_FAILURE : TWRC_SUCCESS;
    wm::Install();
    AttachModule(GetModuleHandleA(nullptr));
}

Session::~Session() {
    if (!finished_) DetachModule();
    wm::Uninstall();
    FakeSourceManager::Uninstall();
}

bool Session::Finish() {
    finished_ = true;
    DetachModule();
    if (!wm::sourceBlocks.empty()) {
        return Fail("memory flat",
                    std::to_string(wm::sourceBlocks.size()) +
                        " block(s) of the source's own still allocated after unload");
    }
    const std::string violation = wm::TakeViolation();
    return violation.empty() || Fail("application blocks", violation);
}

bool Session::Fail(const std::string& invariant, const std::string& detail) {
    if (finding_.Invariant.empty()) finding_ = {invariant, detail};
    return false;
}

bool Session::Perform(const Action& action) {
    if (action.Kind == ActionKind::ChangeFaults) {
        faults_ = action.Faults;
        SetEnvironmentVariableA("TARNSCAN_FAULTS", action.Faults.c_str());
        lastResult_ = "read at the next Open";
        return true;
    }
    // The caller's identity and the record, each ending at a no-access page.
    GuardedMemory origin(sizeof(TW_IDENTITY));
    const bool fromApplication = action.From == Origin::Application;
    *origin.As<TW_IDENTITY>() = MakeIdentity(fromApplication ? plan_.ApplicationId : StrangerId,
                                             fromApplication ? "Fuzzing Application" : "Stranger");
    pTW_IDENTITY caller = action.From == Origin::NoOrigin ? nullptr : origin.As<TW_IDENTITY>();

    GuardedMemory record(RecordSize(action.Dat));
    std::memset(record.Data(), action.Fill, record.Size());
    std::unique_ptr<ApplicationBlock> container, buffer;
    HANDLE staleContainer = nullptr;
    std::unique_ptr<GuardedMemory> pointerBuffer;
    switch (action.Dat) {
    case DAT_IDENTITY:
        *record.As<TW_IDENTITY>() = MakeIdentity(23, "Halvard TWAIN Driver");
        break;
    case DAT_CAPABILITY: {
        container = std::make_unique<ApplicationBlock>(action.Container.Handle,
                                                       ContainerBytes(action.Container));
        auto* capability = record.As<TW_CAPABILITY>();
        capability->Cap = action.Cap;
        capability->ConType = action.Container.ConType;
        capability->hContainer = container->Handle();
        staleContainer = container->Handle();
        break;
    }
    case DAT_IMAGELAYOUT:
        std::memcpy(&record.As<TW_IMAGELAYOUT>()->Frame, action.Frame, sizeof action.Frame);
        break;
    case DAT_IMAGEMEMXFER: {
        const BufferPlan& plan = action.Buffer;
        auto* memory = record.As<TW_IMAGEMEMXFER>();
        memory->Memory.Flags = plan.Flags;
        memory->Memory.Length = plan.Length;
        if (plan.Handle == BlockHandle::PlainMemory) {
            pointerBuffer = std::make_unique<GuardedMemory>(plan.Bytes);
            memory->Memory.TheMem = pointerBuffer->Data();
        } else {
            buffer = std::make_unique<ApplicationBlock>(plan.Handle,
                                                        std::vector<uint8_t>(plan.Bytes, 0xCD));
            memory->Memory.TheMem = buffer->Handle();
        }
        break;
    }
    case DAT_USERINTERFACE: {
        auto* ui = record.As<TW_USERINTERFACE>();
        ui->ShowUI = action.ShowUI;
        ui->hParent = nullptr;
        break;
    }
    case DAT_EVENT:
        record.As<TW_EVENT>()->pEvent = nullptr;
        break;
    default:
        break;
    }

    const Snapshot before = Take();
    const bool connected =
        caller && before.State != TwainState::Closed && before.App.Id == caller->Id;
    ++calls_;
    const TW_UINT16 result = DS_Entry(caller, action.Dg, action.Dat, action.Msg,
                                      action.NullData ? nullptr : record.Data());
    wm::passedNow.clear();
    const TwainState stateAfter = TheSource()->Session().State();
    lastResult_ =
        "rc " + std::to_string(result) + ", state " + std::to_string(static_cast<int>(stateAfter));
    ++tally_.InState[static_cast<int>(before.State) & 7];
    if (result == TWRC_FAILURE) ++tally_.Refusals;
    if (result == TWRC_XFERDONE)
        ++(action.Dat == DAT_IMAGENATIVEXFER ? tally_.NativeImages : tally_.MemoryImages);
    if (action.Dat == DAT_IMAGEMEMXFER && result != TWRC_FAILURE) ++tally_.MemoryBlocks;

    const std::string violation = wm::TakeViolation();
    if (!violation.empty()) return Fail("application blocks", violation);
    if (!CheckResult(action, result)) return false;
    if (result == TWRC_FAILURE) {
        if (!CheckUnchanged(before)) return false;
        if (!CheckConditionCode(action, connected)) return false;
    }
    if (stateAfter < TwainState::TransferReady) infoValid_ = false;
    if (container) {
        const std::string problem = container->Check(false);
        if (!problem.empty()) return Fail("application blocks", problem + " (container)");
        const TW_CAPABILITY& capability = *record.As<TW_CAPABILITY>();
        const bool replaced = capability.hContainer != staleContainer ||
                              capability.ConType != action.Container.ConType;
        if (action.Msg == MSG_SET && replaced)
            return Fail("application blocks", "MSG_SET replaced the container in the record");
        if (action.Msg != MSG_SET && !action.NullData &&
            !TakeOverContainer(result, capability, staleContainer))
            return false;
    }
    if (buffer) {
        const std::string problem = buffer->Check(true);
        if (!problem.empty()) return Fail("application blocks", problem + " (memory buffer)");
    }
    if (action.NullData || action.Dg != DG_IMAGE) return true;
    switch (action.Dat) {
    case DAT_IMAGEINFO:
        return CheckImageInfo(action, result, record.Data());
    case DAT_IMAGEMEMXFER:
        return CheckMemoryBlock(before, result, *record.As<TW_IMAGEMEMXFER>());
    case DAT_IMAGENATIVEXFER:
        return CheckNativeImage(result, *record.As<TW_HANDLE>());
    default:
        return true;
    }
}

bool Session::CheckResult(const Action& action, TW_UINT16 result) {
    const bool transfer = action.Dg == DG_IMAGE &&
                          (action.Dat == DAT_IMAGEMEMXFER || action.Dat == DAT_IMAGENATIVEXFER);
    const bool valid = result == TWRC_SUCCESS || result == TWRC_FAILURE ||
                       (result == TWRC_NOTDSEVENT && action.Dat == DAT_EVENT) ||
                       (result == TWRC_XFERDONE && transfer);
    return valid || Fail("return code", "returned " + std::to_string(result));
}

bool Session::CheckConditionCode(const Action& action, bool connected) {
    (void)action;
    GuardedMemory status(sizeof(TW_STATUS));
    GuardedMemory asker(sizeof(TW_IDENTITY));
    // Not connected: asked by anyone who is not the connected caller.
    const CTwainSource& source = *TheSource();
    const bool strangerConnected = source.Session().State() != TwainState::Closed &&
                                   source.Session().AppIdentity().Id == StrangerId;
    *asker.As<TW_IDENTITY>() =
        connected ? source.Session().AppIdentity()
                  : MakeIdentity(strangerConnected ? StrangerId + 1 : StrangerId, "Stranger");
    const TW_UINT16 result =
        DS_Entry(asker.As<TW_IDENTITY>(), DG_CONTROL, DAT_STATUS, MSG_GET, status.Data());
    if (result != TWRC_SUCCESS) return Fail("condition code", "the status query failed");
    const TW_UINT16 code = status.As<TW_STATUS>()->ConditionCode;
    return code != TWCC_SUCCESS ||
           Fail("condition code", std::string("a failure left no condition code (") +
                                      (connected ? "connected" : "not connected") + ")");
}

bool Session::CheckUnchanged(const Snapshot& before) {
    const Snapshot after = Take();
    std::string changed;
    if (after.State != before.State)
        changed = "state " + std::to_string(static_cast<int>(before.State)) + " -> " +
                  std::to_string(static_cast<int>(after.State));
    else if (!(after.Asked == before.Asked))
        changed = "negotiated settings (width " + std::to_string(before.Asked.Scan.ScanWidth) +
                  " -> " + std::to_string(after.Asked.Scan.ScanWidth) + ")";
    else if (std::memcmp(&after.App, &before.App, sizeof after.App) != 0 ||
             std::memcmp(&after.Source, &before.Source, sizeof after.Source) != 0)
        changed = "identities";
    else if (after.Dialog != before.Dialog)
        changed = "dialog";
    return changed.empty() ||
           Fail("refusal changes nothing", "a failed triplet changed the " + changed);
}

bool Session::CheckImageInfo(const Action& action, TW_UINT16 result, const void* record) {
    (void)action;
    if (result != TWRC_SUCCESS) return true;
    std::memcpy(&info_, record, sizeof info_);
    infoValid_ = true;
    if (info_.ImageWidth < 1 || info_.ImageLength < 1)
        infoValid_ = false;  // nothing to transfer; the transfer must refuse it
    return true;
}

bool Session::CheckMemoryBlock(const Snapshot& before, TW_UINT16 result,
                               const TW_IMAGEMEMXFER& block) {
    if (result != TWRC_SUCCESS && result != TWRC_XFERDONE) return true;
    if (block.BytesWritten > block.Memory.Length)
        return Fail("memory block", "more bytes written than the buffer holds");
    if (before.State == TwainState::TransferReady) memoryImageBytes_ = 0;
    if (!infoValid_) return true;
    const int bits = info_.BitsPerPixel;
    const int64_t width = info_.ImageWidth;
    const uint64_t row = RowBytes(bits, width);
    const uint64_t image = row * static_cast<uint64_t>(info_.ImageLength);
    std::ostringstream detail;
    detail << "info " << width << "x" << info_.ImageLength << " at " << bits
           << " bits; block BytesPerRow " << block.BytesPerRow << " Columns " << block.Columns
           << " Rows " << block.Rows << " XOffset " << block.XOffset << " YOffset " << block.YOffset
           << " BytesWritten " << block.BytesWritten << " after " << memoryImageBytes_ << " bytes";
    if (block.BytesPerRow != row) return Fail("image information", detail.str());
    const uint64_t at = static_cast<uint64_t>(block.YOffset) * row +
                        static_cast<uint64_t>(block.XOffset) * bits / 8;
    if (at != memoryImageBytes_ || at + block.BytesWritten > image)
        return Fail("memory block placement", detail.str());
    const bool wholeRows = block.XOffset == 0 && block.BytesWritten == block.Rows * row;
    if (wholeRows) {
        if (block.Rows > 0 && block.Columns != width)
            return Fail("memory block columns", detail.str());
    } else {
        const uint64_t bitsHeld = static_cast<uint64_t>(block.BytesWritten) * 8;
        const uint64_t bitsShown = static_cast<uint64_t>(block.Columns) * bits;
        const bool rowEnds = block.XOffset + block.Columns == width;
        if (block.Rows != 1 || block.XOffset + block.Columns > width || bitsShown > bitsHeld ||
            (!rowEnds && bitsShown != bitsHeld))
            return Fail("memory block columns", detail.str());
    }
    memoryImageBytes_ += block.BytesWritten;
    if (result == TWRC_XFERDONE && memoryImageBytes_ != image)
        return Fail("image information", detail.str() + ": image done short of the size");
    return true;
}

bool Session::CheckNativeImage(TW_UINT16 result, TW_HANDLE dib) {
    if (result != TWRC_XFERDONE) return true;
    if (!wm::sourceBlocks.erase(dib)) return Fail("native image", "the handle names no new block");
    const SIZE_T size = GlobalSize(dib);
    BITMAPINFOHEADER header = {};
    if (size >= sizeof header) std::memcpy(&header, GlobalLock(dib), sizeof header);
    GlobalUnlock(dib);
    GlobalFree(dib);
    const uint64_t table = header.biBitCount <= 8 ? (uint64_t{1} << header.biBitCount) * 4 : 0;
    const uint64_t stride = (RowBytes(header.biBitCount, header.biWidth) + 3) / 4 * 4;
    const uint64_t height = header.biHeight < 0 ? 0 - static_cast<int64_t>(header.biHeight)
                                                : static_cast<uint64_t>(header.biHeight);
    std::ostringstream detail;
    detail << "DIB " << header.biWidth << "x" << header.biHeight << " at " << header.biBitCount
           << " bits in " << size << " bytes";
    if (header.biSize != sizeof header || size < sizeof header + table + stride * height)
        return Fail("native image", detail.str());
    if (!infoValid_) return true;
    detail << "; info " << info_.ImageWidth << "x" << info_.ImageLength << " at "
           << info_.BitsPerPixel << " bits";
    const bool mayEndEarly = FaultsMayStall(faults_);
    const bool lengthAgrees =
        header.biHeight == info_.ImageLength ||
        (mayEndEarly && header.biHeight > 0 && header.biHeight < info_.ImageLength);
    if (header.biWidth != info_.ImageWidth || header.biBitCount != info_.BitsPerPixel ||
        !lengthAgrees)
        return Fail("image information", detail.str());
    return true;
}

bool Session::TakeOverContainer(TW_UINT16 result, const TW_CAPABILITY& capability, HANDLE stale) {
    if (result != TWRC_SUCCESS) {
        if (capability.hContainer != stale && capability.hContainer != nullptr)
            return Fail("application blocks", "a failed query left a container");
        return true;
    }
    HGLOBAL returned = capability.hContainer;
    if (!wm::sourceBlocks.erase(returned))
        return Fail("capability container", "a query answered without a new container");
    const bool unlocked = (GlobalFlags(returned) & GMEM_LOCKCOUNT) == 0;
    GlobalFree(returned);
    return unlocked || Fail("capability container", "handed over locked");
}

}  // namespace dsfuzz
