// DG_IMAGE: the image description, the frame and the two transfers.
#include "engine/image_triplets.h"
#include "engine/scan_window.h"
#include "source/twain_source.h"

namespace {

// A TWAIN 2 application holds the source in state 7 from the end of the image
// until its MSG_ENDXFER, and cannot take the same image twice; a 1.x application
// keeps state 6 after a native transfer, as it always has.
TW_UINT16 AfterTransfer(CTwainSource& source, TW_UINT16 result) {
    if (result == TWRC_XFERDONE && source.ServesTwain2()) {
        source.Job.ImageDelivered = true;
        source.Session.State = StateTransferring;
    }
    return result;
}

}  // namespace

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
        return AfterTransfer(*this,
                             HandleMemoryTransfer(*this, static_cast<pTW_IMAGEMEMXFER>(data)));
    case DAT_PALETTE8:
        return HandlePalette(*this, msg, static_cast<pTW_PALETTE8>(data));
    case DAT_IMAGENATIVEXFER:
        if (msg != MSG_GET) return Fail(TWCC_BADPROTOCOL);
        return AfterTransfer(*this, HandleNativeTransfer(*this, static_cast<TW_HANDLE*>(data)));
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 TransferRefusal(const CTwainSource& source, TransferKind kind) {
    const Model code = source.ModelCode();
    if (source.Settings.BitsPerPixel == 24 && IsMonochromeModel(code)) return TWCC_BADVALUE;
    if (code == Model::Unknown) return TWCC_NODS;
    if (source.Job.ImageDelivered) return TWCC_SEQERROR;
    // In state 7 a memory block goes on with a memory image under way, never with
    // the native image that a device ending early left in state 7.
    const bool memoryImageUnderWay =
        source.Session.State == StateTransferring && source.Job.BytesTransferred > 0;
    const bool stateAccepted =
        kind == TransferKind::Native
            ? source.Session.State == StateTransferReady
            : source.Session.State == StateTransferReady || memoryImageUnderWay;
    return stateAccepted ? TWCC_SUCCESS : TWCC_SEQERROR;
}
