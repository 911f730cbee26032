#include "tests/fuzz/usd/minimise.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace usdfuzz {
namespace {

constexpr int MaxTries = 120;
constexpr DWORD ChildTimeoutMs = 60000;

std::string ProgramPath() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length);
}

std::string WriteReplayFile(const CallList& calls) {
    char folder[MAX_PATH];
    char path[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    GetTempFileNameA(folder, "usr", 0, path);
    std::string text = Tokens(calls) + "\n";
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr);
    CloseHandle(file);
    return path;
}

}  // namespace

int ReplayRepeats(const CallList& calls) {
    bool threaded =
        std::any_of(calls.begin(), calls.end(), [](const Call& call) { return call.Thread != 0; });
    return threaded ? 200 : 1;
}

bool ReproducesInChild(const CallList& calls) {
    std::string replayFile = WriteReplayFile(calls);
    std::string command = "\"" + ProgramPath() + "\" --quiet --replay @" + replayFile;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    bool reproduced = false;
    if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process)) {
        DWORD exitCode = 0;
        if (WaitForSingleObject(process.hProcess, ChildTimeoutMs) == WAIT_TIMEOUT) {
            TerminateProcess(process.hProcess, 4);
            reproduced = true;  // a hang is a finding too
        } else {
            GetExitCodeProcess(process.hProcess, &exitCode);
            reproduced = exitCode != 0;
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    DeleteFileA(replayFile.c_str());
    return reproduced;
}

CallList Minimise(const CallList& calls, bool* reproduced) {
    *reproduced = ReproducesInChild(calls);
    if (!*reproduced) {
        return calls;
    }
    CallList best = calls;
    size_t chunks = 2;
    int tries = 1;
    while (best.size() > 1 && tries < MaxTries) {
        size_t chunk = (best.size() + chunks - 1) / chunks;
        bool shrunk = false;
        for (size_t start = 0; start < best.size() && tries < MaxTries; start += chunk) {
            CallList candidate(best.begin(), best.begin() + start);
            candidate.insert(candidate.end(), best.begin() + std::min(best.size(), start + chunk),
                             best.end());
            ++tries;
            if (!candidate.empty() && ReproducesInChild(candidate)) {
                best = candidate;
                chunks = std::max<size_t>(chunks - 1, 2);
                shrunk = true;
                break;
            }
        }
        if (!shrunk) {
            if (chunk == 1) {
                break;
            }
            chunks = std::min(best.size(), chunks * 2);
        }
    }
    return best;
}

}  // namespace usdfuzz
