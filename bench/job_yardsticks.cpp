#include "bench/job_yardsticks.h"

#include <windows.h>

#include <zlib.h>

#include <cstdio>
#include <vector>

#include "bench/timing.h"

double PlainWriteSeconds(const std::string& path, uint64_t bytes) {
    const std::vector<unsigned char> chunk(1 << 20, 0xff);
    const double start = Seconds();
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return -1;
    for (uint64_t done = 0; done < bytes; done += chunk.size()) {
        const size_t piece = bytes - done < chunk.size() ? size_t(bytes - done) : chunk.size();
        if (std::fwrite(chunk.data(), 1, piece, out) != piece) break;
    }
    std::fclose(out);
    const double seconds = Seconds() - start;
    DeleteFileA(path.c_str());
    return seconds;
}

double DeflateSeconds(uint64_t bytes, size_t rowBytes) {
    const std::vector<unsigned char> row(rowBytes, 0xff);
    std::vector<unsigned char> output(1 << 16);
    z_stream stream{};
    deflateInit(&stream, Z_DEFAULT_COMPRESSION);
    const double start = Seconds();
    for (uint64_t done = 0; done < bytes; done += rowBytes) {
        stream.next_in = const_cast<unsigned char*>(row.data());
        stream.avail_in = static_cast<uInt>(rowBytes);
        do {
            stream.next_out = output.data();
            stream.avail_out = static_cast<uInt>(output.size());
            deflate(&stream, Z_NO_FLUSH);
        } while (stream.avail_in > 0);
    }
    int result;
    do {
        stream.next_out = output.data();
        stream.avail_out = static_cast<uInt>(output.size());
        result = deflate(&stream, Z_FINISH);
    } while (result == Z_OK);
    const double seconds = Seconds() - start;
    deflateEnd(&stream);
    return seconds;
}
