// What moving the bytes costs at the least, for the same byte count as a transfer:
// memcpy into freshly allocated memory (every page touched for the first time, as
// a new image's are) and memcpy between two buffers already in use (as an
// application that reuses its transfer buffer has them).
#pragma once

#include <cstddef>

// Seconds to allocate `bytes` of global memory and fill it by memcpy from a 64 KB
// buffer, chunk after chunk; the block is freed afterwards (not timed).
double FreshCopySeconds(size_t bytes);

// Seconds to memcpy `bytes` in pieces of `bufferSize` between two buffers of that
// size that have been written before.
double InUseCopySeconds(size_t bytes, size_t bufferSize);
