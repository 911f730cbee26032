// What the DS_Entry fuzzer does: one run is a module life with a scanner model, a
// paper and faults, and a list of actions, each fully described here so that any
// subset of a run can be replayed. Everything is drawn from a seeded generator and
// never from what the source answered, so a run is the same list on every replay.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "platform/twain.h"

namespace dsfuzz {

typedef std::mt19937_64 Random;

// Who calls.
enum class Origin : uint8_t { Application, Stranger, NoOrigin };

// How an application's block reaches the source.
enum class BlockHandle : uint8_t {
    Movable,      // GlobalAlloc(GMEM_MOVEABLE) of the bytes
    Fixed,        // GlobalAlloc(GMEM_FIXED): the handle is the pointer
    Null,         // no handle at all
    Freed,        // a handle that was freed before the call
    Bogus,        // a made-up value
    PlainMemory,  // an address outside global memory passed as a handle
};

// A capability container as an application builds it, lies included.
struct ContainerPlan {
    BlockHandle Handle = BlockHandle::Movable;
    TW_UINT16 ConType = TWON_ONEVALUE;  // what the record says
    TW_UINT16 Layout = TWON_ONEVALUE;   // how the bytes are laid out
    TW_UINT16 ItemType = TWTY_UINT16;
    TW_UINT32 NumItems = 1;  // as the header says
    TW_UINT32 CurrentIndex = 0;
    std::vector<TW_UINT32> Items;  // the entries actually present
    int32_t SizeAdjustment = 0;    // bytes added to (or taken from) the honest size
};

// The application's buffer of a memory transfer.
struct BufferPlan {
    BlockHandle Handle = BlockHandle::PlainMemory;  // PlainMemory: a pointer
    TW_UINT32 Flags = 0;
    TW_UINT32 Length = 0;  // as the record says
    uint32_t Bytes = 0;    // what really stands behind it
};

enum class ActionKind : uint8_t { Triplet, ChangeFaults };

struct Action {
    ActionKind Kind = ActionKind::Triplet;
    Origin From = Origin::Application;
    TW_UINT32 Dg = DG_CONTROL;
    TW_UINT16 Dat = DAT_NULL;
    TW_UINT16 Msg = MSG_GET;
    bool NullData = false;
    // The record's payload, as far as the data argument type reads one.
    TW_UINT16 Cap = 0;
    ContainerPlan Container;  // MSG_SET containers, stale handles of queries
    TW_FIX32 Frame[4] = {};   // DAT_IMAGELAYOUT MSG_SET
    BufferPlan Buffer;        // DAT_IMAGEMEMXFER
    TW_BOOL ShowUI = FALSE;   // DAT_USERINTERFACE
    uint8_t Fill = 0;         // every other record byte
    std::string Faults;       // ChangeFaults: the new TARNSCAN_FAULTS
};

struct RunPlan {
    std::string Model;
    std::string Faults;
    bool ChartPaper = false;
    TW_UINT32 ApplicationId = 17;  // 0 as Wine's Source Manager leaves it
    bool ManagerRefuses = false;   // the Source Manager refuses the notifications
    std::vector<Action> Actions;
};

// One run's plan, from the run's own generator.
RunPlan PlanRun(uint64_t seed, uint64_t run, size_t actions);

// One line that says what an action does.
std::string Describe(const Action& action);
std::string Describe(const RunPlan& plan);

// Whether the faults let the device stay not ready (a native image may then end early).
bool FaultsMayStall(const std::string& faults);

}  // namespace dsfuzz
