// twacquire's command line.
#pragma once

#include <optional>
#include <string>

#include "platform/twain.h"
#include "tools/image/image_writer.h"

struct FrameInches {
    double Left;
    double Top;
    double Right;
    double Bottom;
};

enum class OutputFormat { Tiff, Png, Bmp };

struct AcquireOptions {
    std::string Output;  // the image's path; its ending chooses the format
    OutputFormat Format = OutputFormat::Tiff;
    std::optional<TiffCompression> Compression;  // TIFF only; default by image type
    bool BigTiff = false;                        // BigTIFF even for a small file
    std::string Source;                          // product name of the data source
    std::string Manager = "TWAIN_32.DLL";        // the Source Manager library to load
    bool Twain1 = false;  // identify as a TWAIN 1.x application instead of TWAIN 2
    bool List = false;    // print the source's identity and capabilities, acquire nothing
    bool ShowUI = false;
    double TimeoutSeconds = 30;  // for the image to be announced; no limit with the dialog
    std::optional<TW_UINT16> PixelType;
    std::optional<TW_UINT16> BitDepth;
    std::optional<TW_UINT32> XResolution;
    std::optional<TW_UINT32> YResolution;
    std::optional<FrameInches> Frame;
    std::optional<double> Brightness;
    std::optional<double> Threshold;
    std::optional<TW_UINT16> TransferMechanism;  // TWSX_NATIVE or TWSX_MEMORY; none: auto
    std::optional<TW_UINT32> BufferSize;         // memory transfer buffer, bytes
    // The image ends where the sheet ends (TWAIN 2 automatic length detection); the
    // frame's length is the longest sheet expected.
    bool AutoLength = false;
};

enum class ParseResult { Run, Help, Error };

ParseResult ParseOptions(int argc, char** argv, AcquireOptions& options, std::string& error);

const char* UsageText();

// The format a file name's ending (.tif, .tiff, .png, .bmp, any case) stands for.
bool FormatFromName(const std::string& path, OutputFormat& format);
