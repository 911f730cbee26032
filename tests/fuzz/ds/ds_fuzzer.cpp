// ds_fuzzer: random sequences of triplets through DS_Entry, the data source's code
// linked into this process, with the invariants checked after every call.
//
//   ds_fuzzer --seed N --seconds S [--actions A]      fuzz for S seconds
//   ds_fuzzer --seed N --run R [--calls I,J,...]      replay run R (only those calls)
//
// Runs are numbered from 0; run R of seed N is the same list of actions on every
// machine. A finding is cut down to the fewest calls that still break the same
// invariant and printed with the command that replays it; the exit code is then 1.
#include <windows.h>
// after windows.h
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/fuzz/ds/fuzz_actions.h"
#include "tests/fuzz/ds/fuzz_session.h"

using namespace dsfuzz;

namespace {

struct Options {
    uint64_t Seed = 1;
    double Seconds = 10;
    size_t Actions = 120;
    bool Replay = false;
    uint64_t Run = 0;
    std::vector<size_t> Calls;  // empty: every call of the run
};

// Where the fuzzer is, for the report of a crash.
struct Position {
    uint64_t Seed = 0, Run = 0;
    size_t Call = 0;
    size_t Actions = 0;
    const RunPlan* Plan = nullptr;
} position;

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* exception) {
    std::printf("ds_fuzzer: FINDING: crash, exception 0x%08lx at %p, seed %llu run %llu call %zu\n",
                exception->ExceptionRecord->ExceptionCode,
                exception->ExceptionRecord->ExceptionAddress,
                static_cast<unsigned long long>(position.Seed),
                static_cast<unsigned long long>(position.Run), position.Call);
    if (position.Plan && position.Call < position.Plan->Actions.size())
        std::printf("  crashing call: %s\n",
                    Describe(position.Plan->Actions[position.Call]).c_str());
    std::printf("  replay: ds_fuzzer --seed %llu --actions %zu --run %llu --calls 0-%zu\n",
                static_cast<unsigned long long>(position.Seed), position.Actions,
                static_cast<unsigned long long>(position.Run), position.Call);
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

std::vector<size_t> ParseCalls(const std::string& text) {
    std::vector<size_t> calls;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find(',', at);
        if (end == std::string::npos) end = text.size();
        const std::string item = text.substr(at, end - at);
        const size_t dash = item.find('-');
        if (dash == std::string::npos) {
            calls.push_back(std::stoul(item));
        } else {
            for (size_t i = std::stoul(item.substr(0, dash));
                 i <= std::stoul(item.substr(dash + 1)); ++i)
                calls.push_back(i);
        }
        at = end + 1;
    }
    return calls;
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (i + 1 >= argc) return false;
        const char* value = argv[++i];
        if (name == "--seed") {
            options.Seed = std::strtoull(value, nullptr, 10);
        } else if (name == "--seconds") {
            options.Seconds = std::atof(value);
        } else if (name == "--actions") {
            options.Actions = std::strtoul(value, nullptr, 10);
        } else if (name == "--run") {
            options.Replay = true;
            options.Run = std::strtoull(value, nullptr, 10);
        } else if (name == "--calls") {
            options.Calls = ParseCalls(value);
        } else {
            return false;
        }
    }
    return options.Actions > 0;
}

struct Outcome {
    bool Found = false;
    Finding What;
    size_t Call = 0;  // index of the call that broke it
    uint64_t Calls = 0;
    Session::Tally Counts;
};

// Runs the chosen actions of a plan in a freshly loaded module.
Outcome Execute(const RunPlan& plan, const std::vector<size_t>& chosen, bool verbose) {
    Outcome outcome;
    Session session(plan);
    position.Plan = &plan;
    for (size_t index : chosen) {
        if (index >= plan.Actions.size()) continue;
        position.Call = index;
        const auto start = std::chrono::steady_clock::now();
        const bool kept = session.Perform(plan.Actions[index]);
        if (verbose) {
            const std::chrono::duration<double, std::milli> took =
                std::chrono::steady_clock::now() - start;
            std::printf("  %4zu %6.1f ms  %s -> %s\n", index, took.count(),
                        Describe(plan.Actions[index]).c_str(), session.LastResult().c_str());
        }
        if (!kept) {
            outcome = {true, session.Found(), index, session.Calls(), session.Counts()};
            return outcome;
        }
    }
    outcome.Calls = session.Calls();
    outcome.Counts = session.Counts();
    if (!session.Finish()) {
        outcome.Found = true;
        outcome.What = session.Found();
        outcome.Call = chosen.empty() ? 0 : chosen.back();
    }
    return outcome;
}

std::vector<size_t> AllCalls(const RunPlan& plan) {
    std::vector<size_t> calls(plan.Actions.size());
    for (size_t i = 0; i < calls.size(); ++i)
        calls[i] = i;
    return calls;
}

// The fewest calls, in their order, that still break the same invariant.
std::vector<size_t> Minimise(const RunPlan& plan, const Outcome& found) {
    std::vector<size_t> kept;
    for (size_t i = 0; i <= found.Call; ++i)
        kept.push_back(i);
    // A call may become unneeded only once later ones are gone: passes until none goes.
    for (bool removed = true; removed;) {
        removed = false;
        for (size_t at = kept.size(); at-- > 0;) {
            std::vector<size_t> fewer = kept;
            fewer.erase(fewer.begin() + static_cast<std::ptrdiff_t>(at));
            const Outcome again = Execute(plan, fewer, false);
            if (!again.Found || again.What.Invariant != found.What.Invariant) continue;
            // Everything after the call that now breaks it is not needed either.
            kept.clear();
            for (size_t index : fewer) {
                kept.push_back(index);
                if (index == again.Call) break;
            }
            if (at > kept.size()) at = kept.size();
            removed = true;
        }
    }
    return kept;
}

std::string Join(const std::vector<size_t>& calls) {
    std::string text;
    for (size_t call : calls)
        text += (text.empty() ? "" : ",") + std::to_string(call);
    return text;
}

void Report(const Options& options, uint64_t run, const RunPlan& plan, const Outcome& found,
            const std::vector<size_t>& minimal) {
    std::printf("ds_fuzzer: FINDING: %s: %s\n", found.What.Invariant.c_str(),
                found.What.Detail.c_str());
    std::printf("  seed %llu, run %llu (%s), call %zu\n",
                static_cast<unsigned long long>(options.Seed), static_cast<unsigned long long>(run),
                Describe(plan).c_str(), found.Call);
    std::printf("  %zu call(s) reproduce it:\n", minimal.size());
    for (size_t index : minimal)
        std::printf("  %4zu %s\n", index, Describe(plan.Actions[index]).c_str());
    std::printf("  replay: ds_fuzzer --seed %llu --actions %zu --run %llu --calls %s\n",
                static_cast<unsigned long long>(options.Seed), options.Actions,
                static_cast<unsigned long long>(run), Join(minimal).c_str());
}

SIZE_T PrivateBytes() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

int Replay(const Options& options) {
    const RunPlan plan = PlanRun(options.Seed, options.Run, options.Actions);
    std::printf("ds_fuzzer: replaying seed %llu run %llu: %s\n",
                static_cast<unsigned long long>(options.Seed),
                static_cast<unsigned long long>(options.Run), Describe(plan).c_str());
    const Outcome outcome =
        Execute(plan, options.Calls.empty() ? AllCalls(plan) : options.Calls, true);
    if (!outcome.Found) {
        std::printf("ds_fuzzer: replay clean\n");
        return 0;
    }
    std::printf("ds_fuzzer: FINDING at call %zu: %s: %s\n", outcome.Call,
                outcome.What.Invariant.c_str(), outcome.What.Detail.c_str());
    return 1;
}

int Fuzz(const Options& options) {
    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    uint64_t calls = 0, run = 0;
    Session::Tally total;
    SIZE_T baseline = 0, peakAfterBaseline = 0;
    for (; elapsed() < options.Seconds; ++run) {
        const RunPlan plan = PlanRun(options.Seed, run, options.Actions);
        position.Run = run;
        const Outcome outcome = Execute(plan, AllCalls(plan), false);
        calls += outcome.Calls;
        for (int state = 0; state < 8; ++state)
            total.InState[state] += outcome.Counts.InState[state];
        total.NativeImages += outcome.Counts.NativeImages;
        total.MemoryImages += outcome.Counts.MemoryImages;
        total.MemoryBlocks += outcome.Counts.MemoryBlocks;
        total.Refusals += outcome.Counts.Refusals;
        if (outcome.Found) {
            const std::vector<size_t> minimal = Minimise(plan, outcome);
            Report(options, run, plan, outcome, minimal);
            std::printf("ds_fuzzer: %llu calls in %.0f s, seed %llu, 1 finding\n",
                        static_cast<unsigned long long>(calls), elapsed(),
                        static_cast<unsigned long long>(options.Seed));
            return 1;
        }
        // Memory flat: after a warm-up, the process must not keep growing.
        const SIZE_T now = PrivateBytes();
        if (run == 20) baseline = now;
        if (run > 20 && now > peakAfterBaseline) peakAfterBaseline = now;
    }
    const SIZE_T allowed = 64u << 20;
    if (baseline && peakAfterBaseline > baseline + allowed) {
        std::printf(
            "ds_fuzzer: FINDING: memory flat: private bytes grew from %zu to %zu over %llu "
            "runs\n",
            static_cast<size_t>(baseline), static_cast<size_t>(peakAfterBaseline),
            static_cast<unsigned long long>(run));
        std::printf("ds_fuzzer: %llu calls in %.0f s, seed %llu, 1 finding\n",
                    static_cast<unsigned long long>(calls), elapsed(),
                    static_cast<unsigned long long>(options.Seed));
        return 1;
    }
    std::printf(
        "ds_fuzzer: calls in state 0/4/5/6/7: %llu/%llu/%llu/%llu/%llu; %llu refused; "
        "%llu native images, %llu memory images in %llu blocks\n",
        static_cast<unsigned long long>(total.InState[0]),
        static_cast<unsigned long long>(total.InState[4]),
        static_cast<unsigned long long>(total.InState[5]),
        static_cast<unsigned long long>(total.InState[6]),
        static_cast<unsigned long long>(total.InState[7]),
        static_cast<unsigned long long>(total.Refusals),
        static_cast<unsigned long long>(total.NativeImages),
        static_cast<unsigned long long>(total.MemoryImages),
        static_cast<unsigned long long>(total.MemoryBlocks));
    std::printf("ds_fuzzer: %llu runs, private bytes %zu KB after run 20, %zu KB at most later\n",
                static_cast<unsigned long long>(run), static_cast<size_t>(baseline >> 10),
                static_cast<size_t>(peakAfterBaseline >> 10));
    std::printf("ds_fuzzer: %llu calls in %.0f s, seed %llu, 0 findings\n",
                static_cast<unsigned long long>(calls), elapsed(),
                static_cast<unsigned long long>(options.Seed));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: ds_fuzzer --seed N --seconds S [--actions A]\n"
                     "       ds_fuzzer --seed N [--actions A] --run R [--calls I,J,K-L]\n");
        return 2;
    }
    setvbuf(stdout, nullptr, _IONBF, 0);
    position.Seed = options.Seed;
    position.Actions = options.Actions;
    position.Run = options.Run;
    SetUnhandledExceptionFilter(&ReportCrash);
    // No error dialogs from the platform: a fuzzer runs unattended.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    return options.Replay ? Replay(options) : Fuzz(options);
}
