// Progress on stderr while a job runs: rows done of the total, MB/s and the time
// left (without a total, as for a sheet whose end the scanner detects, the rows so
// far, MB/s and the time elapsed). On a terminal one line is rewritten twice a second once the job
// has taken longer than a second; otherwise (a pipe, a file, a log) a plain line every ten seconds.
// A native transfer is one call that blocks until the whole image is there, so until its rows are
// written only the time elapsed is known.
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
    // totalRows 0: unknown (the rows so far once there are any, else the time elapsed).
    CProgress(const std::string& label, uint64_t totalRows, uint64_t rowBytes);
    ~CProgress();
    CProgress(const CProgress&) = delete;
    CProgress& operator=(const CProgress&) = delete;

    void SetTotal(uint64_t totalRows, uint64_t rowBytes);
    void Update(uint64_t rowsDone) { done_.store(rowsDone); }
    // Stops the reporting and ends the line if one was printed.
    void Finish();

private:
    void Run();
    void Print(double seconds);

    std::string label_;
    std::atomic<uint64_t> total_;
    std::atomic<uint64_t> rowBytes_;
    std::atomic<uint64_t> done_{0};
    const bool terminal_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool finished_ = false;
    bool lineOpen_ = false;
    ULONGLONG start_;
    std::thread thread_;
};

// Seconds on a monotonic clock, for the transfer's timing.
double SecondsNow();
