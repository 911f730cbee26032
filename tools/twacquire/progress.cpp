#include "tools/twacquire/progress.h"

#include <chrono>
#include <cstdio>

double SecondsNow() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / frequency.QuadPart;
}

CProgress::CProgress(const std::string& label, uint64_t total)
    : label_(label), total_(total), start_(GetTickCount64()), thread_(&CProgress::Run, this) {}

CProgress::~CProgress() {
    Finish();
}

void CProgress::Finish() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (finished_) return;
        finished_ = true;
    }
    wake_.notify_all();
    thread_.join();
    if (printed_) std::fputc('\n', stderr);
}

void CProgress::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (wake_.wait_for(lock, std::chrono::seconds(1), [this] { return finished_; })) return;
    do {
        Print((GetTickCount64() - start_) / 1000.0);
    } while (!wake_.wait_for(lock, std::chrono::milliseconds(500), [this] { return finished_; }));
}

void CProgress::Print(double seconds) {
    const uint64_t done = done_.load();
    if (total_ > 0)
        std::fprintf(stderr, "\r%s: %3.0f%% (%.1f of %.1f MB), %.1f s ", label_.c_str(),
                     100.0 * done / total_, done / 1e6, total_ / 1e6, seconds);
    else
        std::fprintf(stderr, "\r%s: %.1f s ", label_.c_str(), seconds);
    std::fflush(stderr);
    printed_ = true;
}
