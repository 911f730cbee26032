#include "bench/memory_monitor.h"

#include <psapi.h>

uint64_t PrivateBytesNow() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(),
                              reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters))
        return 0;
    return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

CMemoryMonitor::CMemoryMonitor() : thread_(&CMemoryMonitor::Run, this) {
    while (!sampling_)
        Sleep(0);
    baseline_ = PrivateBytesNow();
    peak_ = baseline_;
}

CMemoryMonitor::~CMemoryMonitor() {
    Stop();
}

uint64_t CMemoryMonitor::Stop() {
    if (thread_.joinable()) {
        stop_ = true;
        thread_.join();
        const uint64_t last = PrivateBytesNow();
        if (last > peak_) peak_ = last;
    }
    return peak_;
}

void CMemoryMonitor::Run() {
    while (!stop_) {
        const uint64_t now = PrivateBytesNow();
        if (now > peak_) peak_ = now;
        sampling_ = true;
        Sleep(1);
    }
}
