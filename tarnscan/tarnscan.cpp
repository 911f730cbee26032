// The simulated scanner: CTarnScan's members. Each call checks the device state
// and the configured faults, does its work through the imaging model and the line
// stream, and appends one line to the call log.
#include "tarnscan/tarnscan.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "tarnscan/call_log.h"
#include "tarnscan/configuration.h"
#include "tarnscan/imaging.h"
#include "tarnscan/line_stream.h"
#include "tarnscan/paper.h"
#include "tarnscan/tables.h"

using namespace tarnscan;

namespace {

// Everything the scanner keeps between calls.
struct DeviceState {
    Configuration config;
    CallLog log;
    std::unique_ptr<Paper> paper;
    bool opened = false;
    bool windowValid = false;
    WindowDescriptorType window{};
    ToneTables tones;
    ColourTable colours;
    bool scanning = false;
    LineRenderer renderer;
    LineStream stream;
    uint32_t readsThisScan = 0;
    bool stallsAtEnd = false;    // the stream stops short of the window: not ready from there on
    int64_t sheetEndLines = -1;  // the lines before the sheet's edge, when that ends the scan
    bool endReported = false;    // a read of this scan has reported its end
};

std::string Result(bool ok) {
    return ok ? " -> 1" : " -> 0";
}

std::string Field(const char* name, long long value) {
    return std::string(" ") + name + "=" + std::to_string(value);
}

void Warn(const std::string& text) {
    OutputDebugStringA(("tarnscan: " + text + "\n").c_str());
}

void FillDeviceInfo(DeviceInfoType& info, const std::string& model) {
    std::memset(&info, 0, sizeof info);
    info.PeripheralType = 6;  // scanner
    info.Version = 2;
    info.ResponseFormat = 2;
    info.AdditionalLength = static_cast<uint8_t>(sizeof info - 5);
    std::memcpy(info.Vendor, "HALVARD ", sizeof info.Vendor);
    std::memset(info.Model, ' ', sizeof info.Model);
    std::memcpy(info.Model, model.data(), std::min(model.size(), sizeof info.Model));
    std::memcpy(info.Revision, "1.00", sizeof info.Revision);
}

std::string DescribeWindow(const WindowDescriptorType& w) {
    return Field("XResolution", w.XResolution) + Field("YResolution", w.YResolution) +
           Field("XOffset", w.XOffset) + Field("YOffset", w.YOffset) +
           Field("ScanWidth", w.ScanWidth) + Field("ScanLength", w.ScanLength) +
           Field("Brightness", w.Brightness) + Field("Threshold", w.Threshold) +
           Field("ImageComposition", w.ImageComposition) + Field("BitsPerPixel", w.BitsPerPixel) +
           Field("Flage", w.Flage) + Field("CompressionType", w.CompressionType) +
           Field("Filter", w.Filter) + Field("WhiteValue", w.WhiteValue) +
           Field("InitialThreshold", w.InitialThreshold) + Field("ScalingFactor", w.ScalingFactor) +
           Field("Direction", w.Direction) + Field("Termination", w.Termination) +
           Field("ScaleMode", w.ScaleMode);
}

// One read of either kind. `widenedWidth` is the width of the delivered lines.
ReadCompleteType Read(DeviceState& device, DataTransferType* transfer, int64_t widenedWidth) {
    if (!transfer) return ReadFailed;
    transfer->BytesDelivered = 0;
    if (!device.scanning) return ReadFailed;
    ++device.readsThisScan;
    const FaultSet& faults = device.config.faults;
    if (faults.stuck || device.readsThisScan <= faults.retryReads) return ReadRetry;

    if (widenedWidth < 1 || widenedWidth > MaxLineWidth) return ReadFailed;
    int width = static_cast<int>(widenedWidth);
    if (width != device.renderer.OutputWidth()) {
        // A new line width can only begin with a new line.
        if (device.stream.InsideLine() || !device.renderer.SetOutputWidth(width)) return ReadFailed;
        device.stream.ForgetBufferedLine();
    }
    if (device.stream.AtEnd()) return device.stallsAtEnd ? ReadRetry : ReadEndOfScan;
    if (transfer->BytesRequested > 0 && !transfer->Buffer) return ReadFailed;
    transfer->BytesDelivered =
        device.stream.Read(device.renderer, transfer->BytesRequested, transfer->Buffer);
    return ReadComplete;
}

// The first read that reports the end of a scan the sheet's edge cut short is
// preceded in the log by the lines the sheet gave.
void NoteEnd(DeviceState& device, ReadCompleteType result) {
    if (result != ReadEndOfScan || device.endReported) return;
    device.endReported = true;
    if (device.sheetEndLines >= 0)
        device.log.Write("SheetEnd lines=" + std::to_string(device.sheetEndLines));
}

}  // namespace

struct CTarnScan::Device : DeviceState {};

CTarnScan::CTarnScan() : device_(new (std::nothrow) Device) {
    if (!device_) return;
    device_->log.SetPath(EnvironmentValue("TARNSCAN_LOG"));
    device_->log.Write("Construct");
}

CTarnScan::~CTarnScan() {
    if (!device_) return;
    device_->log.Write("Destruct");
    delete device_;
}

bool CTarnScan::Open(DeviceInfoType& info) {
    if (!device_) return false;
    Device& device = *device_;
    device.config = ReadConfiguration();
    device.log.SetPath(device.config.logPath);
    // Opening resets the device: no scan, no window, the power-on tables.
    device.scanning = false;
    device.windowValid = false;
    device.tones.Reset();
    device.colours.Reset();
    FillDeviceInfo(info, device.config.model);

    std::string problem = device.config.problem;
    device.paper.reset();
    if (problem.empty())
        device.paper = MakePaper(device.config.document, device.config.documentDpi, problem);
    if (!problem.empty()) Warn(problem);
    device.opened = problem.empty() && !device.config.faults.open;
    device.log.Write(
        "Open model=" +
        std::string(info.Model, std::min(device.config.model.size(), sizeof info.Model)) +
        Result(device.opened));
    return device.opened;
}

bool CTarnScan::UnitReady(AditionalSenseCodeType* sense) {
    if (!device_) return false;
    bool ok = device_->opened && !device_->config.faults.unitReady;
    if (sense) {
        *sense = AditionalSenseCodeType();
        if (!ok) {
            sense->SenseKey = 2;  // not ready
            sense->Code = 4;
            sense->Qualifier = 1;
        }
    }
    device_->log.Write("UnitReady" + Result(ok));
    return ok;
}

bool CTarnScan::SetWindow(const WindowDescriptorType& window, unsigned char mode) {
    if (!device_) return false;
    Device& device = *device_;
    std::string problem;
    bool ok = device.opened && !device.scanning && !device.config.faults.setWindow &&
              IsValidWindow(window, problem);
    if (!problem.empty()) Warn("window refused: " + problem);
    device.windowValid = ok;
    if (ok) device.window = window;
    device.log.Write("SetWindow" + DescribeWindow(window) + Field("mode", mode) + Result(ok));
    return ok;
}

bool CTarnScan::SetFractionalSpeed(int speed) {
    if (!device_) return false;
    bool ok = device_->opened && !device_->config.faults.speed && speed >= 0 && speed <= 255;
    device_->log.Write("SetFractionalSpeed speed=" + std::to_string(speed) + Result(ok));
    return ok;
}

bool CTarnScan::LoadTrcTable(unsigned char* table) {
    if (!device_) return false;
    if (!table) {
        device_->log.Write("LoadTrcTable table=null -> 0");
        return false;
    }
    int channel = table[0];
    bool ok =
        device_->opened && !device_->config.faults.trc && device_->tones.Load(channel, table + 1);
    device_->log.Write("LoadTrcTable channel=" + std::to_string(channel) +
                       " fnv1a64=" + Hex64(Fnv1a64(table + 1, ToneLevels)) + Result(ok));
    return ok;
}

bool CTarnScan::LoadColorTranslationTable(unsigned char* table) {
    if (!device_) return false;
    if (!table) {
        device_->log.Write("LoadColorTranslationTable table=null -> 0");
        return false;
    }
    bool ok = device_->opened && !device_->config.faults.ctt;
    if (ok) device_->colours.Load(table);
    device_->log.Write(
        "LoadColorTranslationTable fnv1a64=" + Hex64(Fnv1a64(table, ColourTableSize)) + Result(ok));
    return ok;
}

bool CTarnScan::StartScan() {
    if (!device_) return false;
    Device& device = *device_;
    bool ok =
        device.opened && device.windowValid && !device.scanning && !device.config.faults.start &&
        device.renderer.Prepare(device.window, device.paper.get(), device.tones, device.colours);
    if (ok) {
        int64_t lines = device.window.ScanLength;
        const FaultSet& faults = device.config.faults;
        if (faults.endEarly) lines = std::min<int64_t>(lines, faults.endLines);
        // The sheet's trailing edge ends the data when it comes before every other end.
        const auto& sheet = device.config.sheetLength;
        const int64_t sheetLines = sheet ? sheet->Lines(device.window.YResolution) : lines;
        device.sheetEndLines = sheetLines < lines ? sheetLines : -1;
        lines = std::min(lines, sheetLines);
        device.stallsAtEnd = faults.stall && faults.stallLines < lines;
        if (device.stallsAtEnd) lines = faults.stallLines;
        device.stream.Start(lines);
        device.readsThisScan = 0;
        device.endReported = false;
        device.scanning = true;
    }
    device.log.Write(std::string("StartScan") + Result(ok));
    return ok;
}

ReadCompleteType CTarnScan::ReadData(DataTransferType* transfer) {
    if (!device_) return ReadFailed;
    ReadCompleteType result = Read(*device_, transfer, device_->window.ScanWidth);
    NoteEnd(*device_, result);
    // Reads are the hot path of a transfer: no text is built unless it is logged.
    if (device_->log.Enabled())
        device_->log.Write(
            "ReadData requested=" + std::to_string(transfer ? transfer->BytesRequested : 0) +
            " delivered=" + std::to_string(transfer ? transfer->BytesDelivered : 0) + " -> " +
            std::to_string(result));
    return result;
}

ReadCompleteType CTarnScan::ReadInterpolatedData(DataTransferType* transfer, int targetResolution,
                                                 int nativeResolution) {
    if (!device_) return ReadFailed;
    // Each device line of Wn pixels becomes Wn x target / native pixels.
    int64_t width = 0;
    if (targetResolution > 0 && nativeResolution > 0)
        width =
            static_cast<int64_t>(device_->window.ScanWidth) * targetResolution / nativeResolution;
    ReadCompleteType result = Read(*device_, transfer, width);
    NoteEnd(*device_, result);
    if (device_->log.Enabled())
        device_->log.Write("ReadInterpolatedData requested=" +
                           std::to_string(transfer ? transfer->BytesRequested : 0) +
                           " delivered=" + std::to_string(transfer ? transfer->BytesDelivered : 0) +
                           " target=" + std::to_string(targetResolution) + " native=" +
                           std::to_string(nativeResolution) + " -> " + std::to_string(result));
    return result;
}

bool CTarnScan::StopScan() {
    if (!device_) return false;
    device_->scanning = false;
    device_->log.Write("StopScan -> 1");
    return true;
}

bool CTarnScan::SetObjectPosition(ObjectCommandType command, int argument) {
    if (!device_) return false;
    bool ok = device_->opened && !device_->config.faults.position &&
              (command == ObjectEject || command == ObjectRewind);
    device_->log.Write("SetObjectPosition command=" + std::to_string(static_cast<int>(command)) +
                       " arg=" + std::to_string(argument) + Result(ok));
    return ok;
}
