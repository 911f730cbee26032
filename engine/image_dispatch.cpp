// DG_IMAGE: the image description, the frame and the two transfers.
#include "engine/image_triplets.h"
#include "engine/scan_window.h"
#include "source/twain_source.h"

TW_UINT16 CTwainSource::HandleImage(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    switch (dat) {
    case DAT_IMAGEINFO:
        if (!IsQueryMessage(msg)) return Fail(TWCC_BADPROTOCOL);
        return HandleImageInfo(*this, static_cast<pTW_IMAGEINFO>(data));
    case DAT_IMAGELAYOUT:
        return HandleImageLayout(*this, msg, static_cast<pTW_IMAGELAYOUT>(data));
    case DAT_IMAGEMEMXFER:
        // A transfer runs only when asked for with MSG_GET.
        if (msg != MSG_GET) return Fail(TWCC_BADPROTOCOL);
        return HandleMemoryTransfer(*this, static_cast<pTW_IMAGEMEMXFER>(data));
    case DAT_IMAGENATIVEXFER:
        if (msg != MSG_GET) return Fail(TWCC_BADPROTOCOL);
        return HandleNativeTransfer(*this, static_cast<TW_UINT32*>(data));
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 TransferRefusal(const CTwainSource& source, TransferKind kind) {
    const int32_t code = source.ModelCode();
    if (source.Settings.BitsPerPixel == 24 && IsMonochromeModel(code)) return TWCC_BADVALUE;
    if (code == 0) return TWCC_NODS;
    // In state 7 a memory block goes on with a memory image under way, never with
    // the native image that a device ending early left in state 7.
    const bool memoryImageUnderWay =
        source.State == StateTransferring && source.BytesTransferred > 0;
    const bool stateAccepted = kind == TransferKind::Native
                                   ? source.State == StateTransferReady
                                   : source.State == StateTransferReady || memoryImageUnderWay;
    return stateAccepted ? TWCC_SUCCESS : TWCC_SEQERROR;
}
