// The still-image driver's fuzzer: rounds of random method calls with random and
// null arguments, alternately from one thread and from eight on one object, on
// halvardusd.dll loaded as the still-image service loads it. Every round derives
// from the seed and its number alone, so a finding replays exactly; it is then
// shrunk to a short list of calls that replays with --replay.
//
//   usd_fuzzer --seed N --seconds S [--threads T]     fuzz for S seconds
//   usd_fuzzer --seed N --round R [--threads T]       run one round again
//   usd_fuzzer --replay "CALLS"|@FILE [--minimise]    run (or shrink) a call list
#include "tests/fuzz/usd/minimise.h"
#include "tests/fuzz/usd/rounds.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

using namespace usdfuzz;

namespace {

constexpr DWORD HangMs = 60000;

struct Options {
    uint64_t Seed = 0;
    bool SeedGiven = false;
    double Seconds = 10;
    int Threads = 0;  // 0: alternate one thread and MaxThreads
    long long Round = -1;
    std::string Replay;
    bool Minimise = false;
    bool NoMinimise = false;
    bool Quiet = false;
};

// What the crash and hang reports name: the round being run.
struct Progress {
    uint64_t Seed = 0;
    long long Round = -1;
    int Threads = 0;
    bool Replaying = false;
    bool Quiet = false;  // a replay started by the shrinking: its exit code says it all
    bool Shrink = true;
    volatile ULONGLONG RoundStarted = 0;
} Now;

uint64_t Mix(uint64_t value) {
    value += 0x9E3779B97F4A7C15ULL;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ULL;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBULL;
    return value ^ (value >> 31);
}

int RoundThreads(long long round, int threadsOption) {
    return threadsOption != 0 ? threadsOption : (round % 2 == 0 ? 1 : MaxThreads);
}

CallList GenerateRound(uint64_t seed, long long round, int threadsOption) {
    std::mt19937_64 random(Mix(seed ^ Mix(uint64_t(round))));
    int threads = RoundThreads(round, threadsOption);
    int perThread = threads == 1 ? 200 : 60;
    CallList calls;
    for (int t = 0; t < threads; ++t) {
        CallList own = GenerateCalls(random, t, perThread);
        calls.insert(calls.end(), own.begin(), own.end());
    }
    return calls;
}

std::string RoundCommand() {
    std::string command =
        "usd_fuzzer --seed " + std::to_string(Now.Seed) + " --round " + std::to_string(Now.Round);
    if (Now.Threads != 0) {
        command += " --threads " + std::to_string(Now.Threads);
    }
    return command;
}

// On the standard output, in order with everything else the fuzzer prints.
void ReportAbort(const char* what) {
    if (Now.Quiet) {
        return;
    }
    if (Now.Replaying) {
        std::printf("usd_fuzzer: %s while replaying the calls\n", what);
    } else {
        std::printf("usd_fuzzer: %s in round %lld, seed %llu\n", what, Now.Round,
                    static_cast<unsigned long long>(Now.Seed));
        std::printf("usd_fuzzer: run the round again with: %s\n", RoundCommand().c_str());
        std::printf("usd_fuzzer: shrink it with: %s --minimise\n", RoundCommand().c_str());
    }
    std::fflush(stdout);
}

// The crashed process cannot shrink its own round: a new one does, from the seed
// and the round number, while this one waits to end.
void ShrinkCrashedRound() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string command = "\"" + std::string(path, length) + "\"" +
                          RoundCommand().substr(std::strlen("usd_fuzzer")) + " --minimise";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::fflush(stdout);
    if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* info) {
    char what[96];
    std::snprintf(what, sizeof(what), "crash (exception 0x%08lX at %p)",
                  static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
                  info->ExceptionRecord->ExceptionAddress);
    ReportAbort(what);
    if (!Now.Quiet && !Now.Replaying && Now.Shrink) {
        ShrinkCrashedRound();
    }
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

DWORD WINAPI Watchdog(void*) {
    for (;;) {
        Sleep(1000);
        ULONGLONG started = Now.RoundStarted;
        if (started != 0 && GetTickCount64() - started > HangMs) {
            ReportAbort("hang (a round ran over a minute)");
            TerminateProcess(GetCurrentProcess(), 4);
        }
    }
}

bool ParseOptions(int argc, char** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        bool hasValue = i + 1 < argc;
        if (name == "--seed" && hasValue) {
            options->Seed = std::strtoull(argv[++i], nullptr, 10);
            options->SeedGiven = true;
        } else if (name == "--seconds" && hasValue) {
            options->Seconds = std::atof(argv[++i]);
        } else if (name == "--threads" && hasValue) {
            options->Threads = std::atoi(argv[++i]);
            if (options->Threads < 1 || options->Threads > MaxThreads) {
                return false;
            }
        } else if (name == "--round" && hasValue) {
            options->Round = std::atoll(argv[++i]);
        } else if (name == "--replay" && hasValue) {
            options->Replay = argv[++i];
        } else if (name == "--minimise") {
            options->Minimise = true;
        } else if (name == "--no-minimise") {
            options->NoMinimise = true;
        } else if (name == "--quiet") {
            options->Quiet = true;
        } else {
            return false;
        }
    }
    return true;
}

bool ReadReplay(const std::string& argument, CallList* calls) {
    std::string text = argument;
    if (!argument.empty() && argument[0] == '@') {
        std::ifstream file(argument.substr(1));
        std::stringstream contents;
        contents << file.rdbuf();
        text = contents.str();
    }
    std::string bad;
    if (!ParseTokens(text, calls, &bad)) {
        std::fprintf(stderr, "usd_fuzzer: cannot read the call \"%s\"\n", bad.c_str());
        return false;
    }
    return !calls->empty();
}

void PrintFindings(const std::vector<std::string>& findings) {
    for (const std::string& finding : findings) {
        std::printf("  - %s\n", finding.c_str());
    }
}

// True when the calls gave the finding again.
bool ShrinkAndReport(const CallList& calls) {
    std::printf("usd_fuzzer: shrinking %zu calls (each try replays them in a new process)\n",
                calls.size());
    std::fflush(stdout);
    bool reproduced = false;
    CallList shortest = Minimise(calls, &reproduced);
    if (!reproduced) {
        std::printf("usd_fuzzer: the calls did not give the finding again in %d tries\n",
                    ReplayRepeats(calls));
        return false;
    }
    std::printf("usd_fuzzer: %zu calls still give it:\n", shortest.size());
    for (const Call& call : shortest) {
        std::printf("  %s\n", Token(call).c_str());
    }
    std::printf("usd_fuzzer: replay with: usd_fuzzer --replay \"%s\"\n", Tokens(shortest).c_str());
    return true;
}

// Runs the calls again (several times when they are spread over threads);
// returns the findings of the first run that has any.
std::vector<std::string> Replay(Host& host, RoundRunner& runner, const CallList& calls) {
    std::vector<CallList> threads = ByThread(calls);
    for (int run = 0; run < ReplayRepeats(calls); ++run) {
        runner.Run(threads);
        if (host.Found.Any()) {
            return host.Found.Take();
        }
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fprintf(stderr,
                     "usage: usd_fuzzer [--seed N] [--seconds S] [--threads 1-%d] [--round R]\n"
                     "                  [--replay CALLS|@FILE] [--minimise] [--no-minimise]\n",
                     MaxThreads);
        return 2;
    }
    if (!options.SeedGiven) {
        options.Seed = Mix(GetTickCount64() ^ GetCurrentProcessId()) % 1000000000;
    }
    Now.Seed = options.Seed;
    Now.Threads = options.Threads;
    Now.Quiet = options.Quiet;
    Now.Shrink = !options.NoMinimise;
    SetUnhandledExceptionFilter(&OnCrash);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    CloseHandle(CreateThread(nullptr, 0, &Watchdog, nullptr, 0, nullptr));

    Host host;
    std::string problem;
    if (!host.Start(&problem)) {
        std::fprintf(stderr, "usd_fuzzer: %s\n", problem.c_str());
        return 2;
    }
    RoundRunner runner(host);
    if (!runner.Probe()) {
        std::fprintf(stderr, "usd_fuzzer: the module makes no driver object\n");
        return 2;
    }

    CallList replayed;
    if (!options.Replay.empty() && !ReadReplay(options.Replay, &replayed)) {
        return 2;
    }
    if (options.Minimise) {
        CallList calls =
            !replayed.empty()
                ? replayed
                : GenerateRound(options.Seed, std::max(0LL, options.Round), options.Threads);
        bool reproduced = ShrinkAndReport(calls);
        host.Stop();
        return reproduced ? 1 : 0;
    }
    if (!replayed.empty()) {
        Now.Replaying = true;
        Now.RoundStarted = GetTickCount64();
        std::vector<std::string> findings = Replay(host, runner, replayed);
        Now.RoundStarted = 0;
        if (!options.Quiet) {
            std::printf("usd_fuzzer: %zu calls replayed, %zu findings\n", replayed.size(),
                        findings.size());
            PrintFindings(findings);
        }
        host.Stop();
        return findings.empty() ? 0 : 1;
    }

    ULONGLONG started = GetTickCount64();
    long long round = options.Round >= 0 ? options.Round : 0;
    std::vector<std::string> findings;
    CallList findingCalls;
    do {
        CallList calls = GenerateRound(options.Seed, round, options.Threads);
        Now.Round = round;
        Now.RoundStarted = GetTickCount64();
        runner.Run(ByThread(calls));
        Now.RoundStarted = 0;
        if (host.Found.Any()) {
            findings = host.Found.Take();
            findingCalls = calls;
            break;
        }
        ++round;
    } while (options.Round < 0 && GetTickCount64() - started < ULONGLONG(options.Seconds * 1000));
    double seconds = double(GetTickCount64() - started) / 1000;

    if (!findings.empty()) {
        std::printf("usd_fuzzer: finding in round %lld (%d threads), seed %llu:\n", Now.Round,
                    RoundThreads(Now.Round, options.Threads),
                    static_cast<unsigned long long>(options.Seed));
        PrintFindings(findings);
        std::printf("usd_fuzzer: run the round again with: %s\n", RoundCommand().c_str());
        if (!options.NoMinimise) {
            ShrinkAndReport(findingCalls);
        }
    }
    std::printf("usd_fuzzer: %llu calls in %.1f s, seed %llu, %zu findings\n",
                static_cast<unsigned long long>(runner.CallsMade()), seconds,
                static_cast<unsigned long long>(options.Seed), findings.size());
    host.Stop();
    return findings.empty() ? 0 : 1;
}
