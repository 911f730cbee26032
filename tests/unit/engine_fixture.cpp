#include "tests/unit/engine_fixture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/global_memory.h"
#include "settings/settings_store.h"
#include "source/twain_source.h"
#include "tests/support/capability_containers.h"
#include "tests/support/device_log.h"
#include "twain/fix32.h"

namespace {

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

TW_UINT16 PixelTypeOf(Composition composition) {
    switch (composition) {
    case Composition::Greyscale:
        return TWPT_GRAY;
    case Composition::PaletteColour:
        return TWPT_PALETTE;
    case Composition::RgbColour:
        return TWPT_RGB;
    default:
        return TWPT_BW;
    }
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

void EngineTest::TearDown() {
    if (wroteStore_) ClearStoredSettings();
    SourceTest::TearDown();
    while (!environment_.empty())
        environment_.pop_back();
    log_.reset();
    for (const std::string& file : files_)
        DeleteFileA(file.c_str());
}

std::string EngineTest::TempPath(const std::string& suffix) {
    char directory[MAX_PATH];
    GetTempPathA(sizeof directory, directory);
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(directory) + "dunmere_" + test->test_suite_name() + "_" +
                       test->name() + "_" + std::to_string(files_.size()) + suffix;
    std::replace(name.begin() + static_cast<std::ptrdiff_t>(std::strlen(directory)), name.end(),
                 '/', '_');
    files_.push_back(name);
    return name;
}

void EngineTest::UseScanner(const std::string& model, const TestPaper* paper,
                            const std::string& faults) {
    std::string document;
    if (paper) {
        document = TempPath(".ppm");
        std::ofstream out(document, std::ios::binary);
        out << "P6\n" << paper->Width << " " << paper->Height << "\n255\n";
        out.write(reinterpret_cast<const char*>(paper->Rgb.data()),
                  static_cast<std::streamsize>(paper->Rgb.size()));
    }
    log_.reset();
    log_ = std::make_unique<DeviceLog>(TempPath(".log"));
    environment_.push_back(std::make_unique<ScopedEnvironment>("TARNSCAN_MODEL", model));
    environment_.push_back(std::make_unique<ScopedEnvironment>("TARNSCAN_DOCUMENT", document));
    environment_.push_back(std::make_unique<ScopedEnvironment>(
        "TARNSCAN_DOCUMENT_DPI", std::to_string(paper ? paper->Dpi : 100)));
    environment_.push_back(std::make_unique<ScopedEnvironment>("TARNSCAN_FAULTS", faults));
    Reload();
}

void EngineTest::StoreAndLoad() {
    wroteStore_ = true;
    ASSERT_TRUE(SaveSettings(Stored));
    // The store keeps the gamma in tenths: the nearest tenth, so that 3.1 stays 3.1.
    StoreSetting("Gamma", static_cast<DWORD>(std::lround(Stored.Gamma * 10.0)));
    Open();
    LoadStoredSettings();
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &SourceId));
}

void EngineTest::SetWindow(int xResolution, int yResolution, int xOffset, int yOffset, int width,
                           int length, int bitsPerPixel, Composition composition, WindowFrom from) {
    Stored.XOffset = xOffset;
    Stored.YOffset = yOffset;
    if (from == WindowFrom::StoredSettings) {
        Stored.XResolution = xResolution;
        Stored.YResolution = yResolution;
        Stored.ScanWidth = width;
        Stored.ScanLength = length;
        Stored.BitsPerPixel = bitsPerPixel;
        SetComposition(Stored, composition);
        StoreAndLoad();
        return;
    }
    StoreAndLoad();
    Open();
    NegotiateWindow(xResolution, yResolution, xOffset, yOffset, width, length, bitsPerPixel,
                    composition);
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &SourceId));
}

void EngineTest::NegotiateWindow(int xResolution, int yResolution, int xOffset, int yOffset,
                                 int width, int length, int bitsPerPixel, Composition composition) {
    const struct {
        TW_UINT16 cap;
        int value;
    } capabilities[] = {{ICAP_PIXELTYPE, PixelTypeOf(composition)},
                        {ICAP_BITDEPTH, bitsPerPixel},
                        {ICAP_XRESOLUTION, xResolution},
                        {ICAP_YRESOLUTION, yResolution}};
    for (const auto& c : capabilities)
        EXPECT_EQ(TWRC_SUCCESS, SetCapability(c.cap, TWTY_UINT16, static_cast<TW_UINT32>(c.value)))
            << "capability " << c.cap << " to " << c.value;
    TW_IMAGELAYOUT layout = {};
    layout.Frame.Left = FloatToFix32(static_cast<double>(xOffset) / xResolution);
    layout.Frame.Top = FloatToFix32(static_cast<double>(yOffset) / yResolution);
    layout.Frame.Right = FloatToFix32(static_cast<double>(xOffset + width) / xResolution);
    layout.Frame.Bottom = FloatToFix32(static_cast<double>(yOffset + length) / yResolution);
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &layout));
    // The source reports the window asked for, to the pixel.
    for (const auto& c : capabilities)
        EXPECT_EQ(static_cast<TW_UINT32>(c.value), CurrentItem(c.cap)) << "capability " << c.cap;
    layout = TW_IMAGELAYOUT();
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &layout));
    EXPECT_EQ(width,
              std::lround((Fix32ToDouble(layout.Frame.Right) - Fix32ToDouble(layout.Frame.Left)) *
                          xResolution));
    EXPECT_EQ(length,
              std::lround((Fix32ToDouble(layout.Frame.Bottom) - Fix32ToDouble(layout.Frame.Top)) *
                          yResolution));
}

void EngineTest::EnterState(TwainState state) {
    if (state == TwainState::Open) return Open();
    OpenAndEnable();
    TW_PENDINGXFERS pending = {};
    if (state == TwainState::Enabled) {
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending));
    } else if (state == TwainState::Transferring) {
        // One row of the built-in window: the image is under way.
        ASSERT_EQ(TWRC_SUCCESS, TakeMemoryBlock(4096));
    }
}

std::vector<std::string> EngineTest::CallNames(size_t from) const {
    std::vector<std::string> names;
    for (const std::string& line : LogLines(from))
        names.push_back(CallName(line));
    return names;
}

TW_UINT16 EngineTest::NativeTransfer(DibImage* image, uintptr_t* handleOut) {
    // The application's variable is as wide as a handle.
    uintptr_t handle = 0x5EED;
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
            block.Bytes.assign(buffer.begin(),
                               buffer.begin() + static_cast<std::ptrdiff_t>(written));
        }
        blocks.push_back(block);
        if (block.Result != TWRC_SUCCESS) break;
    }
    return blocks;
}

std::vector<uint8_t> EngineTest::Assemble(const std::vector<MemoryBlock>& blocks, uint32_t rowBytes,
                                          uint32_t rows, int bitsPerPixel) {
    std::vector<uint8_t> image(static_cast<size_t>(rowBytes) * rows, 0xEE);
    for (const MemoryBlock& block : blocks) {
        const size_t at = static_cast<size_t>(block.Record.YOffset) * rowBytes +
                          static_cast<size_t>(block.Record.XOffset) * bitsPerPixel / 8;
        if (at + block.Bytes.size() > image.size()) {
            ADD_FAILURE() << "block at " << at << " of " << block.Bytes.size()
                          << " bytes runs past the image";
            continue;
        }
        std::copy(block.Bytes.begin(), block.Bytes.end(),
                  image.begin() + static_cast<std::ptrdiff_t>(at));
    }
    return image;
}
