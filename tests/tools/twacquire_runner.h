// Runs twacquire.exe (built beside the test program) as a separate process, the
// way a person runs it, and collects its exit code and output.
#pragma once

#include <string>
#include <vector>

struct TwacquireRun {
    int ExitCode = -1;
    std::string Out;
    std::string Err;
};

TwacquireRun RunTwacquire(const std::vector<std::string>& arguments);

// A fresh, empty directory for one test's files.
std::string MakeScratchDirectory(const std::string& name);
bool FileExists(const std::string& path);
