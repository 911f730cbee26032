// DG_IMAGE: the image description, the frame and the two transfers.
#include "engine/scan_window.h"
#include "image/image_triplets.h"
#include "source/data_arguments.h"
#include "source/twain_source.h"

namespace {

// A TWAIN 2 application holds the source in state 7 from the end of the image
// until its MSG_ENDXFER, and cannot take the same image twice; a 1.x application
// keeps state 6 after a native transfer, as it always has.
TW_UINT16 AfterTransfer(CTwainSource& source, TW_UINT16 result) {
    if (result == TWRC_XFERDONE && source.ServesTwain2()) {
        source.Job.MarkImageDelivered();
        source.Session.MoveTo(StateTransferring);
    }
    return result;
}

}  // namespace

TW_UINT16 CTwainSource::HandleImage(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    const DataArgumentRow* row = FindDataArgument(ImageDataArguments(), dat, ServesTwain2());
    return row ? row->Answer(*this, msg, data) : Fail(TWCC_BADPROTOCOL);
}

namespace {

TW_UINT16 AnswerImageInfo(CTwainSource& source, TW_UINT16 msg, TW_MEMREF data) {
    if (!IsQueryMessage(msg)) return source.Fail(TWCC_BADPROTOCOL);
    return HandleImageInfo(source, static_cast<pTW_IMAGEINFO>(data));
}

TW_UINT16 AnswerImageLayout(CTwainSource& source, TW_UINT16 msg, TW_MEMREF data) {
    return HandleImageLayout(source, msg, static_cast<pTW_IMAGELAYOUT>(data));
}

// A transfer runs only when asked for with MSG_GET.
TW_UINT16 AnswerMemoryTransfer(CTwainSource& source, TW_UINT16 msg, TW_MEMREF data) {
    if (msg != MSG_GET) return source.Fail(TWCC_BADPROTOCOL);
    return AfterTransfer(source, HandleMemoryTransfer(source, static_cast<pTW_IMAGEMEMXFER>(data)));
}

TW_UINT16 AnswerPalette(CTwainSource& source, TW_UINT16 msg, TW_MEMREF data) {
    return HandlePalette(source, msg, static_cast<pTW_PALETTE8>(data));
}

TW_UINT16 AnswerNativeTransfer(CTwainSource& source, TW_UINT16 msg, TW_MEMREF data) {
    if (msg != MSG_GET) return source.Fail(TWCC_BADPROTOCOL);
    return AfterTransfer(source, HandleNativeTransfer(source, static_cast<TW_HANDLE*>(data)));
}

const DataArgumentRow ImageRows[] = {
    {DAT_IMAGEINFO, false, &AnswerImageInfo},
    {DAT_IMAGELAYOUT, false, &AnswerImageLayout},
    {DAT_IMAGEMEMXFER, false, &AnswerMemoryTransfer},
    {DAT_PALETTE8, false, &AnswerPalette},
    {DAT_IMAGENATIVEXFER, false, &AnswerNativeTransfer},
};

}  // namespace

DataArgumentTable ImageDataArguments() {
    return {DG_IMAGE, ImageRows, sizeof ImageRows / sizeof ImageRows[0]};
}

TW_UINT16 TransferRefusal(const CTwainSource& source, TransferKind kind) {
    const Model code = source.ModelCode();
    if (source.Settings.BitsPerPixel == 24 && IsMonochromeModel(code)) return TWCC_BADVALUE;
    if (code == Model::Unknown) return TWCC_NODS;
    if (source.Job.ImageDelivered()) return TWCC_SEQERROR;
    // In state 7 a memory block goes on with a memory image under way, never with
    // the native image that a device ending early left in state 7.
    const bool memoryImageUnderWay =
        source.Session.State() == StateTransferring && source.Job.BytesTransferred() > 0;
    const bool stateAccepted =
        kind == TransferKind::Native
            ? source.Session.State() == StateTransferReady
            : source.Session.State() == StateTransferReady || memoryImageUnderWay;
    return stateAccepted ? TWCC_SUCCESS : TWCC_SEQERROR;
}
