#include "tests/tools/twacquire_runner.h"

#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstdlib>

namespace {

std::string ProgramDirectory() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text(path, length);
    return text.substr(0, text.find_last_of("\\/") + 1);
}

std::string Quote(const std::string& argument) {
    return "\"" + argument + "\"";
}

HANDLE InheritableFile(const std::string& path) {
    SECURITY_ATTRIBUTES security{sizeof security, nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &security,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

uint64_t PrivateBytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters))
        return 0;
    return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

}  // namespace

std::string ReadText(const std::string& path) {
    std::string text;
    FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) return text;
    char chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0)
        text.append(chunk, got);
    std::fclose(in);
    return text;
}

std::string CheckedFilesDirectory() {
    const char* folder = std::getenv("TWACQUIRE_CHECKED_FILES");
    if (!folder || !*folder) return MakeScratchDirectory("checked");
    CreateDirectoryA(folder, nullptr);
    return std::string(folder) + "\\";
}

void WriteExpectedImage(const std::string& path, const Image& image, int xdpi, int ydpi) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return;
    std::fprintf(out, "DUNMERE-EXPECTED %d %d %d %d %d %d\n", static_cast<int>(image.Width),
                 static_cast<int>(image.Height), image.BitsPerPixel, xdpi, ydpi,
                 static_cast<int>(image.Palette.size()));
    for (const RgbColour& colour : image.Palette)
        std::fwrite(&colour, 3, 1, out);
    std::fwrite(image.Pixels.data(), 1, image.Pixels.size(), out);
    std::fclose(out);
}

std::string MakeScratchDirectory(const std::string& name) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string directory =
        std::string(temp) + "twacquire_tests_" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(directory.c_str(), nullptr);
    directory += name + "\\";
    CreateDirectoryA(directory.c_str(), nullptr);
    return directory;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

CTwacquireProcess::CTwacquireProcess(const std::vector<std::string>& arguments) {
    // Fresh files for every run: a helper process Wine starts may keep the handles
    // of the first run's files open.
    static int runs = 0;
    const std::string scratch = MakeScratchDirectory("process");
    const std::string number = std::to_string(++runs);
    outPath_ = scratch + "stdout" + number + ".txt";
    errPath_ = scratch + "stderr" + number + ".txt";
    std::string command = Quote(ProgramDirectory() + "twacquire.exe");
    for (const std::string& argument : arguments)
        command += " " + Quote(argument);

    out_ = InheritableFile(outPath_);
    err_ = InheritableFile(errPath_);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out_;
    startup.hStdError = err_;
    PROCESS_INFORMATION process{};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &process)) {
        CloseHandle(process.hThread);
        process_ = process.hProcess;
    }
}

CTwacquireProcess::~CTwacquireProcess() {
    Finish(0);
}

TwacquireRun CTwacquireProcess::Finish(DWORD timeoutMs) {
    TwacquireRun run;
    if (process_) {
        // The private memory is sampled every 20 ms until the end (a job holds its
        // peak for far longer).
        const ULONGLONG deadline = GetTickCount64() + timeoutMs;
        DWORD waited;
        do {
            const uint64_t now = PrivateBytes(process_);
            if (now > run.PeakPrivateBytes) run.PeakPrivateBytes = now;
            const ULONGLONG left = deadline > GetTickCount64() ? deadline - GetTickCount64() : 0;
            waited = WaitForSingleObject(process_, static_cast<DWORD>(left < 20 ? left : 20));
        } while (waited == WAIT_TIMEOUT && GetTickCount64() < deadline);
        if (waited == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(process_, &code);
            run.ExitCode = static_cast<int>(code);
        } else {
            TerminateProcess(process_, 99);
            WaitForSingleObject(process_, 5000);
        }
        CloseHandle(process_);
        process_ = nullptr;
    }
    if (out_) CloseHandle(out_);
    if (err_) CloseHandle(err_);
    out_ = err_ = nullptr;
    run.Out = ReadText(outPath_);
    run.Err = ReadText(errPath_);
    return run;
}

TwacquireRun RunTwacquire(const std::vector<std::string>& arguments) {
    CTwacquireProcess process(arguments);
    return process.Finish();
}
