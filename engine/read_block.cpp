#include "engine/read_block.h"

#include <windows.h>

#include <cstring>

#include "engine/models.h"
#include "engine/scan_job.h"
#include "engine/scan_window.h"
#include "trace/trace.h"

void ScanJob::ReadBlock(const ScanSettings& settings, bool interpolated) {
    if (stopped_) return;
    const Model code = interpolated ? ScannerModel() : Model::Unknown;
    ReadCompleteType result = ReadRetry;
    for (int attempt = 0; attempt < ReadAttempts && result == ReadRetry; ++attempt) {
        Transfer.BytesDelivered = 0;
        result = interpolated
                     ? Scanner.ReadInterpolatedData(&Transfer, WidenedResolution(settings, code),
                                                    NativeResolution(code))
                     : Scanner.ReadData(&Transfer);
        if (trace::Enabled())
            trace::Write("device %s requested=%lu delivered=%lu -> %d",
                         interpolated ? "ReadInterpolatedData" : "ReadData",
                         static_cast<unsigned long>(Transfer.BytesRequested),
                         static_cast<unsigned long>(Transfer.BytesDelivered),
                         static_cast<int>(result));
    }
    if (result == ReadComplete) {
        // Never count more than was asked for, whatever the device claims.
        if (Transfer.BytesDelivered > Transfer.BytesRequested)
            Transfer.BytesDelivered = Transfer.BytesRequested;
        return;
    }
    Transfer.BytesDelivered = 0;
    if (result != ReadRetry) {
        trace::Device(Scanner.StopScan(), "StopScan");
        stopped_ = true;
    }
}

bool ReadWithPatience(ScanJob& job, const ScanSettings& settings, bool interpolated, int rounds) {
    for (int round = 0; round < rounds; ++round) {
        if (round > 0) Sleep(NotReadyPauseMilliseconds);
        job.ReadBlock(settings, interpolated);
        if (job.Stopped() || job.Transfer.BytesDelivered > 0) return true;
    }
    return false;
}

FillResult FillFromDevice(ScanJob& job, const ScanSettings& settings, unsigned char* destination,
                          uint32_t bytes, bool interpolated, int rounds) {
    uint32_t filled = 0;
    while (filled < bytes) {
        job.Transfer.Buffer = destination + filled;
        job.Transfer.BytesRequested = bytes - filled;
        if (!ReadWithPatience(job, settings, interpolated, rounds))
            return {FillOutcome::NotReady, filled};
        if (job.Stopped()) {
            std::memset(destination + filled, 0, bytes - filled);
            return {FillOutcome::Stopped, filled};
        }
        filled += job.Transfer.BytesDelivered;
    }
    return {FillOutcome::Filled, filled};
}
