#include "engine/read_block.h"

#include <windows.h>

#include <cstring>

#include "engine/models.h"
#include "engine/scan_window.h"
#include "source/trace.h"
#include "source/twain_source.h"

void CTwainSource::ReadBlock(bool interpolated) {
    if (ScanStopped) return;
    const Model code = interpolated ? ModelCode() : Model::Unknown;
    ReadCompleteType result = ReadRetry;
    for (int attempt = 0; attempt < ReadAttempts && result == ReadRetry; ++attempt) {
        Transfer.BytesDelivered = 0;
        result = interpolated
                     ? Scanner.ReadInterpolatedData(&Transfer, WidenedResolution(Settings, code),
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
        ScanStopped = true;
    }
}

bool ReadWithPatience(CTwainSource& source, bool interpolated, int rounds) {
    for (int round = 0; round < rounds; ++round) {
        if (round > 0) Sleep(NotReadyPauseMilliseconds);
        source.ReadBlock(interpolated);
        if (source.ScanStopped || source.Transfer.BytesDelivered > 0) return true;
    }
    return false;
}

FillResult FillFromDevice(CTwainSource& source, unsigned char* destination, uint32_t bytes,
                          bool interpolated, int rounds) {
    uint32_t filled = 0;
    while (filled < bytes) {
        source.Transfer.Buffer = destination + filled;
        source.Transfer.BytesRequested = bytes - filled;
        if (!ReadWithPatience(source, interpolated, rounds)) return {FillOutcome::NotReady, filled};
        if (source.ScanStopped) {
            std::memset(destination + filled, 0, bytes - filled);
            return {FillOutcome::Stopped, filled};
        }
        filled += source.Transfer.BytesDelivered;
    }
    return {FillOutcome::Filled, filled};
}
