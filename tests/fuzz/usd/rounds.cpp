#include "tests/fuzz/usd/rounds.h"

#include <string>

#include "tests/usd/process_handles.h"

namespace usdfuzz {

RoundRunner::RoundRunner(Host& host) : TheHost(host) {
    // The workers live as long as the runner, so that starting threads adds no
    // handles to a round.
    for (Worker& worker : Workers) {
        worker.Owner = this;
        worker.Start = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        worker.Done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        worker.Thread = CreateThread(nullptr, 0, &RoundRunner::WorkerMain, &worker, 0, nullptr);
    }
}

RoundRunner::~RoundRunner() {
    for (Worker& worker : Workers) {
        worker.Quit = true;
        SetEvent(worker.Start);
        WaitForSingleObject(worker.Thread, INFINITE);
        CloseHandle(worker.Thread);
        CloseHandle(worker.Start);
        CloseHandle(worker.Done);
    }
}

DWORD WINAPI RoundRunner::WorkerMain(void* parameter) {
    Worker& worker = *static_cast<Worker*>(parameter);
    for (;;) {
        WaitForSingleObject(worker.Start, INFINITE);
        if (worker.Quit) {
            return 0;
        }
        RoundRunner& runner = *worker.Owner;
        InterlockedIncrement(&runner.Arrived);
        while (runner.Arrived < runner.Expected) {
            SwitchToThread();
        }
        for (const Call& call : *worker.Work) {
            runner.Tally(RunCall(call, runner.Driver, runner.TheHost, worker.Buffers,
                                 runner.ExpectedInitialize));
        }
        SetEvent(worker.Done);
    }
}

bool RoundRunner::Probe() {
    for (int control = 1; control <= ControlCount; ++control) {
        IStiUSD* driver = TheHost.CreateDriver();
        if (driver == nullptr) {
            return false;
        }
        ExpectedInitialize[control] =
            driver->Initialize(&TheHost.Controls[control], STI_VERSION, nullptr);
        STI_DEVICE_STATUS status{};
        status.StatusMask = STI_DEVSTATUS_ONLINE_STATE;
        driver->GetStatus(&status);
        Opens[control] = status.dwOnlineState == STI_ONLINESTATE_OPERATIONAL;
        driver->Release();
    }
    return true;
}

void RoundRunner::Tally(const Observation& seen) {
    if (seen.AskedForEvents) {
        InterlockedIncrement(&EventQueries);
    }
    if (seen.GotPendingEvent) {
        InterlockedIncrement(&PendingEvents);
    }
}

int RoundRunner::BoundControl() {
    int bound = 0;
    for (int control = 1; control <= ControlCount; ++control) {
        if (TheHost.Controls[control].References() != 1) {
            bound = bound == 0 ? control : -1;
        }
    }
    return bound;
}

// The object holds one reference on the control it is bound to and none on the
// others, and one handle more than it had when new exactly when that binding
// opened a device.
void RoundRunner::CheckBinding(int expected, DWORD handlesWithObject, const char* when) {
    std::string prefix = std::string(when) + ": ";
    for (int control = 1; control <= ControlCount; ++control) {
        LONG references = TheHost.Controls[control].References();
        LONG wanted = control == expected ? 2 : 1;
        if (expected >= 0 ? references != wanted : (references < 1 || references > 2)) {
            TheHost.Found.Add(prefix + "device control " + std::to_string(control) + " holds " +
                              std::to_string(references) + " references, not " +
                              std::to_string(expected >= 0 ? wanted : 1) + " or 2");
        }
    }
    int bound = expected >= 0 ? expected : BoundControl();
    if (bound < 0) {
        TheHost.Found.Add(prefix + "the object holds more than one device control");
        return;
    }
    DWORD handles = ProcessHandles();
    DWORD wanted = handlesWithObject + (bound != 0 && Opens[bound] ? 1 : 0);
    if (handles != wanted) {
        TheHost.Found.Add(prefix + "the process has " + std::to_string(handles) + " handles, not " +
                          std::to_string(wanted));
    }
}

void RoundRunner::RunSingle(const CallList& calls, DWORD handlesWithObject) {
    int bound = 0;
    for (const Call& call : calls) {
        Observation seen = RunCall(call, Driver, TheHost, MainBuffers, ExpectedInitialize);
        Tally(seen);
        ++Calls;
        if (call.What == Method::Initialize && call.Args[0] != 0) {
            bound = int(call.Args[0]);
        }
        if (seen.Online >= 0 && seen.Online != int(bound != 0 && Opens[bound])) {
            TheHost.Found.Add(Token(call) + ": online state does not match the binding");
        }
        CheckBinding(bound, handlesWithObject, Token(call).c_str());
        if (TheHost.Found.Any()) {
            return;
        }
    }
}

void RoundRunner::RunThreads(const std::vector<CallList>& threads) {
    HANDLE done[MaxThreads];
    size_t count = threads.size();
    Arrived = 0;
    Expected = LONG(count);
    for (size_t t = 0; t < count; ++t) {
        Workers[t].Work = &threads[t];
        done[t] = Workers[t].Done;
    }
    for (size_t t = 0; t < count; ++t) {
        SetEvent(Workers[t].Start);
    }
    WaitForMultipleObjects(DWORD(count), done, TRUE, INFINITE);
    for (const CallList& calls : threads) {
        Calls += calls.size();
    }
}

void RoundRunner::Run(const std::vector<CallList>& threads) {
    DWORD handlesBefore = ProcessHandles();
    Driver = TheHost.CreateDriver();
    if (Driver == nullptr) {
        TheHost.Found.Add("no driver object could be made");
        return;
    }
    if (TheHost.CanUnloadNow() != S_FALSE) {
        TheHost.Found.Add("DllCanUnloadNow says S_OK while an object lives");
    }
    DWORD handlesWithObject = ProcessHandles();
    EventQueries = 0;
    PendingEvents = 0;
    if (threads.size() == 1) {
        RunSingle(threads[0], handlesWithObject);
    } else {
        RunThreads(threads);
        CheckBinding(-1, handlesWithObject, "after the threads' calls");
    }
    if (PendingEvents != (EventQueries > 0 ? 1 : 0)) {
        TheHost.Found.Add("the pending event was reported " + std::to_string(PendingEvents) +
                          " times to " + std::to_string(EventQueries) + " queries, not once");
    }

    ULONG left = Driver->Release();
    Driver = nullptr;
    if (left != 0) {
        TheHost.Found.Add("the object's count is " + std::to_string(left) +
                          " after its last Release");
    }
    for (int control = 1; control <= ControlCount; ++control) {
        LONG references = TheHost.Controls[control].References();
        if (references != 1) {
            TheHost.Found.Add("after the object went, device control " + std::to_string(control) +
                              " holds " + std::to_string(references) + " references, not 1");
        }
    }
    DWORD handlesAfter = ProcessHandles();
    if (handlesAfter != handlesBefore) {
        TheHost.Found.Add("after the object went, the process has " + std::to_string(handlesAfter) +
                          " handles, not " + std::to_string(handlesBefore));
    }
    for (const std::string& file : TheHost.Files) {
        if (!usdtest::OpenedByNobody(file)) {
            TheHost.Found.Add("after the object went, a port file is still open");
        }
    }
    if (!HeapValidate(GetProcessHeap(), 0, nullptr)) {
        TheHost.Found.Add("the process heap is corrupt");
    }
    if (TheHost.Outer.References() != 1) {
        TheHost.Found.Add("the outer object's count is " +
                          std::to_string(TheHost.Outer.References()) + ", not 1");
    }
    if (TheHost.CanUnloadNow() != S_OK) {
        TheHost.Found.Add("DllCanUnloadNow says S_FALSE with nothing alive");
    }
}

}  // namespace usdfuzz
