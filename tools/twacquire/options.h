// twacquire's command line.
#pragma once

#include <optional>
#include <string>

#include "platform/twain.h"

struct FrameInches {
    double Left;
    double Top;
    double Right;
    double Bottom;
};

struct AcquireOptions {
    std::string Output;  // the image's path; .bmp and .png are both written
    std::string Source;  // product name of the data source
    bool List = false;   // print the source's identity and capabilities, acquire nothing
    bool ShowUI = false;
    double TimeoutSeconds = 30;  // for the image to be announced; no limit with the dialog
    std::optional<TW_UINT16> PixelType;
    std::optional<TW_UINT16> BitDepth;
    std::optional<TW_UINT32> XResolution;
    std::optional<TW_UINT32> YResolution;
    std::optional<FrameInches> Frame;
    std::optional<double> Brightness;
    std::optional<double> Threshold;
    std::optional<TW_UINT16> TransferMechanism;  // TWSX_NATIVE or TWSX_MEMORY
    std::optional<TW_UINT32> BufferSize;         // memory transfer buffer, bytes
};

enum class ParseResult { Run, Help, Error };

ParseResult ParseOptions(int argc, char** argv, AcquireOptions& options, std::string& error);

const char* UsageText();

// Output paths: the given one without a .bmp or .png ending, plus each ending.
std::string OutputBase(const std::string& output);
