// A round of the fuzzer: one new driver object, the calls of every thread made on
// it (the threads started together), and then what must hold once the calls are
// done and once the object is gone: the device controls' counts, the process's
// handles, the port files, the heap and DllCanUnloadNow.
#pragma once

#include "tests/fuzz/usd/call_checks.h"

#include <cstdint>
#include <vector>

namespace usdfuzz {

class RoundRunner {
public:
    explicit RoundRunner(Host& host);
    ~RoundRunner();
    RoundRunner(const RoundRunner&) = delete;
    RoundRunner& operator=(const RoundRunner&) = delete;

    // What Initialize with each control gives on a fresh object, measured once
    // before any round; false when the host cannot make an object at all.
    bool Probe();
    // One round; findings go to the host. A single thread's calls run on this
    // thread with the object's state followed call by call.
    void Run(const std::vector<CallList>& threads);
    uint64_t CallsMade() const { return Calls; }

private:
    struct Worker {
        RoundRunner* Owner = nullptr;
        HANDLE Thread = nullptr;
        HANDLE Start = nullptr;
        HANDLE Done = nullptr;
        const CallList* Work = nullptr;
        bool Quit = false;
        ThreadBuffers Buffers;
    };
    static DWORD WINAPI WorkerMain(void* worker);
    void RunSingle(const CallList& calls, DWORD handlesWithObject);
    void RunThreads(const std::vector<CallList>& threads);
    void CheckBinding(int bound, DWORD handlesWithObject, const char* when);
    void Tally(const Observation& seen);
    int BoundControl();

    Host& TheHost;
    IStiUSD* Driver = nullptr;
    HRESULT ExpectedInitialize[ControlCount + 1] = {};
    bool Opens[ControlCount + 1] = {};
    Worker Workers[MaxThreads];
    // The workers of a round wait here for each other, so that their first calls
    // meet instead of following one another as the workers wake.
    volatile LONG Arrived = 0;
    LONG Expected = 0;
    ThreadBuffers MainBuffers;
    uint64_t Calls = 0;
    // Status queries of the round that asked for the event state, and those
    // that got the pending event: an object reports it once, to the first.
    volatile LONG EventQueries = 0;
    volatile LONG PendingEvents = 0;
};

}  // namespace usdfuzz
