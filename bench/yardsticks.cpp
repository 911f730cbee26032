#include "bench/yardsticks.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "bench/timing.h"

namespace {

constexpr size_t Chunk = 64 * 1024;

}  // namespace

double FreshCopySeconds(size_t bytes) {
    std::vector<unsigned char> source(Chunk, 0xff);
    const double start = Seconds();
    auto* block = static_cast<unsigned char*>(GlobalAlloc(GMEM_FIXED, bytes));
    if (!block) return -1;
    for (size_t done = 0; done < bytes; done += Chunk)
        std::memcpy(block + done, source.data(), bytes - done < Chunk ? bytes - done : Chunk);
    const double seconds = Seconds() - start;
    KeepAlive(block, bytes);
    GlobalFree(block);
    return seconds;
}

double InUseCopySeconds(size_t bytes, size_t bufferSize) {
    std::vector<unsigned char> source(bufferSize, 0xff), target(bufferSize, 0);
    const double start = Seconds();
    for (size_t done = 0; done < bytes; done += bufferSize)
        std::memcpy(target.data(), source.data(),
                    bytes - done < bufferSize ? bytes - done : bufferSize);
    const double seconds = Seconds() - start;
    KeepAlive(target.data(), bufferSize);
    return seconds;
}
