// Progress on stderr while a transfer runs: a line rewritten twice a second once
// the transfer has taken longer than a second. A native transfer is one call that
// blocks until the whole image is there, so it reports only the time elapsed; a
// memory transfer reports the bytes received so far.
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

class CProgress {
public:
    // total 0: unknown (elapsed time only).
    CProgress(const std::string& label, uint64_t total);
    ~CProgress();
    CProgress(const CProgress&) = delete;
    CProgress& operator=(const CProgress&) = delete;

    void Update(uint64_t done) { done_.store(done); }
    // Stops the reporting and ends the line if one was printed.
    void Finish();

private:
    void Run();
    void Print(double seconds);

    std::string label_;
    uint64_t total_;
    std::atomic<uint64_t> done_{0};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool finished_ = false;
    bool printed_ = false;
    ULONGLONG start_;
    std::thread thread_;
};

// Seconds on a monotonic clock, for the transfer's timing.
double SecondsNow();
