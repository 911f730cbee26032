// Runs twacquire.exe (built beside the test program) as a separate process, the
// way a person runs it, and collects its exit code and output.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tools/image/image.h"

struct TwacquireRun {
    int ExitCode = -1;
    std::string Out;
    std::string Err;
    uint64_t PeakPrivateBytes = 0;  // sampled while it ran; 0 when it cannot be read
};

TwacquireRun RunTwacquire(const std::vector<std::string>& arguments);

// The same, started and left running while the test acts on it (its dialog).
class CTwacquireProcess {
public:
    explicit CTwacquireProcess(const std::vector<std::string>& arguments);
    ~CTwacquireProcess();
    CTwacquireProcess(const CTwacquireProcess&) = delete;
    CTwacquireProcess& operator=(const CTwacquireProcess&) = delete;

    bool Started() const { return process_ != nullptr; }
    // Waits for the end (killing the process after timeoutMs) and collects the result.
    TwacquireRun Finish(DWORD timeoutMs = 120000);

private:
    void* process_ = nullptr;
    void* out_ = nullptr;
    void* err_ = nullptr;
    std::string outPath_;
    std::string errPath_;
};

// A fresh, empty directory for one test's files.
std::string MakeScratchDirectory(const std::string& name);
bool FileExists(const std::string& path);
std::string ReadText(const std::string& path);

// Where the files that the Linux side reads again are written: the folder
// TWACQUIRE_CHECKED_FILES names, or a scratch folder.
std::string CheckedFilesDirectory();
// The image a file must hold, for the Linux side's readers: a line
// "DUNMERE-EXPECTED width height bits xdpi ydpi colours", the colour table as red,
// green, blue bytes, then the rows top-down, unpadded.
void WriteExpectedImage(const std::string& path, const Image& image, int xdpi, int ydpi);
