// Wide-format jobs larger than the client could ever hold: colour from the QC1400's
// flat paper by memory transfer into Deflate TIFFs, 36 x 120 inches at 400 dpi (2 GB
// of pixels) and 36 x 109 inches at 600 dpi (4.2 GB: the file could pass 4 GiB, so
// it becomes BigTIFF by itself, though white paper deflates to a few MB). The
// client's memory must stay far below the image; the Linux side checks the files'
// tags and a sample of their rows.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

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

// A sheet 50 inches long under a frame of 120, with automatic length detection:
// each file ends where the sheet ends, 20,000 rows at 400 dpi, and the client holds
// no more than for a fixed sheet of 10 inches. The Linux side reads the TIFF with
// libtiff and the PNG with zlib; the BMP's header is read here.
TEST(TwacquireLargeAutoLength, TheFileEndsWhereTheSheetEnds) {
    SetEnvironmentVariableA("TARNSCAN_MODEL", "QC1400");
    SetEnvironmentVariableA("TARNSCAN_DOCUMENT", "flat");
    const auto run = [](const std::vector<std::string>& options, const std::string& path) {
        std::vector<std::string> arguments = {"--pixel", "rgb", "--resolution", "400"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.push_back(path);
        CTwacquireProcess twacquire(arguments);
        EXPECT_TRUE(twacquire.Started());
        return twacquire.Finish(20 * 60 * 1000);
    };
    const std::string directory = CheckedFilesDirectory();
    const TwacquireRun fixed =
        run({"--frame", "0,0,36,10", "--compression", "deflate"}, directory + "fixed_10.tif");
    ASSERT_EQ(0, fixed.ExitCode) << fixed.Err;
    SetEnvironmentVariableA("TARNSCAN_SHEET_LENGTH", "50");
    for (const char* name : {"large_auto_36x50_rgb_400.tif", "large_auto_36x50_rgb_400.png",
                             "large_auto_36x50_rgb_400.bmp"}) {
        SCOPED_TRACE(name);
        const std::string path = directory + name;
        const TwacquireRun sheet = run({"--auto-length", "--frame", "0,0,36,120"}, path);
        ASSERT_EQ(0, sheet.ExitCode) << sheet.Err;
        EXPECT_NE(std::string::npos, sheet.Out.find(": 14400 x 20000 pixels")) << sheet.Out;
        std::printf("%s: client peak %.1f MiB, a fixed 10-inch sheet's %.1f MiB\n", name,
                    sheet.PeakPrivateBytes / double(BytesPerMiB),
                    fixed.PeakPrivateBytes / double(BytesPerMiB));
        EXPECT_LT(sheet.PeakPrivateBytes, fixed.PeakPrivateBytes + 32 * BytesPerMiB);
        if (std::string(name).find(".bmp") != std::string::npos) {
            char head[26] = {};
            std::ifstream(path, std::ios::binary).read(head, sizeof head);
            int32_t width = 0, height = 0;
            std::memcpy(&width, head + 18, 4);
            std::memcpy(&height, head + 22, 4);
            EXPECT_EQ(14400, width);
            EXPECT_EQ(20000, height < 0 ? -height : height);
            DeleteFileA(path.c_str());
        }
    }
    DeleteFileA((directory + "fixed_10.tif").c_str());
    SetEnvironmentVariableA("TARNSCAN_SHEET_LENGTH", nullptr);
    SetEnvironmentVariableA("TARNSCAN_MODEL", nullptr);
    SetEnvironmentVariableA("TARNSCAN_DOCUMENT", nullptr);
    // One white row, for the Linux side to compare the sampled rows with.
    Image row;
    std::string error;
    ASSERT_TRUE(AllocateImage(row, 14400, 1, 24, error)) << error;
    for (uint8_t& sample : row.Pixels)
        sample = TonedSample(255);
    for (const char* name : {"large_auto_36x50_rgb_400.tif", "large_auto_36x50_rgb_400.png"})
        WriteExpectedImage(directory + name + ".row", row, 400, 400);
}

INSTANTIATE_TEST_SUITE_P(Jobs, TwacquireLarge,
                         ::testing::Values(LargeJob{400, 120, false}, LargeJob{600, 109, true}),
                         [](const ::testing::TestParamInfo<LargeJob>& info) {
                             return std::to_string(info.param.dpi) + "dpi";
                         });

}  // namespace
