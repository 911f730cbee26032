// Reading from the device: one read with its attempts (ScanJob::ReadBlock),
// and the bounded patience with a device that is not ready.
#pragma once

#include <cstdint>

class ScanJob;
struct ScanSettings;

// Attempts of one ReadBlock while the device answers "not ready".
constexpr int ReadAttempts = 3;
// ReadBlock rounds granted to a device that is not ready before the transfer gives
// up on it, and the pause between two rounds.
constexpr int NotReadyRounds = 10;
constexpr unsigned NotReadyPauseMilliseconds = 20;

// Repeats ReadBlock on job.Transfer, up to `rounds` times, until the device
// delivers bytes or ends the scan. False when it stayed not ready throughout.
bool ReadWithPatience(ScanJob& job, const ScanSettings& settings, bool interpolated, int rounds);

enum class FillOutcome {
    Filled,    // every byte asked for is there
    Stopped,   // the device ended the scan or failed; the rest is zero
    NotReady,  // the device stayed not ready; Bytes says how far it came
};

struct FillResult {
    FillOutcome Outcome;
    uint32_t Bytes;  // bytes the device delivered
};

// Reads until `bytes` bytes stand at `destination`, however short the device's
// reads are. On a stop the bytes not delivered are set to 0.
FillResult FillFromDevice(ScanJob& job, const ScanSettings& settings, unsigned char* destination,
                          uint32_t bytes, bool interpolated, int rounds);
