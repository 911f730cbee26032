// One acquisition through the Source Manager, timed: negotiate in state 4, enable
// without the dialog, wait for MSG_XFERREADY, transfer, end, disable. With
// `watchMemory` the private memory is sampled from just before the first transfer
// call to its end (the sampling thread costs time, so timed runs go without it).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/twain.h"

class CTwainClient;

struct ScanSetup {
    TW_UINT16 PixelType;   // TWPT_GRAY or TWPT_RGB
    TW_UINT32 Resolution;  // both directions, dots per inch
    int WidthInches;       // whole inches: the source takes the frame's whole parts
    int LengthInches;
    TW_UINT16 Mechanism;  // TWSX_NATIVE or TWSX_MEMORY
};

struct RunResult {
    bool Ok = false;
    std::string Error;
    double Seconds = 0;       // the transfer calls, scan start included
    uint64_t ImageBytes = 0;  // rows x unpadded row length
    uint64_t PeakAbove = 0;   // private bytes above the level before the transfer (watched runs)
    int32_t Width = 0;
    int32_t Height = 0;
    int BitsPerPixel = 0;
};

// Sets pixel type, resolutions, frame and mechanism (state 4).
bool Negotiate(CTwainClient& client, const ScanSetup& setup, std::string& error);

// A native transfer; the DIB is freed after the measurement.
RunResult RunNative(CTwainClient& client, bool watchMemory);

// A memory transfer into `buffer`, reused for every block as an application does.
RunResult RunMemory(CTwainClient& client, std::vector<unsigned char>& buffer, bool watchMemory);
