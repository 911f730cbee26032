// One run of the DS_Entry fuzzer: the module loaded afresh with the run's scanner,
// each action sent through DS_Entry with every record ending at a no-access page,
// and the invariants checked after every call.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "tests/fuzz/ds/fuzz_actions.h"

namespace dsfuzz {

struct Finding {
    std::string Invariant;  // which rule broke; a replay must break the same one
    std::string Detail;
};

class Session {
public:
    explicit Session(const RunPlan& plan);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Sends the action; false when an invariant broke (see Found()).
    bool Perform(const Action& action);
    // Unloads the module; false when it left blocks of its own behind.
    bool Finish();

    const Finding& Found() const { return finding_; }
    uint64_t Calls() const { return calls_; }
    // The last call's return code and the state it left, for a replay's listing.
    std::string LastResult() const { return lastResult_; }
    // How many calls were made in each state, and how many transfers completed.
    struct Tally {
        uint64_t InState[8] = {};
        uint64_t NativeImages = 0, MemoryImages = 0, MemoryBlocks = 0, Refusals = 0;
    };
    const Tally& Counts() const { return tally_; }

private:
    struct Snapshot;
    Snapshot Take() const;
    bool Fail(const std::string& invariant, const std::string& detail);
    bool CheckResult(const Action& action, TW_UINT16 result);
    bool CheckConditionCode(const Action& action, bool connected);
    bool CheckUnchanged(const Snapshot& before);
    bool CheckImageInfo(const Action& action, TW_UINT16 result, const void* record);
    bool CheckMemoryBlock(const Snapshot& before, TW_UINT16 result, const TW_IMAGEMEMXFER& block);
    bool CheckNativeImage(TW_UINT16 result, TW_HANDLE dib);
    bool TakeOverContainer(TW_UINT16 result, const TW_CAPABILITY& capability, HANDLE stale);

    const RunPlan& plan_;
    std::string lastResult_;
    Tally tally_;
    std::string faults_;
    Finding finding_;
    uint64_t calls_ = 0;
    bool finished_ = false;
    // The last image information of this transfer-ready spell.
    bool infoValid_ = false;
    TW_IMAGEINFO info_ = {};
    uint64_t memoryImageBytes_ = 0;  // bytes of the current memory image so far
};

// The global-memory seam: which blocks are the source's own, and whether it ever
// freed, kept or touched a block of the application's out of turn.
namespace watched_memory {
void Install();
void Uninstall();
// The first rule broken since the last call, or an empty string.
std::string TakeViolation();
}  // namespace watched_memory

}  // namespace dsfuzz
