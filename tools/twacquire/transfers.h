// The two image transfers, from state 6, each ending with the whole image in an
// Image (rows top-down, red-green-blue for 24 bits).
#pragma once

#include <string>

#include "platform/twain.h"
#include "tools/image/image.h"

class CTwainClient;

struct TransferOutcome {
    bool Ok = false;
    TW_UINT16 ReturnCode = TWRC_FAILURE;  // of the transfer triplet that ended it
    std::string Error;                    // when the image itself was unusable
    double Seconds = 0;                   // from the first transfer call to the image's end
    uint64_t Bytes = 0;                   // bytes the source delivered
};

// DAT_IMAGENATIVEXFER: one call; the DIB is read, checked against its block size and
// freed.
TransferOutcome NativeTransfer(CTwainClient& client, Image& image);

// DAT_IMAGEMEMXFER with one application buffer of bufferSize bytes, called until
// TWRC_XFERDONE; each block is placed at its XOffset, YOffset, Rows and Columns,
// rows BytesPerRow apart in the buffer. A memory transfer carries no colour table:
// the image gets the one the source's native images carry for this pixel type and
// depth.
TransferOutcome MemoryTransfer(CTwainClient& client, const TW_IMAGEINFO& info, TW_UINT32 bufferSize,
                               Image& image);
