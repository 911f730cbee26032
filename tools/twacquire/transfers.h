// The two image transfers, from state 6, each handing the image's rows, top to
// bottom, to a writer as they become available.
#pragma once

#include <cstdint>
#include <string>

#include "platform/twain.h"

class CImageWriter;
class CTwainClient;

struct TransferOutcome {
    bool Ok = false;
    bool Cancelled = false;
    TW_UINT16 ReturnCode = TWRC_FAILURE;  // of the transfer triplet that ended it
    std::string Error;                    // when the image or the writing failed
    double Seconds = 0;                   // from the first transfer call to the last row written
    uint64_t Bytes = 0;                   // bytes the source delivered
    int32_t Width = 0;
    int32_t Height = 0;
    int BitsPerPixel = 0;
};

// Bytes of the DIB a native transfer of this image hands over.
uint64_t NativeTransferBytes(const TW_IMAGEINFO& info);

// DAT_IMAGENATIVEXFER: one call; the DIB's rows go to the writer, then it is freed.
// The resolution comes from the image information.
TransferOutcome NativeTransfer(CTwainClient& client, const TW_IMAGEINFO& info,
                               CImageWriter& writer);

// With automatic length detection the image ends where the sheet ends: a memory
// transfer learns its length only when it is done. maxRows, the longest sheet
// expected (the frame), bounds it for the choices a writer makes up front (0: none).
struct SheetEnd {
    bool Detected = false;
    uint32_t MaxRows = 0;
};

// DAT_IMAGEMEMXFER with one application buffer of bufferSize bytes, called until
// TWRC_XFERDONE; each block is placed at its XOffset, YOffset, Rows and Columns,
// rows BytesPerRow apart in the buffer, and whole rows go to the writer in order.
// A memory transfer carries no colour table: the image gets the one the source's
// native images carry for this pixel type and depth. When the sheet's end is
// detected, the length is the one DAT_IMAGEINFO reports after the transfer (else
// the rows delivered).
TransferOutcome MemoryTransfer(CTwainClient& client, const TW_IMAGEINFO& info, TW_UINT32 bufferSize,
                               const SheetEnd& sheet, CImageWriter& writer);
