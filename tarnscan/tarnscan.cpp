// The simulated scanner. (Being built: the imaging model; for now the device
// opens, reports its model and is ready.)
#include "tarnscan/tarnscan.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string Environment(const char* name, const char* fallback) {
    char value[1024];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    if (length == 0 || length >= sizeof value) return fallback;
    return value;
}

void Log(const std::string& line) {
    std::string path = Environment("TARNSCAN_LOG", "");
    if (path.empty()) return;
    if (FILE* file = std::fopen(path.c_str(), "ab")) {
        std::fprintf(file, "%s\n", line.c_str());
        std::fclose(file);
    }
}

}  // namespace

struct CTarnScan::Device {
    std::string model;
};

CTarnScan::CTarnScan() : device_(new Device) { Log("Construct"); }

CTarnScan::~CTarnScan() {
    Log("Destruct");
    delete device_;
}

bool CTarnScan::Open(DeviceInfoType& info) {
    device_->model = Environment("TARNSCAN_MODEL", "QD120");
    std::memset(&info, 0, sizeof info);
    std::memcpy(info.Vendor, "HALVARD ", 8);
    std::memset(info.Model, ' ', sizeof info.Model);
    std::memcpy(info.Model, device_->model.data(), std::min(device_->model.size(), sizeof info.Model));
    Log("Open model=" + device_->model + " -> 1");
    return true;
}

bool CTarnScan::UnitReady(AditionalSenseCodeType* sense) {
    if (sense) *sense = AditionalSenseCodeType();
    Log("UnitReady -> 1");
    return true;
}

bool CTarnScan::SetWindow(const WindowDescriptorType&, unsigned char) { return false; }
bool CTarnScan::SetFractionalSpeed(int) { return false; }
bool CTarnScan::LoadTrcTable(unsigned char*) { return false; }
bool CTarnScan::LoadColorTranslationTable(unsigned char*) { return false; }
bool CTarnScan::StartScan() { return false; }
ReadCompleteType CTarnScan::ReadData(DataTransferType*) { return ReadFailed; }
ReadCompleteType CTarnScan::ReadInterpolatedData(DataTransferType*, int, int) { return ReadFailed; }
bool CTarnScan::StopScan() { return true; }
bool CTarnScan::SetObjectPosition(ObjectCommandType, int) { return false; }
