// A wide-format job larger than the client could ever hold: 36 x 120 inches of
// colour at 400 dpi (2 GB of pixels) from the QC1400's flat paper by memory
// transfer into a Deflate TIFF. The client's memory must stay far below the image;
// the Linux side checks the file's tags and a sample of its rows.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/tools/chart_scan_model.h"
#include "tests/tools/twacquire_runner.h"

namespace {

constexpr uint64_t kMiB = 1024 * 1024;
// Generous: the transfer buffer, the row window, a strip and zlib's state come to
// a few MiB above what Wine maps into every process.
constexpr uint64_t kPeakBound = 256 * kMiB;

TEST(TwacquireLarge, WideDrawingStreamsIntoADeflateTiffInBoundedMemory) {
    SetEnvironmentVariableA("TARNSCAN_MODEL", "QC1400");
    SetEnvironmentVariableA("TARNSCAN_DOCUMENT", "flat");
    const std::string path = CheckedFilesDirectory() + "large_36x120_rgb_400.tif";

    CTwacquireProcess twacquire({"--pixel", "rgb", "--resolution", "400", "--frame", "0,0,36,120",
                                 "--compression", "deflate", path});
    ASSERT_TRUE(twacquire.Started());
    const TwacquireRun run = twacquire.Finish(20 * 60 * 1000);
    SetEnvironmentVariableA("TARNSCAN_MODEL", nullptr);
    SetEnvironmentVariableA("TARNSCAN_DOCUMENT", nullptr);
    ASSERT_EQ(0, run.ExitCode) << run.Err;
    EXPECT_NE(std::string::npos, run.Out.find(": 14400 x 48000 pixels, 24 bits, TIFF")) << run.Out;
    EXPECT_NE(std::string::npos, run.Out.find("(memory transfer)")) << run.Out;
    std::printf("client peak private memory: %.1f MiB\n", run.PeakPrivateBytes / double(kMiB));
    EXPECT_GT(run.PeakPrivateBytes, 0u) << "the client's memory could not be read";
    EXPECT_LT(run.PeakPrivateBytes, kPeakBound);

    // Flat paper is white: every sample is the tone table's answer for 255. One row
    // of it, for the Linux side to compare the sampled rows with.
    Image row;
    std::string error;
    ASSERT_TRUE(AllocateImage(row, 14400, 1, 24, error)) << error;
    for (uint8_t& sample : row.Pixels)
        sample = TonedSample(255);
    WriteExpectedImage(path + ".row", row, 400, 400);
}

}  // namespace
