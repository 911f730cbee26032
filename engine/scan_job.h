// The scan the engine runs: the scanner and what it reported when it was opened,
// the read buffer, and how far the transfer of the current image has come. The
// source object owns one; only the engine changes it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "engine/models.h"
#include "platform/twain.h"
#include "settings/scan_settings.h"
#include "tarnscan/tarnscan.h"

class ScanJob {
public:
    // Opens the scanner; one that is absent or busy now is noticed when a scan starts.
    ScanJob();
    ~ScanJob();
    ScanJob(const ScanJob&) = delete;
    ScanJob& operator=(const ScanJob&) = delete;

    // The model, from the name the scanner reported when it was opened.
    Model ScannerModel() const;

    // Opens the scanner and checks it is ready, gives it its window and speed, the
    // tone tables and (loadColourTable) the colour translation table, and starts
    // the scan. Clears the transfer's progress first.
    TW_UINT16 Start(const ScanSettings& settings, bool loadColourTable);
    bool LoadToneTables(const ScanSettings& settings);
    bool LoadColourTranslationTable(int32_t bitsPerPixel);

    // The native transfer's read buffer: 0 when it stands at Transfer.Buffer, 1 when
    // it could not be had.
    int AllocateTransferBuffer(uint32_t bytes);
    void FreeTransferBuffer();

    // One read into Transfer, with its attempts while the device is not ready; an
    // interpolated read widens to the settings' resolution. A device that ends the
    // scan or fails is stopped, and Stopped says so.
    void ReadBlock(const ScanSettings& settings, bool interpolated);

    CTarnScan Scanner;
    DeviceInfoType DeviceInfo;
    bool Stopped;  // the device ended the scan or failed, and has been stopped
    DataTransferType Transfer;
    HGLOBAL TransferBufferHandle;
    uint64_t BytesTransferred;  // of the current memory transfer
    bool PartialRow;            // a memory block ended inside a row
    uint32_t PartialRowOffset;  // bytes of that row already delivered
    bool ImageDelivered;        // a TWAIN 2 application has had this acquisition's image
};
