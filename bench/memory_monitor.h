// The process's private memory while something runs: a thread samples
// GetProcessMemoryInfo every millisecond and keeps the largest value. Sampling is
// needed because Wine 8 reports PrivateUsage as 0 and PeakPagefileUsage as the
// current PagefileUsage (the process's private resident pages), so no counter
// keeps the peak; on Windows PrivateUsage is the figure.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <thread>

// The process's private bytes now: PrivateUsage, or PagefileUsage where that is 0.
uint64_t PrivateBytesNow();

class CMemoryMonitor {
public:
    CMemoryMonitor();
    ~CMemoryMonitor();
    CMemoryMonitor(const CMemoryMonitor&) = delete;
    CMemoryMonitor& operator=(const CMemoryMonitor&) = delete;

    // The private bytes once the sampling thread runs (its own stack is not
    // counted), and the most seen since.
    uint64_t Baseline() const { return baseline_; }
    uint64_t Stop();

private:
    void Run();

    uint64_t baseline_ = 0;
    std::atomic<uint64_t> peak_{0};
    std::atomic<bool> stop_{false};
    std::atomic<bool> sampling_{false};
    std::thread thread_;
};
