// What a job's output costs at the least, for the same byte count: writing the
// bytes to a file with plain writes, and deflating them with zlib at the level
// the writers use.
#pragma once

#include <cstdint>
#include <string>

// Seconds to write `bytes` of white to a new file at `path` in 1 MiB writes, closed
// and flushed to the file system; the file is removed afterwards (not timed).
double PlainWriteSeconds(const std::string& path, uint64_t bytes);

// Seconds to deflate `bytes` of white, given row by row (rowBytes each) to one
// zlib stream at the default level, the output discarded.
double DeflateSeconds(uint64_t bytes, size_t rowBytes);
