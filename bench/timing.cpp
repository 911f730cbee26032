#include "bench/timing.h"

#include <windows.h>

#include <algorithm>

double Seconds() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / frequency.QuadPart;
}

volatile unsigned char keepAliveSink;

void KeepAlive(const unsigned char* data, size_t bytes) {
    if (bytes)
        keepAliveSink = static_cast<unsigned char>(data[0] ^ data[bytes / 2] ^ data[bytes - 1]);
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}
