// Making one call of the fuzzer on a driver object and checking what the call
// itself must give whatever else runs beside it.
#pragma once

#include "tests/fuzz/usd/fuzz_call.h"
#include "tests/fuzz/usd/fuzz_host.h"

namespace usdfuzz {

// Each thread's own guarded buffers, and one page that is only readable.
struct ThreadBuffers {
    ThreadBuffers();
    ~ThreadBuffers();
    GuardedBuffer Record, In, Out, Count;
    BYTE* ReadOnly;
};

// What a call saw that depends on the object's history: the online state a
// status query reported (-1: not asked), and whether it asked for the event
// state and got the pending event.
struct Observation {
    int Online = -1;
    bool AskedForEvents = false;
    bool GotPendingEvent = false;
};

// Makes call on driver; a result or record that breaks the driver's contract is
// added to host.Found. expectedInitialize[i] is what Initialize with control i
// gives on its own.
Observation RunCall(const Call& call, IStiUSD* driver, Host& host, ThreadBuffers& buffers,
                    const HRESULT* expectedInitialize);

}  // namespace usdfuzz
