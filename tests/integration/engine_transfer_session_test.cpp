// Image transfers as an application sees them through Wine's Source Manager: the
// negotiated window scanned from a small PPM paper, every byte of the native DIB and
// of the memory blocks checked against the simulated scanner's imaging model.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "tests/unit/engine_imaging_model.h"
#include "tools/twain_capability.h"
#include "tools/twain_client.h"

namespace {

class ScannerEnvironment {
public:
    explicit ScannerEnvironment(const TestPaper& paper) {
        char directory[MAX_PATH];
        GetTempPathA(sizeof directory, directory);
        path_ = std::string(directory) + "dunmere_engine_session_paper.ppm";
        std::ofstream out(path_, std::ios::binary);
        out << "P6\n" << paper.Width << " " << paper.Height << "\n255\n";
        out.write(reinterpret_cast<const char*>(paper.Rgb.data()),
                  static_cast<std::streamsize>(paper.Rgb.size()));
        out.close();
        Set("TARNSCAN_MODEL", "QD120");
        Set("TARNSCAN_DOCUMENT", path_.c_str());
        Set("TARNSCAN_DOCUMENT_DPI", std::to_string(paper.Dpi).c_str());
        Set("TARNSCAN_FAULTS", nullptr);
        Set("TARNSCAN_LOG", nullptr);
    }
    ~ScannerEnvironment() {
        for (const char* name : {"TARNSCAN_MODEL", "TARNSCAN_DOCUMENT", "TARNSCAN_DOCUMENT_DPI"}) {
            SetEnvironmentVariableA(name, nullptr);
        }
        DeleteFileA(path_.c_str());
    }

private:
    static void Set(const char* name, const char* value) { SetEnvironmentVariableA(name, value); }
    std::string path_;
};

struct Session {
    TW_UINT16 pixelType;
    TW_UINT16 mechanism;
};

// Negotiates the window (101 x 100 pixels: 1 inch at 101 x 100 dpi, centred on
// the paper) and waits for the image to be announced.
void Negotiate(CTwainClient& client, const Session& session) {
    ASSERT_EQ(TWRC_SUCCESS, client.OpenManager());
    ASSERT_EQ(TWRC_SUCCESS, client.OpenSource());
    ASSERT_EQ(TWRC_SUCCESS, SetOneValue(client, ICAP_PIXELTYPE, TWTY_UINT16, session.pixelType));
    ASSERT_EQ(TWRC_SUCCESS, SetOneValue(client, ICAP_XRESOLUTION, TWTY_UINT16, 101));
    ASSERT_EQ(TWRC_SUCCESS, SetOneValue(client, ICAP_YRESOLUTION, TWTY_UINT16, 100));
    ASSERT_EQ(TWRC_SUCCESS, SetOneValue(client, ICAP_XFERMECH, TWTY_UINT16, session.mechanism));
    TW_IMAGELAYOUT layout = {};
    layout.Frame.Right.Whole = 1;
    layout.Frame.Bottom.Whole = 1;
    ASSERT_EQ(TWRC_SUCCESS, client.Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &layout));
    ASSERT_EQ(TWRC_SUCCESS, client.Enable(false));
    ASSERT_EQ(MSG_XFERREADY, client.WaitForNotification(5000));
    TW_IMAGEINFO info = {};
    ASSERT_EQ(TWRC_SUCCESS, client.Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
    EXPECT_EQ(101, info.ImageWidth);
    EXPECT_EQ(100, info.ImageLength);
}

ModelWindow Window(int bits, Composition composition) {
    ModelWindow window;
    window.XResolution = 101;
    window.YResolution = 100;
    window.XOffset = 0;
    window.DeviceWidth = window.OutputWidth = 101;
    window.Length = 100;
    window.BitsPerPixel = bits;
    window.ImageComposition = composition;
    return window;
}

void Finish(CTwainClient& client) {
    TW_UINT16 count = 1;
    EXPECT_EQ(TWRC_SUCCESS, client.EndTransfer(&count));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(TWRC_SUCCESS, client.Disable());
    EXPECT_EQ(TWRC_SUCCESS, client.CloseSource());
    EXPECT_EQ(TWRC_SUCCESS, client.CloseManager());
}

}  // namespace

TEST(EngineTransferSession, NativeTransferDeliversTheModelsDib) {
    const TestPaper paper = MakePaper(60, 40, 100);
    ScannerEnvironment environment(paper);
    struct Case {
        TW_UINT16 pixelType;
        int bits;
        Composition composition;
        size_t entries;
    };
    for (const Case& c : {Case{TWPT_RGB, 24, Composition::RgbColour, 0},
                          Case{TWPT_GRAY, 8, Composition::Greyscale, 256}}) {
        SCOPED_TRACE(::testing::Message() << c.bits << " bits");
        CTwainClient client;
        Negotiate(client, {c.pixelType, TWSX_NATIVE});
        uintptr_t handle = 0;
        ASSERT_EQ(TWRC_XFERDONE, client.Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle));
        HGLOBAL dib = reinterpret_cast<HGLOBAL>(static_cast<uintptr_t>(handle));
        const auto* block = static_cast<const uint8_t*>(GlobalLock(dib));
        ASSERT_NE(nullptr, block);
        BITMAPINFOHEADER header;
        std::memcpy(&header, block, sizeof header);
        EXPECT_EQ(101, header.biWidth);
        EXPECT_EQ(100, header.biHeight);
        EXPECT_EQ(c.bits, header.biBitCount);
        const uint32_t lineBytes = LineBytes(101, c.bits);
        const std::vector<uint8_t> expected = ExpectedDibPixels(
            ExpectedStream(paper, Window(c.bits, c.composition)), lineBytes, 100, c.bits);
        const size_t start = sizeof header + 4 * c.entries;
        ASSERT_GE(GlobalSize(dib), start + expected.size());
        EXPECT_EQ(expected, std::vector<uint8_t>(block + start, block + start + expected.size()));
        GlobalUnlock(dib);
        GlobalFree(dib);
        Finish(client);
    }
}

TEST(EngineTransferSession, MemoryTransferDeliversTheModelsBytesBlockByBlock) {
    const TestPaper paper = MakePaper(60, 40, 100);
    ScannerEnvironment environment(paper);
    CTwainClient client;
    Negotiate(client, {TWPT_RGB, TWSX_MEMORY});
    const uint32_t rowBytes = 303;
    std::vector<uint8_t> image(rowBytes * 100, 0xEE);
    std::vector<uint8_t> buffer(2000);
    TW_UINT16 result = TWRC_SUCCESS;
    uint32_t nextRow = 0;
    for (int call = 0; call < 100 && result == TWRC_SUCCESS; ++call) {
        TW_IMAGEMEMXFER record = {};
        record.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
        record.Memory.Length = static_cast<TW_UINT32>(buffer.size());
        record.Memory.TheMem = buffer.data();
        result = client.Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &record);
        ASSERT_TRUE(result == TWRC_SUCCESS || result == TWRC_XFERDONE) << result;
        // Six whole rows of 303 bytes fit in 2000 bytes.
        EXPECT_EQ(rowBytes, record.BytesPerRow);
        EXPECT_EQ(nextRow, record.YOffset);
        EXPECT_EQ(std::min(6u, 100 - nextRow), record.Rows);
        EXPECT_EQ(101u, record.Columns);
        ASSERT_EQ(record.Rows * rowBytes, record.BytesWritten);
        std::copy_n(buffer.begin(), record.BytesWritten, image.begin() + record.YOffset * rowBytes);
        nextRow += record.Rows;
    }
    EXPECT_EQ(TWRC_XFERDONE, result);
    EXPECT_EQ(ExpectedStream(paper, Window(24, Composition::RgbColour)), image);
    Finish(client);
}
