// The scan job's life, its plan, the paper buttons, and scan start: device open and
// ready, the plan's window, the speed, the tone tables and, for palette colour,
// the colour translation table, then the scan itself.
#include "engine/scan_job.h"

#include <memory>
#include <new>

#include "engine/colour_translation.h"
#include "engine/tone_tables.h"
#include "platform/global_memory.h"
#include "trace/trace.h"

ScanJob::ScanJob()
    : deviceInfo_(),
      transfer_(),
      plan_(),
      stopped_(false),
      transferBufferHandle_(nullptr),
      bytesTransferred_(0),
      rowBytesDelivered_(0),
      imageDelivered_(false),
      scannedRows_(-1) {
    scanner_.Open(deviceInfo_);
}

ScanJob::~ScanJob() {
    FreeTransferBuffer();
}

Model ScanJob::ScannerModel() const {
    return ModelOfDevice(deviceInfo_);
}

void ScanJob::Announce(const Negotiated& asked) {
    plan_ = PlanScan(asked, ScannerModel());
    imageDelivered_ = false;
    scannedRows_ = -1;
}

int32_t ScanJob::ImageLength() const {
    if (scannedRows_ >= 0) return scannedRows_;
    return plan_.LengthUndefined ? -1 : plan_.Length;
}

void ScanJob::MoveDocument(ObjectCommandType command) {
    AditionalSenseCodeType sense = {};
    if (!scanner_.Open(deviceInfo_)) return;
    if (!scanner_.UnitReady(&sense)) return;
    scanner_.SetObjectPosition(command, 0);
}

bool ScanJob::Online() {
    AditionalSenseCodeType sense;
    return ScannerModel() != Model::Unknown && scanner_.UnitReady(&sense);
}

bool ScanJob::Start(bool loadColourTable) {
    bytesTransferred_ = 0;
    rowBytesDelivered_ = 0;
    scannedRows_ = -1;
    if (!trace::Device(scanner_.Open(deviceInfo_), "Open")) return false;
    AditionalSenseCodeType sense;
    if (!trace::Device(scanner_.UnitReady(&sense), "UnitReady")) return false;
    const WindowDescriptorType& device = plan_.DeviceWindow;
    if (trace::Enabled())
        trace::Write("device window %dx%d dpi at (%d,%d) %dx%d pixels, %d bits, composition %d",
                     device.XResolution, device.YResolution, device.XOffset, device.YOffset,
                     device.ScanWidth, device.ScanLength, device.BitsPerPixel,
                     device.ImageComposition);
    if (!trace::Device(scanner_.SetWindow(device, 0), "SetWindow")) return false;
    if (!trace::Device(scanner_.SetFractionalSpeed(plan_.FractionalSpeed), "SetFractionalSpeed"))
        return false;
    if (!LoadToneTables()) return false;
    if (loadColourTable && !LoadColourTranslationTable()) return false;
    stopped_ = false;
    return trace::Device(scanner_.StartScan(), "StartScan");
}

bool ScanJob::LoadToneTables() {
    if (!plan_.LoadsToneTables) return true;
    unsigned char block[ToneTableBlockBytes];
    auto load = [&](ToneChannel channel, uint8_t white, uint8_t black) {
        if (!BuildToneTable(block + 1, white, black, plan_.Gamma, ToneTableLength)) return false;
        block[0] = channel;
        return trace::Device(scanner_.LoadTrcTable(block), "LoadTrcTable");
    };
    const ColourTriple& white = plan_.WhitePoint;
    const ColourTriple& black = plan_.BlackPoint;
    const bool grey =
        white.R == white.G && white.G == white.B && black.R == black.G && black.G == black.B;
    if (grey) return load(ToneChannelAll, white.R, black.R);
    // Each table is built and loaded before the next; a refusal leaves the earlier
    // ones loaded.
    return load(ToneChannelRed, white.R, black.R) && load(ToneChannelGreen, white.G, black.G) &&
           load(ToneChannelBlue, white.B, black.B);
}

bool ScanJob::LoadColourTranslationTable() {
    std::unique_ptr<unsigned char[]> table(
        new (std::nothrow) unsigned char[ColourTranslationTableBytes]);
    if (!table) return false;
    BuildColourTranslationTable(table.get(), plan_.BitsPerPixel);
    return trace::Device(scanner_.LoadColorTranslationTable(table.get()),
                         "LoadColorTranslationTable");
}

void ScanJob::StopScanner() {
    trace::Device(scanner_.StopScan(), "StopScan");
}

void ScanJob::EndScan() {
    rowBytesDelivered_ = 0;
    if (stopped_)
        stopped_ = false;
    else
        StopScanner();
}

// Zero-initialised fixed global memory, locked for as long as it exists.
bool ScanJob::AllocateTransferBuffer(uint32_t bytes) {
    FreeTransferBuffer();
    transfer_.BytesRequested = bytes;
    const platform::GlobalMemoryApi& memory = platform::GlobalMemory;
    transferBufferHandle_ = memory.Alloc(GMEM_FIXED | GMEM_ZEROINIT, bytes);
    if (!transferBufferHandle_) return false;
    transfer_.Buffer = static_cast<unsigned char*>(memory.Lock(transferBufferHandle_));
    if (!transfer_.Buffer) {
        memory.Free(transferBufferHandle_);
        transferBufferHandle_ = nullptr;
        return false;
    }
    return true;
}

void ScanJob::FreeTransferBuffer() {
    transfer_.Buffer = nullptr;
    if (!transferBufferHandle_) return;
    const platform::GlobalMemoryApi& memory = platform::GlobalMemory;
    memory.Unlock(transferBufferHandle_);
    memory.Free(transferBufferHandle_);
    transferBufferHandle_ = nullptr;
}
