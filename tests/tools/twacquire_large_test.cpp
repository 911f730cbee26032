// Wide-format jobs larger than the client could ever hold: colour from the QC1400's
// flat paper by memory transfer into Deflate TIFFs, 36 x 120 inches at 400 dpi (2 GB
// of pixels) and 36 x 109 inches at 600 dpi (4.2 GB: the file could pass 4 GiB, so
// it becomes BigTIFF by itself, though white paper deflates to a few MB). The
// client's memory must stay far below the image; the Linux side checks the files'
// tags and a sample of their rows.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/tools/chart_scan_model.h"
#include "tests/tools/twacquire_runner.h"

namespace {

constexpr uint64_t BytesPerMiB = 1024 * 1024;
// Generous: the transfer buffer, the row window, a strip and zlib's state come to
// a few MiB above what Wine maps into every process.
constexpr uint64_t PeakBound = 256 * BytesPerMiB;

struct LargeJob {
    int dpi;
    int lengthInches;
    bool bigTiff;
};

class TwacquireLarge : public ::testing::TestWithParam<LargeJob> {};

TEST_P(TwacquireLarge, WideDrawingStreamsIntoADeflateTiffInBoundedMemory) {
    const LargeJob job = GetParam();
    SetEnvironmentVariableA("TARNSCAN_MODEL", "QC1400");
    SetEnvironmentVariableA("TARNSCAN_DOCUMENT", "flat");
    // The Linux side reads the shape from the name.
    const std::string length = std::to_string(job.lengthInches);
    const std::string path =
        CheckedFilesDirectory() + "large_36x" + length + "_rgb_" + std::to_string(job.dpi) + ".tif";
    const int32_t width = 36 * job.dpi, height = job.lengthInches * job.dpi;

    CTwacquireProcess twacquire({"--pixel", "rgb", "--resolution", std::to_string(job.dpi),
                                 "--frame", "0,0,36," + length, "--compression", "deflate", path});
    ASSERT_TRUE(twacquire.Started());
    const TwacquireRun run = twacquire.Finish(20 * 60 * 1000);
    SetEnvironmentVariableA("TARNSCAN_MODEL", nullptr);
    SetEnvironmentVariableA("TARNSCAN_DOCUMENT", nullptr);
    ASSERT_EQ(0, run.ExitCode) << run.Err;
    EXPECT_NE(std::string::npos, run.Out.find(": " + std::to_string(width) + " x " +
                                              std::to_string(height) + " pixels, 24 bits, TIFF"))
        << run.Out;
    EXPECT_NE(std::string::npos, run.Out.find("(memory transfer)")) << run.Out;
    std::printf("client peak private memory: %.1f MiB\n",
                run.PeakPrivateBytes / double(BytesPerMiB));
    EXPECT_GT(run.PeakPrivateBytes, 0u) << "the client's memory could not be read";
    EXPECT_LT(run.PeakPrivateBytes, PeakBound);
    EXPECT_EQ(job.bigTiff ? "II+" : "II*", ReadText(path).substr(0, 3));

    // Flat paper is white: every sample is the tone table's answer for 255. One row
    // of it, for the Linux side to compare the sampled rows with.
    Image row;
    std::string error;
    ASSERT_TRUE(AllocateImage(row, width, 1, 24, error)) << error;
    for (uint8_t& sample : row.Pixels)
        sample = TonedSample(255);
    WriteExpectedImage(path + ".row", row, job.dpi, job.dpi);
}

INSTANTIATE_TEST_SUITE_P(Jobs, TwacquireLarge,
                         ::testing::Values(LargeJob{400, 120, false}, LargeJob{600, 109, true}),
                         [](const ::testing::TestParamInfo<LargeJob>& info) {
                             return std::to_string(info.param.dpi) + "dpi";
                         });

}  // namespace
