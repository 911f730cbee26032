#include "scanner_harness.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace harness {

ScopedVariable::ScopedVariable(const char* name, const char* value) : name_(name) {
    char buffer[4096];
    DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    hadPrevious_ = length > 0 && length < sizeof buffer;
    if (hadPrevious_) previous_.assign(buffer, length);
    SetEnvironmentVariableA(name, value);
}

ScopedVariable::~ScopedVariable() {
    SetEnvironmentVariableA(name_.c_str(), hadPrevious_ ? previous_.c_str() : nullptr);
}

TempFile::TempFile(const char* suffix) {
    static int counter = 0;
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    path_ = std::string(folder) + "tarnscan_test_" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(++counter) + suffix;
    DeleteFileA(path_.c_str());
}

TempFile::~TempFile() {
    DeleteFileA(path_.c_str());
}

std::string TempFile::Read() const {
    std::string text;
    if (FILE* file = std::fopen(path_.c_str(), "rb")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
            text.append(buffer, n);
        std::fclose(file);
    }
    return text;
}

Picture TestPicture(int width, int height) {
    Picture picture;
    picture.width = width;
    picture.height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            picture.rgb.push_back(static_cast<uint8_t>((x * 53 + y * 17 + 9) % 256));
            picture.rgb.push_back(static_cast<uint8_t>((x * 29 + y * 71 + 100) % 256));
            picture.rgb.push_back(static_cast<uint8_t>((x * 97 + y * 5 + 200) % 256));
        }
    return picture;
}

Picture GreyPicture(int width, int height) {
    Picture picture = TestPicture(width, height);
    for (size_t i = 0; i < picture.rgb.size(); i += 3)
        picture.rgb[i + 1] = picture.rgb[i + 2] = picture.rgb[i];
    return picture;
}

namespace {

void WriteNetpbm(const std::string& path, const Picture& picture, bool colour) {
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, file) << path;
    std::fprintf(file, "%s\n# test paper\n%d %d\n255\n", colour ? "P6" : "P5", picture.width,
                 picture.height);
    for (size_t i = 0; i < picture.rgb.size(); i += 3)
        std::fwrite(&picture.rgb[i], 1, colour ? 3 : 1, file);
    std::fclose(file);
}

long long Floor(long long a, long long b) {
    long long q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

}  // namespace

void WritePpm(const std::string& path, const Picture& picture) {
    WriteNetpbm(path, picture, true);
}
void WritePgm(const std::string& path, const Picture& picture) {
    WriteNetpbm(path, picture, false);
}

WindowDescriptorType Window(Composition composition, int bitsPerPixel, int width, int length) {
    WindowDescriptorType w{};
    w.XResolution = 100;
    w.YResolution = 100;
    w.XOffset = 1;
    w.YOffset = 0;
    w.ScanWidth = width;
    w.ScanLength = length;
    w.Brightness = 10;
    w.Threshold = 128;
    SetComposition(w, composition);
    w.BitsPerPixel = bitsPerPixel;
    w.Flage = 131;
    w.WhiteValue = 240;
    w.InitialThreshold = 120;
    w.ScalingFactor = 100;
    w.Termination = 48;
    return w;
}

Expectation::Expectation(const WindowDescriptorType& w) : window(w) {
    for (auto& table : tone)
        for (int i = 0; i < 4096; ++i)
            table[i] = static_cast<uint8_t>(i / 16);
}

std::vector<uint8_t> ToneBlock(int channel, const std::function<int(int)>& f) {
    std::vector<uint8_t> block(4097);
    block[0] = static_cast<uint8_t>(channel);
    for (int i = 0; i < 4096; ++i)
        block[1 + i] = static_cast<uint8_t>(f(i));
    return block;
}

std::vector<uint8_t> ExpectedImage(const Expectation& e) {
    const WindowDescriptorType& w = e.window;
    const int deviceWidth = w.ScanWidth;
    const int width = e.widenedWidth ? e.widenedWidth : deviceWidth;
    const long long paperWidth = e.paper ? e.paper->width : 0;
    const long long paperHeight = e.paper ? e.paper->height : 0;
    long long left = w.XOffset;
    if (left == 0) left = Floor(Floor(paperWidth * w.XResolution, e.paperDpi) - deviceWidth, 2);
    const int threshold = w.Threshold ? w.Threshold : w.InitialThreshold;

    std::vector<uint8_t> image;
    for (int r = 0; r < w.ScanLength; ++r) {
        long long py = Floor((w.YOffset + r) * static_cast<long long>(e.paperDpi), w.YResolution);
        std::vector<uint8_t> line((static_cast<size_t>(width) * w.BitsPerPixel + 7) / 8, 0);
        for (int j = 0; j < width; ++j) {
            int c = static_cast<int>(static_cast<long long>(j) * deviceWidth / width);
            long long px = Floor((left + c) * e.paperDpi, w.XResolution);
            uint8_t sample[3] = {255, 255, 255};
            if (px >= 0 && px < paperWidth && py >= 0 && py < paperHeight)
                std::memcpy(sample, e.paper->At(static_cast<int>(px), static_cast<int>(py)), 3);
            int toned[3];
            for (int k = 0; k < 3; ++k)
                toned[k] = e.tone[k][sample[k] * 16 + sample[k] / 16];
            int grey = (299 * toned[0] + 587 * toned[1] + 114 * toned[2] + 500) / 1000;
            int r5 = toned[0] >> 3, g6 = toned[1] >> 2, b5 = toned[2] >> 3;
            int index;
            if (!e.colourTable.empty())
                index = e.colourTable[2048 * r5 + 32 * g6 + b5];
            else if (w.BitsPerPixel == 8)
                index = 32 * (r5 / 4) + 4 * (g6 / 8) + b5 / 8;
            else
                index = 4 * (r5 / 8) + 2 * (g6 / 32) + b5 / 16;

            switch (w.BitsPerPixel) {
            case 24:
                for (int k = 0; k < 3; ++k)
                    line[3 * j + k] = static_cast<uint8_t>(toned[k]);
                break;
            case 16:
                line[2 * j] = static_cast<uint8_t>((grey * 257) % 256);
                line[2 * j + 1] = static_cast<uint8_t>((grey * 257) / 256);
                break;
            case 8:
                line[j] =
                    static_cast<uint8_t>(CompositionOf(w) == Composition::Greyscale ? grey : index);
                break;
            case 4:
                line[j / 2] |= static_cast<uint8_t>((index & 15) << (j % 2 == 0 ? 4 : 0));
                break;
            case 1:
                if (grey >= threshold) line[j / 8] |= static_cast<uint8_t>(1 << (7 - j % 8));
                break;
            }
        }
        image.insert(image.end(), line.begin(), line.end());
    }
    return image;
}

void StartScan(CTarnScan& scanner, const WindowDescriptorType& window,
               const std::vector<std::vector<uint8_t>>& toneBlocks,
               const std::vector<uint8_t>* colourTable) {
    DeviceInfoType info;
    AditionalSenseCodeType sense;
    ASSERT_TRUE(scanner.Open(info));
    ASSERT_TRUE(scanner.UnitReady(&sense));
    ASSERT_TRUE(scanner.SetWindow(window, 0));
    ASSERT_TRUE(scanner.SetFractionalSpeed(1));
    for (const auto& block : toneBlocks) {
        std::vector<uint8_t> copy = block;
        ASSERT_TRUE(scanner.LoadTrcTable(copy.data()));
    }
    if (colourTable) {
        std::vector<uint8_t> copy = *colourTable;
        ASSERT_TRUE(scanner.LoadColorTranslationTable(copy.data()));
    }
    ASSERT_TRUE(scanner.StartScan());
}

std::vector<uint8_t> ReadAll(CTarnScan& scanner, uint32_t chunk, int target, int native) {
    std::vector<uint8_t> image;
    std::vector<uint8_t> buffer(chunk + 16, 0xA5);
    for (int guard = 0; guard < 10000000; ++guard) {
        DataTransferType transfer{chunk, buffer.data(), 0xdeadbeef};
        ReadCompleteType result = target ? scanner.ReadInterpolatedData(&transfer, target, native)
                                         : scanner.ReadData(&transfer);
        if (result == ReadEndOfScan) {
            EXPECT_EQ(0u, transfer.BytesDelivered);
            break;
        }
        if (result != ReadComplete) {
            ADD_FAILURE() << "read result " << result;
            break;
        }
        EXPECT_LE(transfer.BytesDelivered, chunk);
        EXPECT_EQ(0xA5, buffer[chunk]) << "a read wrote past the requested bytes";
        image.insert(image.end(), buffer.begin(), buffer.begin() + transfer.BytesDelivered);
        if (transfer.BytesDelivered == 0) {
            ADD_FAILURE() << "a read delivered nothing before the end of the scan";
            break;
        }
    }
    scanner.StopScan();
    return image;
}

}  // namespace harness
