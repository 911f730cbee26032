// Scan-engine tests: the simulated scanner configured by environment, a paper
// written as a PPM, the native image read back, and a global-memory seam that
// counts the blocks still alive.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "settings/scan_settings.h"
#include "tests/support/device_log.h"
#include "tests/support/source_fixture.h"
#include "tests/unit/engine_imaging_model.h"

// The native image as the application sees it.
struct DibImage {
    BITMAPINFOHEADER Header = {};
    std::vector<RGBQUAD> ColourTable;
    std::vector<uint8_t> Pixels;  // everything after the colour table
    SIZE_T BlockBytes = 0;
};
DibImage ReadDib(HGLOBAL dib);

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

// How a test's window reaches the source.
enum class WindowFrom {
    Negotiation,     // capabilities and DAT_IMAGELAYOUT, as an application asks for it
    StoredSettings,  // the user's stored settings: a depth or size no application can ask for
};

// 16-bit grey is scanned but no application can ask for it: only the stored settings do.
inline WindowFrom WindowFromDepth(int bits) {
    return bits == 16 ? WindowFrom::StoredSettings : WindowFrom::Negotiation;
}

class EngineTest : public SourceTest {
protected:
    void TearDown() override;

    // Points the simulated scanner at `model`, the paper (none: the built-in
    // chart), the faults and a fresh call log, then reloads the module.
    void UseScanner(const std::string& model, const TestPaper* paper = nullptr,
                    const std::string& faults = "");

    // Writes `Stored` to the per-user store and has the source load it: the dialog
    // an enable with the user interface shows loads the stored settings, and the
    // disable and close that follow leave them in place for the next open (state 3).
    void StoreAndLoad();

    // Gives the source this window for the next open (state 3). Negotiated, the
    // offsets still come from the stored settings (a TWAIN 1.x application cannot
    // place the frame); the pixel type, depth, resolutions and frame size are set by
    // capabilities and DAT_IMAGELAYOUT and checked as the source then reports them.
    void SetWindow(int xResolution, int yResolution, int xOffset, int yOffset, int width,
                   int length, int bitsPerPixel, Composition composition,
                   WindowFrom from = WindowFrom::Negotiation);
    // The same negotiation in the open session, left open: a TWAIN 2 application's
    // session starts from the defaults, so it must ask in the session it scans in
    // (its frame is placed: an X offset of 0 would centre it).
    void NegotiateWindow(int xResolution, int yResolution, int xOffset, int yOffset, int width,
                         int length, int bitsPerPixel, Composition composition);
    // Opens and reaches `state` (4 to 7) by enabling and taking one memory block.
    void EnterState(TwainState state);

    // The scanner's call log since UseScanner (none before it).
    std::vector<std::string> LogLines(size_t from = 0) const {
        return log_ ? log_->Lines(from) : std::vector<std::string>();
    }
    std::vector<std::string> LogCalls(const std::string& name, size_t from = 0) const {
        return log_ ? log_->Calls(name, from) : std::vector<std::string>();
    }
    // The call names in order.
    std::vector<std::string> CallNames(size_t from = 0) const;
    static std::string CallName(const std::string& line) { return DeviceLog::CallName(line); }
    static std::map<std::string, std::string> LogFields(const std::string& line) {
        return DeviceLog::Fields(line);
    }

    // One native transfer; the DIB (if any) is read and freed.
    TW_UINT16 NativeTransfer(DibImage* image = nullptr, uintptr_t* handleOut = nullptr);
    // Memory transfer calls with a buffer of `bufferBytes` until the image is done,
    // a call fails or `maxCalls` calls were made.
    std::vector<MemoryBlock> MemoryTransfer(uint32_t bufferBytes, int maxCalls = 100000);
    // The blocks put together at their offsets: `rowBytes` x `rows` bytes.
    static std::vector<uint8_t> Assemble(const std::vector<MemoryBlock>& blocks, uint32_t rowBytes,
                                         uint32_t rows, int bitsPerPixel);

    std::string TempPath(const std::string& suffix);

    // The user's stored settings: the built-in ones unless a test changes them.
    ScanSettings Stored;

private:
    std::vector<std::unique_ptr<ScopedEnvironment>> environment_;
    std::vector<std::string> files_;
    std::unique_ptr<DeviceLog> log_;
    bool wroteStore_ = false;
};
