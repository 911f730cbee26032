#include "tools/twacquire/progress.h"

#include <chrono>
#include <cstdio>

namespace {

bool StderrIsTerminal() {
    DWORD mode;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

std::string Duration(double seconds) {
    const long whole = static_cast<long>(seconds + 0.5);
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

}  // namespace

double SecondsNow() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / frequency.QuadPart;
}

CProgress::CProgress(const std::string& label, uint64_t totalRows, uint64_t rowBytes)
    : label_(label),
      total_(totalRows),
      rowBytes_(rowBytes),
      terminal_(StderrIsTerminal()),
      start_(GetTickCount64()),
      thread_(&CProgress::Run, this) {}

CProgress::~CProgress() {
    Finish();
}

void CProgress::SetTotal(uint64_t totalRows, uint64_t rowBytes) {
    rowBytes_ = rowBytes;
    total_ = totalRows;
}

void CProgress::Finish() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (finished_) return;
        finished_ = true;
    }
    wake_.notify_all();
    thread_.join();
    if (lineOpen_) std::fputc('\n', stderr);
}

void CProgress::Run() {
    const auto period = terminal_ ? std::chrono::milliseconds(500) : std::chrono::seconds(10);
    std::unique_lock<std::mutex> lock(mutex_);
    const auto first = terminal_ ? std::chrono::seconds(1) : std::chrono::seconds(10);
    if (wake_.wait_for(lock, first, [this] { return finished_; })) return;
    do {
        Print((GetTickCount64() - start_) / 1000.0);
    } while (!wake_.wait_for(lock, period, [this] { return finished_; }));
}

void CProgress::Print(double seconds) {
    const uint64_t done = done_.load(), total = total_.load();
    std::string line = label_ + ": ";
    char text[160];
    if (total > 0 && done > 0) {
        const double rate = done * static_cast<double>(rowBytes_.load()) / seconds / 1e6;
        const double left = seconds * (total - done) / done;
        std::snprintf(text, sizeof text, "%llu of %llu rows (%.0f%%), %.1f MB/s, %s left",
                      static_cast<unsigned long long>(done), static_cast<unsigned long long>(total),
                      100.0 * done / total, rate, Duration(left).c_str());
    } else if (done > 0) {  // a length known only at the end: the rows so far
        const double rate = done * static_cast<double>(rowBytes_.load()) / seconds / 1e6;
        std::snprintf(text, sizeof text, "%llu rows, %.1f MB/s, %s elapsed",
                      static_cast<unsigned long long>(done), rate, Duration(seconds).c_str());
    } else {
        std::snprintf(text, sizeof text, "%s elapsed", Duration(seconds).c_str());
    }
    line += text;
    if (terminal_) {
        std::fprintf(stderr, "\r%-78s", line.c_str());
        lineOpen_ = true;
    } else {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
    std::fflush(stderr);
}
