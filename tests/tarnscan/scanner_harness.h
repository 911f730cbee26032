// Helpers for the simulated scanner's tests: environment, paper files, a scan
// driven through CTarnScan, and the imaging model written out pixel by pixel as
// the oracle for the delivered bytes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tarnscan/tarnscan.h"

namespace harness {

// An environment variable set (or, with nullptr, removed) for the scope.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value);
    ~ScopedVariable();
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::string name_;
    std::string previous_;
    bool hadPrevious_ = false;
};

// A file name in the temporary folder, deleted at the end of the scope.
class TempFile {
public:
    explicit TempFile(const char* suffix);
    ~TempFile();
    const std::string& Path() const { return path_; }
    std::string Read() const;

private:
    std::string path_;
};

// A picture held as red, green, blue samples.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
    const uint8_t* At(int x, int y) const {
        return rgb.data() + 3 * (static_cast<size_t>(y) * width + x);
    }
};

// A small picture whose every pixel differs: varied hues and levels.
Picture TestPicture(int width, int height);
// The same as grey levels only.
Picture GreyPicture(int width, int height);
void WritePpm(const std::string& path, const Picture& picture);
void WritePgm(const std::string& path, const Picture& picture);

// Default window for the tests: 100 dpi, side-justified at pixel 1.
WindowDescriptorType Window(Composition composition, int bitsPerPixel, int width, int length);

// Everything that decides the bytes of a scan, for the oracle.
struct Expectation {
    WindowDescriptorType window{};
    const Picture* paper = nullptr;  // null: the paper is white everywhere
    int paperDpi = 100;
    uint8_t tone[3][4096];             // red, green, blue tone tables
    std::vector<uint8_t> colourTable;  // empty: the default for the depth
    int widenedWidth = 0;              // 0: no widening

    explicit Expectation(const WindowDescriptorType& w);
};

// The bytes the scanner should deliver for the whole scan.
std::vector<uint8_t> ExpectedImage(const Expectation& expectation);

// A tone table: entry i = f(i).
std::vector<uint8_t> ToneBlock(int channel, const std::function<int(int)>& f);

// Opens, programs the window and starts a scan; asserts each step succeeds.
void StartScan(CTarnScan& scanner, const WindowDescriptorType& window,
               const std::vector<std::vector<uint8_t>>& toneBlocks = {},
               const std::vector<uint8_t>* colourTable = nullptr);

// Reads until the end of the scan in requests of `chunk` bytes (widened when
// `target` is not 0); fails the test on a result other than 0 or the final 1.
std::vector<uint8_t> ReadAll(CTarnScan& scanner, uint32_t chunk, int target = 0, int native = 0);

}  // namespace harness
