// Reading from the device: one read with its attempts, the bounded patience with a
// device that is not ready, and filling a block however short the reads are.
#include <windows.h>

#include <cstring>

#include "engine/scan_job.h"
#include "trace/trace.h"

void ScanJob::ReadBlock() {
    if (stopped_) return;
    ReadCompleteType result = ReadRetry;
    for (int attempt = 0; attempt < ReadAttempts && result == ReadRetry; ++attempt) {
        transfer_.BytesDelivered = 0;
        result = plan_.Interpolated
                     ? scanner_.ReadInterpolatedData(&transfer_, plan_.WidenedResolution,
                                                     plan_.NativeResolution)
                     : scanner_.ReadData(&transfer_);
        if (trace::Enabled())
            trace::Write("device %s requested=%lu delivered=%lu -> %d",
                         plan_.Interpolated ? "ReadInterpolatedData" : "ReadData",
                         static_cast<unsigned long>(transfer_.BytesRequested),
                         static_cast<unsigned long>(transfer_.BytesDelivered),
                         static_cast<int>(result));
    }
    if (result == ReadComplete) {
        // Never count more than was asked for, whatever the device claims.
        if (transfer_.BytesDelivered > transfer_.BytesRequested)
            transfer_.BytesDelivered = transfer_.BytesRequested;
        return;
    }
    transfer_.BytesDelivered = 0;
    if (result != ReadRetry) {
        StopScanner();
        stopped_ = true;
    }
}

bool ScanJob::ReadWithPatience(int rounds) {
    for (int round = 0; round < rounds; ++round) {
        if (round > 0) Sleep(NotReadyPauseMilliseconds);
        ReadBlock();
        if (stopped_ || transfer_.BytesDelivered > 0) return true;
    }
    return false;
}

ScanJob::FillResult ScanJob::Fill(unsigned char* destination, uint32_t bytes, int rounds) {
    uint32_t filled = 0;
    while (filled < bytes) {
        transfer_.Buffer = destination + filled;
        transfer_.BytesRequested = bytes - filled;
        if (!ReadWithPatience(rounds)) return {FillOutcome::NotReady, filled};
        if (stopped_) {
            std::memset(destination + filled, 0, bytes - filled);
            return {FillOutcome::Stopped, filled};
        }
        filled += transfer_.BytesDelivered;
    }
    return {FillOutcome::Filled, filled};
}
