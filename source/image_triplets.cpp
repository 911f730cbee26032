// DG_IMAGE: the image description, the frame, the palette and the two transfers.
// From the announcement on (states 6 and 7) each reads the scan job's plan; before
// it, the plan of what has been asked.
#include "capabilities/frame.h"
#include "engine/image_description.h"
#include "source/twain_source.h"

bool CTwainSource::Announced() const {
    const TwainState state = session_.State();
    return state == TwainState::TransferReady || state == TwainState::Transferring;
}

ScanPlan CTwainSource::PlanNow() const {
    return Announced() ? job_.Plan() : PlanScan(negotiated_, ModelCode());
}

// A TWAIN 2 application may ask in state 7 as well, during and after the transfer.
TW_UINT16 CTwainSource::AnswerImageInfo(TW_UINT16 msg, TW_MEMREF data) {
    if (!IsQueryMessage(msg)) return Fail(TWCC_BADPROTOCOL);
    const TwainState state = session_.State();
    const bool answered = state == TwainState::TransferReady ||
                          (state == TwainState::Transferring && session_.Twain2Application());
    if (!answered) return Fail(TWCC_SEQERROR);
    if (!data) return Fail(TWCC_BADVALUE);
    DescribeImage(job_.Plan(), job_.ImageLength(), *static_cast<pTW_IMAGEINFO>(data));
    return TWRC_SUCCESS;
}

TW_UINT16 CTwainSource::AnswerImageLayout(TW_UINT16 msg, TW_MEMREF data) {
    auto* layout = static_cast<pTW_IMAGELAYOUT>(data);
    const bool twain2 = session_.Twain2Application();
    const TwainState state = session_.State();
    switch (msg) {
    case MSG_GET:
    case MSG_GETDEFAULT: {
        // A TWAIN 2 application that has had the image is told the frame scanned.
        const bool scanned = twain2 && msg == MSG_GET && job_.ImageDelivered();
        if (state == TwainState::Transferring && !scanned) return Fail(TWCC_SEQERROR);
        if (!layout) return Fail(TWCC_BADVALUE);
        if (msg == MSG_GETDEFAULT)
            // A TWAIN 2 application is told the frame a reset returns to.
            layout->Frame =
                twain2 ? DefaultFrame(ModelCode(), negotiated_.Scan.XResolution) : TW_FRAME();
        else if (Announced())
            layout->Frame = PlannedFrame(job_.Plan(), job_.ImageLength(), twain2);
        else
            layout->Frame = CurrentFrame(negotiated_.Scan, ModelCode(), twain2);
        layout->DocumentNumber = 1;
        layout->PageNumber = 1;
        layout->FrameNumber = 1;
        return TWRC_SUCCESS;
    }
    case MSG_SET: {
        if (state != TwainState::Open) return Fail(TWCC_SEQERROR);
        if (!layout) return Fail(TWCC_BADVALUE);
        TW_UINT16 condition = TWCC_SUCCESS;
        const TW_UINT16 result =
            ApplyFrame(negotiated_.Scan, ModelCode(), twain2, layout->Frame, condition);
        return result == TWRC_FAILURE ? Fail(condition) : result;
    }
    case MSG_RESET: {
        if (state != TwainState::Open) return Fail(TWCC_SEQERROR);
        // A 1.x application's reset clears the whole window, as it always did; a
        // TWAIN 2 application's resets the frame alone.
        if (!twain2) {
            negotiated_.Scan.ClearWindow();
            return TWRC_SUCCESS;
        }
        TW_FRAME frame = DefaultFrame(ModelCode(), negotiated_.Scan.XResolution);
        TW_UINT16 condition = TWCC_SUCCESS;
        if (ApplyFrame(negotiated_.Scan, ModelCode(), true, frame, condition) == TWRC_FAILURE)
            return Fail(condition);
        return TWRC_SUCCESS;
    }
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}

// MSG_GET and MSG_GETDEFAULT: the colour table of a palette or 8-bit grey image,
// for an application that receives the image by memory transfer and needs the
// colours its indices stand for.
TW_UINT16 CTwainSource::AnswerPalette(TW_UINT16 msg, TW_MEMREF data) {
    if (msg != MSG_GET && msg != MSG_GETDEFAULT) return Fail(TWCC_BADPROTOCOL);
    if (session_.State() < TwainState::Open) return Fail(TWCC_SEQERROR);
    if (!data) return Fail(TWCC_BADVALUE);
    const ScanPlan plan = PlanNow();
    // Bilevel and RGB images carry no palette an application could use.
    if (!plan.HasPalette) return Fail(TWCC_BADPROTOCOL);
    DescribePalette(plan, *static_cast<pTW_PALETTE8>(data));
    return TWRC_SUCCESS;
}

TW_UINT16 CTwainSource::TransferRefusal(bool native) const {
    // Asked for every block: the announced plan is read where it stands.
    const TW_UINT16 refusal = Announced() ? job_.Plan().Refusal : PlanNow().Refusal;
    if (refusal != TWCC_SUCCESS) return refusal;
    if (job_.ImageDelivered()) return TWCC_SEQERROR;
    // In state 7 a memory block goes on with a memory image under way, never with
    // the native image that a device ending early left in state 7.
    const TwainState state = session_.State();
    if (state == TwainState::TransferReady) return TWCC_SUCCESS;
    const bool memoryImageUnderWay =
        state == TwainState::Transferring && job_.MemoryImageUnderWay();
    return !native && memoryImageUnderWay ? TWCC_SUCCESS : TWCC_SEQERROR;
}

TW_UINT16 CTwainSource::AfterTransfer(const TransferOutcome& outcome) {
    if (outcome.ReturnCode == TWRC_FAILURE) return Fail(outcome.ConditionCode);
    const bool twain2Done = outcome.ReturnCode == TWRC_XFERDONE && session_.Twain2Application();
    if (twain2Done) job_.MarkImageDelivered();
    if (twain2Done || outcome.ReturnCode == TWRC_SUCCESS || outcome.CompletedWithZeroRows)
        session_.MoveTo(TwainState::Transferring);
    return outcome.ReturnCode;
}

// A transfer runs only when asked for with MSG_GET.
TW_UINT16 CTwainSource::AnswerMemoryTransfer(TW_UINT16 msg, TW_MEMREF data) {
    if (msg != MSG_GET) return Fail(TWCC_BADPROTOCOL);
    if (TW_UINT16 refusal = TransferRefusal(false)) return Fail(refusal);
    auto* memory = static_cast<pTW_IMAGEMEMXFER>(data);
    if (!memory) return Fail(TWCC_BADVALUE);
    const bool startsImage = session_.State() == TwainState::TransferReady;
    return AfterTransfer(job_.TransferBlock(*memory, session_.Twain2Application(), startsImage));
}

TW_UINT16 CTwainSource::AnswerNativeTransfer(TW_UINT16 msg, TW_MEMREF data) {
    if (msg != MSG_GET) return Fail(TWCC_BADPROTOCOL);
    if (TW_UINT16 refusal = TransferRefusal(true)) return Fail(refusal);
    auto* handle = static_cast<TW_HANDLE*>(data);
    if (!handle) return Fail(TWCC_BADVALUE);
    return AfterTransfer(job_.TransferNative(Handout(), *handle));
}
