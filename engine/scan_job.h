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

    // Sends the paper forward or back (the dialog's paper buttons); nothing when
    // the scanner is absent or not ready.
    void MoveDocument(ObjectCommandType command);
    // The scanner is there and ready now.
    bool Online();

    // Stops the scanner unless the device already ended the scan; no row is under
    // way afterwards.
    void EndScan();
    // The device ended the scan early; the image is finished from what was read.
    bool Stopped() const { return stopped_; }
    void MarkStopped() { stopped_ = true; }

    // The memory transfer's progress through the current image.
    uint64_t BytesTransferred() const { return bytesTransferred_; }
    // Bytes of the row the last block ended inside; 0 when blocks stand at a row's start.
    uint32_t RowBytesDelivered() const { return rowBytesDelivered_; }
    bool InsideRow() const { return rowBytesDelivered_ != 0; }
    // A block of `bytes` went to the application; `endsInsideRow` when it ended
    // before its row did.
    void RecordBlock(uint32_t bytes, bool endsInsideRow);
    // The row under way no longer fits the window (it was changed between blocks).
    void ForgetRow() { rowBytesDelivered_ = 0; }

    // A TWAIN 2 application has had this acquisition's image.
    bool ImageDelivered() const { return imageDelivered_; }
    void MarkImageDelivered() { imageDelivered_ = true; }
    void ForgetDeliveredImage() { imageDelivered_ = false; }

    // The device library, what it reported when opened, and its read record; the
    // engine's reads go through these.
    CTarnScan Scanner;
    DeviceInfoType DeviceInfo;
    DataTransferType Transfer;
    // The native transfer's read buffer, when one is held.
    bool HoldsTransferBuffer() const { return transferBufferHandle_ != nullptr; }

private:
    bool stopped_;
    HGLOBAL transferBufferHandle_;
    uint64_t bytesTransferred_;
    uint32_t rowBytesDelivered_;  // of the row the last block ended inside
    bool imageDelivered_;
};
