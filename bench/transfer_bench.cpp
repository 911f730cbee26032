// Transfer benchmark: native and memory transfers of large scans of the simulated
// scanner's flat paper through Wine's Source Manager, against two memcpy
// yardsticks for the same byte count, with the peak private memory of each
// transfer (measured in a second transfer of each run, with a sampling thread that
// the timed transfer goes without). Every figure is the median of several runs;
// each target is checked.
//   transfer_bench [--runs N] [--buffer BYTES] [--trace-only]
// Run it through bench/run.sh, which sets TARNSCAN_DOCUMENT=flat.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/memory_monitor.h"
#include "bench/timing.h"
#include "bench/trace_cost.h"
#include "bench/transfer_runs.h"
#include "bench/yardsticks.h"
#include "tools/twain_client.h"

namespace {

constexpr double BytesPerMiB = 1024.0 * 1024.0;
constexpr TW_UINT32 Resolution = 400;
constexpr int WidthInches = 39;           // 15,600 pixels at 400 dpi, nearly the QD120's 15,750
constexpr int MemoryLengthInches = 100;   // 40,000 rows at 400 dpi
constexpr size_t LargeBuffer = 64 << 20;  // for context: copies that cannot stay in a cache

struct Depth {
    const char* name;
    TW_UINT16 pixelType;
    int nativeLengthInches;  // at least 200 MB
};

struct Summary {
    RunResult shape;  // geometry of the runs
    double mbPerSecond = 0;
    double yardstickMbPerSecond = 0;
    double largeBuffersMbPerSecond =
        0;  // memory transfers: memcpy between buffers larger than the caches
    double peakAbove = 0;
    bool ok = false;
};

double Rate(uint64_t bytes, double seconds) {
    return seconds > 0 ? bytes / seconds / 1e6 : 0;
}

const char* Verdict(bool holds) {
    return holds ? "holds" : "MISSED";
}

Summary Measure(CTwainClient& client, const Depth& depth, TW_UINT16 mechanism, int runs,
                size_t bufferSize) {
    Summary summary;
    ScanSetup setup{depth.pixelType, Resolution, WidthInches,
                    mechanism == TWSX_NATIVE ? depth.nativeLengthInches : MemoryLengthInches,
                    mechanism};
    std::string error;
    if (!Negotiate(client, setup, error)) {
        std::printf("  %s\n", error.c_str());
        return summary;
    }
    std::vector<unsigned char> buffer;
    if (mechanism == TWSX_MEMORY) buffer.assign(bufferSize, 0);  // in use before the scan

    std::vector<double> rates, yardsticks, largeBuffers, peaks;
    auto transfer = [&](bool watchMemory) {
        return mechanism == TWSX_NATIVE ? RunNative(client, watchMemory)
                                        : RunMemory(client, buffer, watchMemory);
    };
    for (int run = 0; run < runs; ++run) {
        RunResult result = transfer(false);
        RunResult watched = result.Ok ? transfer(true) : result;
        if (!result.Ok || !watched.Ok) {
            std::printf("  run %d: %s\n", run + 1, (result.Ok ? watched : result).Error.c_str());
            return summary;
        }
        summary.shape = result;
        rates.push_back(Rate(result.ImageBytes, result.Seconds));
        peaks.push_back(static_cast<double>(watched.PeakAbove));
        const double yardstick = mechanism == TWSX_NATIVE
                                     ? FreshCopySeconds(result.ImageBytes)
                                     : InUseCopySeconds(result.ImageBytes, bufferSize);
        yardsticks.push_back(Rate(result.ImageBytes, yardstick));
        if (mechanism == TWSX_MEMORY)
            largeBuffers.push_back(
                Rate(result.ImageBytes, InUseCopySeconds(result.ImageBytes, LargeBuffer)));
    }
    summary.largeBuffersMbPerSecond = Median(largeBuffers);
    summary.mbPerSecond = Median(rates);
    summary.yardstickMbPerSecond = Median(yardsticks);
    summary.peakAbove = Median(peaks);
    summary.ok = true;
    return summary;
}

// Prints one depth's four lines; true when every target holds.
bool Report(const Depth& depth, const Summary& native, const Summary& memory, size_t bufferSize) {
    bool all = native.ok && memory.ok;
    std::printf("%s\n", depth.name);
    if (native.ok) {
        const RunResult& s = native.shape;
        const double ratio = native.mbPerSecond / native.yardstickMbPerSecond;
        const double limit = s.ImageBytes / BytesPerMiB + 2;
        const bool fast = ratio >= 0.6, small = native.peakAbove / BytesPerMiB <= limit;
        all = all && fast && small;
        std::printf(
            "  native transfer  %ld x %ld, %.1f MB: %7.1f MB/s; memcpy into fresh memory %7.1f "
            "MB/s; "
            "ratio %.2f (target >= 0.60: %s)\n",
            static_cast<long>(s.Width), static_cast<long>(s.Height), s.ImageBytes / 1e6,
            native.mbPerSecond, native.yardstickMbPerSecond, ratio, Verdict(fast));
        std::printf(
            "  native peak      %.1f MiB above the level before the scan (target <= image %.1f MiB "
            "+ 2 MiB: "
            "%s)\n",
            native.peakAbove / BytesPerMiB, s.ImageBytes / BytesPerMiB, Verdict(small));
    }
    if (memory.ok) {
        const RunResult& s = memory.shape;
        const double ratio = memory.mbPerSecond / memory.yardstickMbPerSecond;
        const bool fast = ratio >= 0.7, small = memory.peakAbove / BytesPerMiB <= 8;
        all = all && fast && small;
        std::printf(
            "  memory transfer  %ld x %ld, %.1f MB, buffer %zu bytes: %7.1f MB/s; memcpy between "
            "buffers in "
            "use %7.1f MB/s; ratio %.2f (target >= 0.70: %s)\n",
            static_cast<long>(s.Width), static_cast<long>(s.Height), s.ImageBytes / 1e6, bufferSize,
            memory.mbPerSecond, memory.yardstickMbPerSecond, ratio, Verdict(fast));
        std::printf(
            "  (for context: memcpy between two 64 MiB buffers in use %.1f MB/s, ratio %.2f)\n",
            memory.largeBuffersMbPerSecond, memory.mbPerSecond / memory.largeBuffersMbPerSecond);
        std::printf(
            "  memory peak      %.1f MiB above the level before the scan (target <= 8 MiB: %s)\n",
            memory.peakAbove / BytesPerMiB, Verdict(small));
    }
    return all;
}

}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    int runs = 5;
    size_t bufferSize = 0;  // 0: the source's preferred size
    bool traceOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--buffer") == 0 && i + 1 < argc)
            bufferSize = std::strtoul(argv[++i], nullptr, 10);
        else if (std::strcmp(argv[i], "--trace-only") == 0)
            traceOnly = true;
        else {
            std::fprintf(stderr,
                         "usage: transfer_bench [--runs N] [--buffer BYTES] [--trace-only]\n");
            return 2;
        }
    }
    if (runs < 1) runs = 1;

    CTwainClient client;
    if (client.OpenManager() != TWRC_SUCCESS || client.OpenSource() != TWRC_SUCCESS) {
        std::fprintf(stderr,
                     "transfer_bench: cannot open the Halvard source through the Source Manager\n");
        return 1;
    }
    if (bufferSize == 0) {
        TW_SETUPMEMXFER setup{};
        client.Call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup);
        bufferSize =
            setup.Preferred && setup.Preferred != TWON_DONTCARE32 ? setup.Preferred : 65536;
    }
    const char* paper = std::getenv("TARNSCAN_DOCUMENT");
    std::printf("Transfer benchmark: simulated scanner, paper %s, %lu dpi, median of %d runs\n",
                paper && *paper ? paper : "chart", static_cast<unsigned long>(Resolution), runs);
    std::printf("(private memory: %s, sampled every millisecond)\n\n",
                "PrivateUsage, or PagefileUsage where Wine reports PrivateUsage as 0");

    const Depth depths[] = {{"8-bit greyscale (the targets)", TWPT_GRAY, 33},
                            {"24-bit RGB (beside it)", TWPT_RGB, 11}};
    if (!traceOnly) {
        bool targetsHold = true;
        for (const Depth& depth : depths) {
            const Summary native = Measure(client, depth, TWSX_NATIVE, runs, bufferSize);
            const Summary memory = Measure(client, depth, TWSX_MEMORY, runs, bufferSize);
            const bool holds = Report(depth, native, memory, bufferSize);
            if (depth.pixelType == TWPT_GRAY) targetsHold = holds;
            std::printf("\n");
        }
        std::printf("8-bit greyscale targets: %s\n\n", targetsHold ? "all hold" : "NOT all hold");
    }
    ReportTraceCost(client, runs);
    return 0;
}
