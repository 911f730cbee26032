// The scan the engine runs: the scanner and what it reported when it was opened,
// the plan of the image under way, the device reads with their retries, and how
// far the transfer of the image has come. The source object owns one; everything
// in it is private, reached through the operations below.
#pragma once

#include <windows.h>

#include <cstdint>

#include "engine/models.h"
#include "engine/scan_plan.h"
#include "platform/handout_memory.h"
#include "platform/twain.h"
#include "settings/scan_settings.h"
#include "tarnscan/tarnscan.h"

class DibRowWriter;

// How a transfer call ended.
struct TransferOutcome {
    // TWRC_SUCCESS (a memory block, more to come), TWRC_XFERDONE or TWRC_FAILURE.
    TW_UINT16 ReturnCode;
    TW_UINT16 ConditionCode;  // of a failure
    // A native image the device ended early, completed with zero rows.
    bool CompletedWithZeroRows;
};

class ScanJob {
public:
    // Opens the scanner; one that is absent or busy now is noticed when a scan starts.
    ScanJob();
    ~ScanJob();
    ScanJob(const ScanJob&) = delete;
    ScanJob& operator=(const ScanJob&) = delete;

    // The model, from the name the scanner reported when it was last opened.
    Model ScannerModel() const;

    // The transfer is announced: the image is planned from what was asked, and no
    // image has been delivered yet.
    void Announce(const Negotiated& asked);
    // The plan of the announced image.
    const ScanPlan& Plan() const { return plan_; }
    // Rows of the image: the plan's, -1 while an undefined length is not yet known,
    // and the rows scanned once an image that ends with the sheet has ended.
    int32_t ImageLength() const;

    // DAT_IMAGEMEMXFER: one block into the application's buffer; the block that
    // `startsImage` starts the scan. A TWAIN 2 application's blocks are whole rows.
    TransferOutcome TransferBlock(TW_IMAGEMEMXFER& memory, bool wholeRows, bool startsImage);
    // Blocks of the current image have gone to the application.
    bool MemoryImageUnderWay() const { return bytesTransferred_ > 0; }
    // DAT_IMAGENATIVEXFER: the whole image in one DIB from `memory`, its handle
    // stored in `handle` (null again when the transfer fails).
    TransferOutcome TransferNative(const HandoutMemory& memory, TW_HANDLE& handle);

    // A TWAIN 2 application has had this acquisition's image.
    bool ImageDelivered() const { return imageDelivered_; }
    void MarkImageDelivered() { imageDelivered_ = true; }
    void ForgetDeliveredImage() { imageDelivered_ = false; }

    // Sends the paper forward or back (the dialog's paper buttons); nothing when
    // the scanner is absent or not ready.
    void MoveDocument(ObjectCommandType command);
    // The scanner is there and ready now.
    bool Online();

    // For observing tests: a row under way, the native transfer's buffer held.
    bool InsideRow() const { return rowBytesDelivered_ != 0; }
    bool HoldsTransferBuffer() const { return transferBufferHandle_ != nullptr; }

private:
    enum class FillOutcome {
        Filled,    // every byte asked for is there
        Stopped,   // the device ended the scan or failed; the rest is zero
        NotReady,  // the device stayed not ready; Bytes says how far it came
    };
    struct FillResult {
        FillOutcome Outcome;
        uint32_t Bytes;  // bytes the device delivered
    };
    enum class NativeRead;

    // Scan start: open and ready, the plan's window and speed, the tone tables and
    // (loadColourTable) the colour translation table, then the scan. Clears the
    // transfer's progress first.
    bool Start(bool loadColourTable);
    bool LoadToneTables();
    bool LoadColourTranslationTable();
    void StopScanner();
    // Stops the scanner unless the device already ended the scan; no row is under
    // way afterwards.
    void EndScan();

    // One read into transfer_ with its attempts while the device is not ready. A
    // device that ends the scan or fails is stopped, and stopped_ says so.
    void ReadBlock();
    // ReadBlock repeated, up to `rounds` times, until the device delivers bytes or
    // ends the scan. False when it stayed not ready throughout.
    bool ReadWithPatience(int rounds);
    // Reads until `bytes` bytes stand at `destination`, however short the device's
    // reads are. On a stop the bytes not delivered are set to 0.
    FillResult Fill(unsigned char* destination, uint32_t bytes, int rounds);

    // The native transfer's read buffer: false when it could not be had.
    bool AllocateTransferBuffer(uint32_t bytes);
    void FreeTransferBuffer();
    NativeRead ReadStraightIntoRows(DibRowWriter& rows);
    NativeRead ReadThroughBuffer(DibRowWriter& rows);
    TransferOutcome EndWithTheSheet(uint32_t delivered, TW_IMAGEMEMXFER& memory);

    CTarnScan scanner_;
    DeviceInfoType deviceInfo_;
    DataTransferType transfer_;
    ScanPlan plan_;
    bool stopped_;
    HGLOBAL transferBufferHandle_;
    uint64_t bytesTransferred_;
    uint32_t rowBytesDelivered_;  // of the row the last block ended inside
    bool imageDelivered_;
    int32_t scannedRows_;  // of an image that ends with the sheet, once it has; else -1
};

// Attempts of one device read while the device answers "not ready".
constexpr int ReadAttempts = 3;
// Read rounds granted to a device that is not ready before the transfer gives up
// on it, and the pause between two rounds.
constexpr int NotReadyRounds = 10;
constexpr unsigned NotReadyPauseMilliseconds = 20;
