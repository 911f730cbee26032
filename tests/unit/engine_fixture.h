// Scan-engine tests: the simulated scanner configured by environment, a paper
// written as a PPM, the imaging model that says what every delivered byte must be,
// and a global-memory seam that counts the blocks still alive.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/source_fixture.h"

// A small paper: every pixel a different colour, so that a misplaced pixel shows.
struct TestPaper {
    int Width = 0;
    int Height = 0;
    int Dpi = 100;
    std::vector<uint8_t> Rgb;  // Width x Height x 3, top row first

    const uint8_t* Pixel(int x, int y) const { return &Rgb[(static_cast<size_t>(y) * Width + x) * 3]; }
};

TestPaper MakePaper(int width, int height, int dpi);

// What the device is given and what it delivers, as the imaging model needs it.
struct ModelWindow {
    int XResolution = 100;   // as programmed into the device
    int YResolution = 100;
    int XOffset = 1;         // 0: centred on the paper
    int YOffset = 0;
    int DeviceWidth = 0;     // pixels the device scans
    int OutputWidth = 0;     // pixels of each delivered line (wider when interpolated)
    int Length = 0;
    int BitsPerPixel = 24;
    int ImageComposition = 5;
    int Threshold = 128;
    int InitialThreshold = 120;
};

// The device's byte stream (unpadded lines, top first) for the window, with the
// tone tables of white 255, black 0, gamma 1.0 and the source's colour translation.
std::vector<uint8_t> ExpectedStream(const TestPaper& paper, const ModelWindow& window);

// Unpadded bytes of one line.
uint32_t LineBytes(int width, int bitsPerPixel);

// FNV-1a 64-bit, as the call log prints it.
std::string Fnv1a64(const uint8_t* data, size_t bytes);

// The native image as the application sees it.
struct DibImage {
    BITMAPINFOHEADER Header = {};
    std::vector<RGBQUAD> ColourTable;
    std::vector<uint8_t> Pixels;  // everything after the colour table
    SIZE_T BlockBytes = 0;
};
DibImage ReadDib(HGLOBAL dib);

// The native rows expected for a device stream: bottom-up, 4-byte stride, BGR for
// 24 bits, zero padding.
std::vector<uint8_t> ExpectedDibPixels(const std::vector<uint8_t>& stream, uint32_t lineBytes, uint32_t rows,
                                       int bitsPerPixel);

struct MemoryBlock {
    TW_UINT16 Result;
    TW_IMAGEMEMXFER Record;
    std::vector<uint8_t> Bytes;  // BytesWritten bytes of the buffer
};

// Global memory through the seam with a count of the blocks allocated and not yet
// freed; optionally the n-th allocation (from 1) fails.
struct LiveGlobalMemory {
    static void Install(int failAllocation = 0);
    static int Live;
    static int Allocations;
};

class EngineTest : public SourceTest {
protected:
    void TearDown() override;

    // Points the simulated scanner at `model`, the paper (none: the built-in
    // chart), the faults and a fresh call log, then reloads the module.
    void UseScanner(const std::string& model, const TestPaper* paper = nullptr, const std::string& faults = "");

    // The window, straight into the source's settings.
    void SetWindow(int xResolution, int yResolution, int xOffset, int yOffset, int width, int length,
                   int bitsPerPixel, int composition);

    // The call log, from line `from` on.
    std::vector<std::string> LogLines(size_t from = 0) const;
    // Only the lines of the calls named, in order.
    std::vector<std::string> LogCalls(const std::string& name, size_t from = 0) const;
    // The call names in order.
    std::vector<std::string> CallNames(size_t from = 0) const;
    static std::string CallName(const std::string& line);
    // The name=value pairs of a log line, "->" under the key "result".
    static std::map<std::string, std::string> LogFields(const std::string& line);

    // One native transfer; the DIB (if any) is read and freed.
    TW_UINT16 NativeTransfer(DibImage* image = nullptr, TW_UINT32* handleOut = nullptr);
    // Memory transfer calls with a buffer of `bufferBytes` until the image is done,
    // a call fails or `maxCalls` calls were made.
    std::vector<MemoryBlock> MemoryTransfer(uint32_t bufferBytes, int maxCalls = 100000);
    // The blocks put together at their offsets: `rowBytes` x `rows` bytes.
    static std::vector<uint8_t> Assemble(const std::vector<MemoryBlock>& blocks, uint32_t rowBytes, uint32_t rows,
                                         int bitsPerPixel);

    std::string TempPath(const std::string& suffix);

private:
    std::vector<std::unique_ptr<ScopedEnvironment>> environment_;
    std::vector<std::string> files_;
    std::string logPath_;
};
