#include "tests/unit/engine_fixture.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/global_memory.h"
#include "source/twain_source.h"

namespace {

int64_t FloorDivide(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// The tone table of white 255, black 0, gamma 1.0 at the 12-bit level of an 8-bit
// sample: 255 x level / 4096, rounded half up.
uint8_t Toned(uint8_t sample) {
    const int level = sample * 16 + sample / 16;
    return static_cast<uint8_t>((255 * level + 2048) / 4096);
}

int Grey(const uint8_t* rgb) { return (299 * rgb[0] + 587 * rgb[1] + 114 * rgb[2] + 500) / 1000; }

// The palette index the source's colour translation table gives a toned pixel.
int PaletteIndexOf(const uint8_t* rgb, int bitsPerPixel) {
    const int r = rgb[0] >> 3, g = rgb[1] >> 2, b = rgb[2] >> 3;
    if (bitsPerPixel == 8) return 32 * (r / 4) + 4 * (g / 8) + b / 8;
    return 4 * (r / 8) + 2 * (g / 32) + b / 16;
}

void EncodePixel(const uint8_t* rgb, int j, const ModelWindow& window, uint8_t* line) {
    switch (window.BitsPerPixel) {
    case 24:
        std::copy(rgb, rgb + 3, line + 3 * j);
        break;
    case 16: {
        const int value = Grey(rgb) * 257;
        line[2 * j] = static_cast<uint8_t>(value & 0xFF);
        line[2 * j + 1] = static_cast<uint8_t>(value >> 8);
        break;
    }
    case 8:
        line[j] = static_cast<uint8_t>(window.ImageComposition == 2 ? Grey(rgb) : PaletteIndexOf(rgb, 8));
        break;
    case 4:
        line[j / 2] |= static_cast<uint8_t>(PaletteIndexOf(rgb, 4) << (j % 2 == 0 ? 4 : 0));
        break;
    case 1: {
        const int threshold = window.Threshold != 0 ? window.Threshold : window.InitialThreshold;
        if (Grey(rgb) >= threshold) line[j / 8] |= static_cast<uint8_t>(0x80 >> (j % 8));
        break;
    }
    }
}

HGLOBAL WINAPI CountingAlloc(UINT flags, SIZE_T bytes);
HGLOBAL WINAPI CountingFree(HGLOBAL block);
int failAllocationNumber = 0;

HGLOBAL WINAPI CountingAlloc(UINT flags, SIZE_T bytes) {
    ++LiveGlobalMemory::Allocations;
    if (LiveGlobalMemory::Allocations == failAllocationNumber) return nullptr;
    HGLOBAL block = GlobalAlloc(flags, bytes);
    if (block) ++LiveGlobalMemory::Live;
    return block;
}

HGLOBAL WINAPI CountingFree(HGLOBAL block) {
    HGLOBAL result = GlobalFree(block);
    if (block && !result) --LiveGlobalMemory::Live;
    return result;
}

}  // namespace

int LiveGlobalMemory::Live = 0;
int LiveGlobalMemory::Allocations = 0;

void LiveGlobalMemory::Install(int failAllocation) {
    Live = 0;
    Allocations = 0;
    failAllocationNumber = failAllocation;
    platform::GlobalMemory.Alloc = &CountingAlloc;
    platform::GlobalMemory.Free = &CountingFree;
}

TestPaper MakePaper(int width, int height, int dpi) {
    TestPaper paper;
    paper.Width = width;
    paper.Height = height;
    paper.Dpi = dpi;
    paper.Rgb.resize(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &paper.Rgb[(static_cast<size_t>(y) * width + x) * 3];
            p[0] = static_cast<uint8_t>(x * 37 + y * 11);
            p[1] = static_cast<uint8_t>(x * 5 + y * 29 + 60);
            p[2] = static_cast<uint8_t>(x * x + y * 3 + 128);
        }
    }
    return paper;
}

uint32_t LineBytes(int width, int bitsPerPixel) {
    return static_cast<uint32_t>((static_cast<int64_t>(width) * bitsPerPixel + 7) / 8);
}

std::vector<uint8_t> ExpectedStream(const TestPaper& paper, const ModelWindow& window) {
    const uint32_t lineBytes = LineBytes(window.OutputWidth, window.BitsPerPixel);
    std::vector<uint8_t> stream(static_cast<size_t>(lineBytes) * window.Length, 0);
    int64_t left = window.XOffset;
    if (left == 0) {
        const int64_t paperPixels = FloorDivide(int64_t{paper.Width} * window.XResolution, paper.Dpi);
        left = FloorDivide(paperPixels - window.DeviceWidth, 2);
    }
    static const uint8_t white[3] = {255, 255, 255};
    for (int r = 0; r < window.Length; ++r) {
        uint8_t* line = &stream[static_cast<size_t>(r) * lineBytes];
        const int64_t paperRow = FloorDivide((int64_t{window.YOffset} + r) * paper.Dpi, window.YResolution);
        for (int j = 0; j < window.OutputWidth; ++j) {
            const int64_t devicePixel = int64_t{j} * window.DeviceWidth / window.OutputWidth;
            const int64_t paperColumn = FloorDivide((left + devicePixel) * paper.Dpi, window.XResolution);
            const bool onPaper = paperRow >= 0 && paperRow < paper.Height && paperColumn >= 0 && paperColumn < paper.Width;
            const uint8_t* sample = onPaper ? paper.Pixel(static_cast<int>(paperColumn), static_cast<int>(paperRow)) : white;
            const uint8_t toned[3] = {Toned(sample[0]), Toned(sample[1]), Toned(sample[2])};
            EncodePixel(toned, j, window, line);
        }
    }
    return stream;
}

std::string Fnv1a64(const uint8_t* data, size_t bytes) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (size_t i = 0; i < bytes; ++i) {
        hash ^= data[i];
        hash *= 0x100000001b3ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

DibImage ReadDib(HGLOBAL dib) {
    DibImage image;
    image.BlockBytes = GlobalSize(dib);
    const auto* block = static_cast<const uint8_t*>(GlobalLock(dib));
    if (!block) return image;
    std::memcpy(&image.Header, block, sizeof image.Header);
    const size_t entries = image.Header.biBitCount <= 8 ? size_t{1} << image.Header.biBitCount : 0;
    const size_t tableBytes = entries * sizeof(RGBQUAD);
    image.ColourTable.resize(entries);
    std::memcpy(image.ColourTable.data(), block + sizeof image.Header, tableBytes);
    const size_t start = sizeof image.Header + tableBytes;
    if (image.BlockBytes > start) image.Pixels.assign(block + start, block + image.BlockBytes);
    GlobalUnlock(dib);
    return image;
}

std::vector<uint8_t> ExpectedDibPixels(const std::vector<uint8_t>& stream, uint32_t lineBytes, uint32_t rows,
                                       int bitsPerPixel) {
    const uint32_t stride = (lineBytes + 3) / 4 * 4;
    std::vector<uint8_t> pixels(static_cast<size_t>(stride) * rows, 0);
    for (uint32_t i = 0; i < rows; ++i) {
        uint8_t* row = &pixels[static_cast<size_t>(rows - 1 - i) * stride];
        std::copy_n(&stream[static_cast<size_t>(i) * lineBytes], lineBytes, row);
        if (bitsPerPixel == 24) {
            for (uint32_t p = 0; p + 2 < lineBytes; p += 3) std::swap(row[p], row[p + 2]);
        }
    }
    return pixels;
}

void EngineTest::TearDown() {
    SourceTest::TearDown();
    while (!environment_.empty()) environment_.pop_back();
    for (const std::string& file : files_) DeleteFileA(file.c_str());
}

std::string EngineTest::TempPath(const std::string& suffix) {
    char directory[MAX_PATH];
    GetTempPathA(sizeof directory, directory);
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(directory) + "dunmere_" + test->test_suite_name() + "_" + test->name() + "_" +
                       std::to_string(files_.size()) + suffix;
    std::replace(name.begin() + static_cast<std::ptrdiff_t>(std::strlen(directory)), name.end(), '/', '_');
    files_.push_back(name);
    return name;
}

void EngineTest::UseScanner(const std::string& model, const TestPaper* paper, const std::string& faults) {
    std::string document;
    if (paper) {
        document = TempPath(".ppm");
        std::ofstream out(document, std::ios::binary);
        out << "P6\n" << paper->Width << " " << paper->Height << "\n255\n";
        out.write(reinterpret_cast<const char*>(paper->Rgb.data()), static_cast<std::streamsize>(paper->Rgb.size()));
    }
    logPath_ = TempPath(".log");
    DeleteFileA(logPath_.c_str());
    environment_.push_back(std::make_unique<ScopedEnvironment>("TARNSCAN_MODEL", model));
    environment_.push_back(std::make_unique<ScopedEnvironment>("TARNSCAN_DOCUMENT", document));
    environment_.push_back(std::make_unique<ScopedEnvironment>(
        "TARNSCAN_DOCUMENT_DPI", std::to_string(paper ? paper->Dpi : 100)));
    environment_.push_back(std::make_unique<ScopedEnvironment>("TARNSCAN_FAULTS", faults));
    environment_.push_back(std::make_unique<ScopedEnvironment>("TARNSCAN_LOG", logPath_));
    Reload();
}

void EngineTest::SetWindow(int xResolution, int yResolution, int xOffset, int yOffset, int width, int length,
                           int bitsPerPixel, int composition) {
    ScanSettings& settings = Source().Settings;
    settings.XResolution = xResolution;
    settings.YResolution = yResolution;
    settings.XOffset = xOffset;
    settings.YOffset = yOffset;
    settings.ScanWidth = width;
    settings.ScanLength = length;
    settings.BitsPerPixel = bitsPerPixel;
    settings.ImageComposition = composition;
}

std::vector<std::string> EngineTest::LogLines(size_t from) const {
    std::vector<std::string> lines;
    std::ifstream in(logPath_);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    if (from >= lines.size()) return {};
    return std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(from), lines.end());
}

std::string EngineTest::CallName(const std::string& line) { return line.substr(0, line.find(' ')); }

std::vector<std::string> EngineTest::LogCalls(const std::string& name, size_t from) const {
    std::vector<std::string> calls;
    for (const std::string& line : LogLines(from)) {
        if (CallName(line) == name) calls.push_back(line);
    }
    return calls;
}

std::vector<std::string> EngineTest::CallNames(size_t from) const {
    std::vector<std::string> names;
    for (const std::string& line : LogLines(from)) names.push_back(CallName(line));
    return names;
}

std::map<std::string, std::string> EngineTest::LogFields(const std::string& line) {
    std::map<std::string, std::string> fields;
    std::istringstream words(line);
    std::string word;
    words >> word;  // the call's name
    while (words >> word) {
        if (word == "->") {
            words >> fields["result"];
            break;
        }
        const size_t equals = word.find('=');
        if (equals != std::string::npos) fields[word.substr(0, equals)] = word.substr(equals + 1);
    }
    return fields;
}

TW_UINT16 EngineTest::NativeTransfer(DibImage* image, TW_UINT32* handleOut) {
    TW_UINT32 handle = 0x5EED;
    const TW_UINT16 result = Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
    if (handleOut) *handleOut = handle;
    if (result == TWRC_XFERDONE && handle) {
        HGLOBAL dib = reinterpret_cast<HGLOBAL>(static_cast<uintptr_t>(handle));
        if (image) *image = ReadDib(dib);
        platform::GlobalMemory.Free(dib);
    }
    return result;
}

std::vector<MemoryBlock> EngineTest::MemoryTransfer(uint32_t bufferBytes, int maxCalls) {
    std::vector<MemoryBlock> blocks;
    std::vector<uint8_t> buffer(bufferBytes);
    for (int call = 0; call < maxCalls; ++call) {
        std::fill(buffer.begin(), buffer.end(), 0xCD);
        MemoryBlock block = {};
        block.Record.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
        block.Record.Memory.Length = bufferBytes;
        block.Record.Memory.TheMem = buffer.data();
        block.Result = Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &block.Record);
        if (block.Result == TWRC_SUCCESS || block.Result == TWRC_XFERDONE) {
            const size_t written = std::min<size_t>(block.Record.BytesWritten, bufferBytes);
            block.Bytes.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(written));
        }
        blocks.push_back(block);
        if (block.Result != TWRC_SUCCESS) break;
    }
    return blocks;
}

std::vector<uint8_t> EngineTest::Assemble(const std::vector<MemoryBlock>& blocks, uint32_t rowBytes, uint32_t rows,
                                          int bitsPerPixel) {
    std::vector<uint8_t> image(static_cast<size_t>(rowBytes) * rows, 0xEE);
    for (const MemoryBlock& block : blocks) {
        const size_t at = static_cast<size_t>(block.Record.YOffset) * rowBytes +
                          static_cast<size_t>(block.Record.XOffset) * bitsPerPixel / 8;
        if (at + block.Bytes.size() > image.size()) {
            ADD_FAILURE() << "block at " << at << " of " << block.Bytes.size() << " bytes runs past the image";
            continue;
        }
        std::copy(block.Bytes.begin(), block.Bytes.end(), image.begin() + static_cast<std::ptrdiff_t>(at));
    }
    return image;
}
