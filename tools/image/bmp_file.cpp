#include "tools/image/bmp_file.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "tools/image/dib.h"
#include "tools/image/file_io.h"

namespace {

// 8-bit grey rows from 16-bit little-endian grey: the high byte of each sample.
void HighBytes(const uint8_t* from, uint8_t* to, int32_t width) {
    for (int32_t x = 0; x < width; ++x)
        to[x] = from[2 * x + 1];
}

void BgrRow(const uint8_t* from, uint8_t* to, size_t bytes) {
    for (size_t i = 0; i + 2 < bytes; i += 3) {
        to[i] = from[i + 2];
        to[i + 1] = from[i + 1];
        to[i + 2] = from[i];
    }
}

}  // namespace

bool WriteBmp(const std::string& path, const Image& image, std::string& error) {
    const bool wide = image.BitsPerPixel == 16;
    const int bits = wide ? 8 : image.BitsPerPixel;
    std::vector<RgbColour> palette = wide ? GreyPalette() : image.Palette;
    if (bits > 8) palette.clear();
    const size_t rowBytes = Image::RowBytesFor(image.Width, bits);
    const size_t stride = DibStride(image.Width, bits);
    const size_t tableBytes = 4 * palette.size();
    const size_t offBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + tableBytes;
    const unsigned long long fileSize =
        offBits + static_cast<unsigned long long>(stride) * image.Height;
    if (fileSize > 0xffffffffull) {
        error = "image too large for a .bmp file";
        return false;
    }

    BITMAPFILEHEADER file{};
    file.bfType = 0x4d42;  // "BM"
    file.bfSize = static_cast<DWORD>(fileSize);
    file.bfOffBits = static_cast<DWORD>(offBits);
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = image.Width;
    info.biHeight = image.Height;
    info.biPlanes = 1;
    info.biBitCount = static_cast<WORD>(bits);
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(stride * image.Height);
    info.biClrUsed = static_cast<DWORD>(palette.size());

    COutputFile output;
    if (!output.Create(path, error)) return false;
    FILE* const out = output.Get();
    bool ok = std::fwrite(&file, sizeof file, 1, out) == 1 &&
              std::fwrite(&info, sizeof info, 1, out) == 1;
    for (const RgbColour& colour : palette) {
        const uint8_t quad[4] = {colour.Blue, colour.Green, colour.Red, 0};
        ok = ok && std::fwrite(quad, 4, 1, out) == 1;
    }
    std::vector<uint8_t> row(stride, 0);
    for (int32_t y = image.Height - 1; ok && y >= 0; --y) {
        if (wide)
            HighBytes(image.Row(y), row.data(), image.Width);
        else if (bits == 24)
            BgrRow(image.Row(y), row.data(), rowBytes);
        else
            std::memcpy(row.data(), image.Row(y), rowBytes);
        ok = std::fwrite(row.data(), stride, 1, out) == 1;
    }
    ok = output.Close() && ok;
    if (!ok) error = "cannot write " + path;
    return ok;
}

bool ReadBmp(const std::string& path, Image& image, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) {
        error = "cannot open " + path;
        return false;
    }
    BITMAPFILEHEADER file;
    if (bytes.size() < sizeof file) {
        error = path + " is too short for a .bmp file";
        return false;
    }
    std::memcpy(&file, bytes.data(), sizeof file);
    if (file.bfType != 0x4d42 || file.bfOffBits > bytes.size()) {
        error = path + " is not a .bmp file";
        return false;
    }
    const size_t dibBytes = bytes.size() - sizeof file;
    if (!ImageFromDib(bytes.data() + sizeof file, dibBytes, image, error)) return false;
    // The rows must start where the file header says.
    BITMAPINFOHEADER info;
    std::memcpy(&info, bytes.data() + sizeof file, sizeof info);
    const size_t colours =
        info.biBitCount <= 8 ? (info.biClrUsed ? info.biClrUsed : 1u << info.biBitCount) : 0;
    if (file.bfOffBits != sizeof file + info.biSize + 4 * colours) {
        error = path + ": pixel offset does not follow the colour table";
        return false;
    }
    return true;
}
