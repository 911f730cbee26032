// End-to-end job benchmark: twacquire.exe run as a person runs it, scanning the
// QC1400's flat paper in colour at 400 dpi, 36 x 44 and 36 x 120 inches, by memory
// transfer into an uncompressed TIFF, a Deflate TIFF and a PNG. For each job: the
// wall time of the process, the job's own rate (transfer and writing, as twacquire
// reports it), and the client's peak private memory, sampled from outside. In the
// same run, two yardsticks for the same byte count: plain writes to a file (for the
// uncompressed TIFF), and zlib's deflate at the same level (for Deflate TIFF and
// PNG). Targets are checked at the end.
//   job_bench [--runs N]
// Run it through bench/run.sh jobs, which sets TARNSCAN_MODEL and TARNSCAN_DOCUMENT.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/job_yardsticks.h"
#include "bench/timing.h"
#include "tests/tools/twacquire_runner.h"

namespace {

constexpr double BytesPerMiB = 1024.0 * 1024.0;
constexpr int Resolution = 400;
constexpr int WidthInches = 36;

struct Output {
    const char* name;
    const char* ending;
    const char* compression;  // for .tif
    bool deflated;
};

const Output Outputs[] = {{"TIFF, uncompressed", ".tif", "none", false},
                          {"TIFF, Deflate", ".tif", "deflate", true},
                          {"PNG", ".png", nullptr, true}};

struct JobFigures {
    bool ok = false;
    std::string error;
    double wallSeconds = 0;
    double jobMbPerSecond = 0;  // as twacquire reports it
    double peakMiB = 0;
};

double Rate(double bytes, double seconds) {
    return seconds > 0 ? bytes / seconds / 1e6 : 0;
}

const char* Verdict(bool holds) {
    return holds ? "holds" : "MISSED";
}

// twacquire's closing line ends "..., N MB/s (memory transfer)".
double ReportedRate(const std::string& out) {
    const size_t unit = out.rfind(" MB/s");
    if (unit == std::string::npos) return 0;
    const size_t start = out.rfind(' ', unit - 1);
    return std::atof(out.substr(start + 1, unit - start - 1).c_str());
}

JobFigures RunJob(const std::string& path, int lengthInches, const Output& output,
                  bool autoLength = false) {
    std::vector<std::string> arguments = {
        "--pixel",      "rgb",
        "--resolution", std::to_string(Resolution),
        "--frame",      "0,0," + std::to_string(WidthInches) + "," + std::to_string(lengthInches),
        "--transfer",   "memory"};
    if (output.compression) {
        arguments.push_back("--compression");
        arguments.push_back(output.compression);
    }
    if (autoLength) arguments.push_back("--auto-length");
    arguments.push_back(path);
    JobFigures figures;
    const double start = Seconds();
    CTwacquireProcess process(arguments);
    const TwacquireRun run = process.Finish(60 * 60 * 1000);
    figures.wallSeconds = Seconds() - start;
    DeleteFileA(path.c_str());
    if (run.ExitCode != 0) {
        figures.error = run.Err;
        return figures;
    }
    figures.ok = true;
    figures.jobMbPerSecond = ReportedRate(run.Out);
    figures.peakMiB = run.PeakPrivateBytes / BytesPerMiB;
    return figures;
}

JobFigures MedianOf(const std::vector<JobFigures>& runs) {
    JobFigures median;
    std::vector<double> wall, rate, peak;
    for (const JobFigures& run : runs) {
        if (!run.ok) return run;
        wall.push_back(run.wallSeconds);
        rate.push_back(run.jobMbPerSecond);
        peak.push_back(run.peakMiB);
    }
    median.ok = true;
    median.wallSeconds = Median(wall);
    median.jobMbPerSecond = Median(rate);
    median.peakMiB = Median(peak);
    return median;
}

}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    int runs = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: job_bench [--runs N]\n");
            return 2;
        }
    }
    if (runs < 1) runs = 1;
    const std::string folder = MakeScratchDirectory("job_bench");
    std::printf(
        "Job benchmark: twacquire, QC1400 flat paper, RGB %d dpi, memory transfer, "
        "median of %d runs\n",
        Resolution, runs);
    std::printf(
        "(job MB/s: image bytes over twacquire's transfer-and-write time; wall: the "
        "whole process, start-up and session included)\n\n");

    bool targetsHold = true;
    double peakShort = 0, peakLong = 0;
    for (int lengthInches : {44, 120}) {
        const size_t rowBytes = static_cast<size_t>(WidthInches) * Resolution * 3;
        const uint64_t bytes = static_cast<uint64_t>(rowBytes) * lengthInches * Resolution;
        std::printf("%d x %d inches, %d x %d pixels, %.1f MB of pixels\n", WidthInches,
                    lengthInches, WidthInches * Resolution, lengthInches * Resolution, bytes / 1e6);
        for (const Output& output : Outputs) {
            // Each run measures its yardstick just before the job, so that both see
            // the same machine (other work on it changes the figures from minute to
            // minute); the ratio is the median of the runs' ratios.
            std::vector<JobFigures> results;
            std::vector<double> yardsticks, ratios;
            for (int run = 0; run < runs; ++run) {
                const double yardstick =
                    output.deflated ? Rate(bytes, DeflateSeconds(bytes, rowBytes))
                                    : Rate(bytes, PlainWriteSeconds(folder + "plain.bin", bytes));
                results.push_back(RunJob(folder + "job" + output.ending, lengthInches, output));
                yardsticks.push_back(yardstick);
                ratios.push_back(results.back().jobMbPerSecond / yardstick);
            }
            const JobFigures job = MedianOf(results);
            if (!job.ok) {
                std::printf("  %-19s FAILED: %s\n", output.name, job.error.c_str());
                targetsHold = false;
                continue;
            }
            const double ratio = Median(ratios);
            const double target = output.deflated ? 0.8 : 0.5;
            const bool fast = ratio >= target;
            targetsHold = targetsHold && fast;
            std::printf(
                "  %-19s wall %6.1f s (%6.1f MB/s); job %7.1f MB/s; %s %7.1f MB/s; ratio %.2f "
                "(target >= %.1f: %s); peak %5.1f MiB\n",
                output.name, job.wallSeconds, Rate(bytes, job.wallSeconds), job.jobMbPerSecond,
                output.deflated ? "zlib deflate" : "plain writes", Median(yardsticks), ratio,
                target, Verdict(fast), job.peakMiB);
            double& peak = lengthInches == 44 ? peakShort : peakLong;
            if (job.peakMiB > peak) peak = job.peakMiB;
        }
        std::printf("\n");
    }
    // A 50-inch sheet under a 120-inch frame with automatic length detection, against
    // a fixed 50-inch frame over the same sheet: the same image either way.
    SetEnvironmentVariableA("TARNSCAN_SHEET_LENGTH", "50");
    std::vector<JobFigures> fixedRuns, autoRuns;
    for (int run = 0; run < runs; ++run) {
        fixedRuns.push_back(RunJob(folder + "fixed.tif", 50, Outputs[1]));
        autoRuns.push_back(RunJob(folder + "auto.tif", 120, Outputs[1], true));
    }
    SetEnvironmentVariableA("TARNSCAN_SHEET_LENGTH", nullptr);
    const JobFigures fixedJob = MedianOf(fixedRuns), autoJob = MedianOf(autoRuns);
    if (fixedJob.ok && autoJob.ok) {
        std::printf(
            "auto length, 50-inch sheet under a 120-inch frame, Deflate TIFF: job %7.1f MB/s "
            "against %7.1f MB/s with a fixed 50-inch frame (ratio %.2f); peak %5.1f MiB "
            "against %5.1f MiB\n\n",
            autoJob.jobMbPerSecond, fixedJob.jobMbPerSecond,
            fixedJob.jobMbPerSecond > 0 ? autoJob.jobMbPerSecond / fixedJob.jobMbPerSecond : 0,
            autoJob.peakMiB, fixedJob.peakMiB);
    } else {
        std::printf("auto length FAILED: %s%s\n\n", fixedJob.error.c_str(), autoJob.error.c_str());
        targetsHold = false;
    }
    const bool flat = peakLong <= peakShort * 1.1, small = peakLong < 64;
    targetsHold = targetsHold && flat && small;
    std::printf(
        "peak memory: %.1f MiB at 36 x 120 against %.1f MiB at 36 x 44 (target within "
        "10%%: %s; below 64 MiB: %s)\n",
        peakLong, peakShort, Verdict(flat), Verdict(small));
    std::printf("job targets: %s\n", targetsHold ? "all hold" : "NOT all hold");
    return 0;
}
