// The frame for applications that speak TWAIN 2: ICAP_FRAMES sets and reports it
// whole, ICAP_SUPPORTEDSIZES as a paper size, ICAP_MAXFRAMES says there is one.
// The frame's rules are DAT_IMAGELAYOUT's (image/image_frame.h), so every road to
// the frame ends in the same window; the papers are in paper_sizes.cpp.
#include <cmath>
#include <vector>

#include "capabilities/capability_answers.h"
#include "capabilities/containers.h"
#include "capabilities/paper_sizes.h"
#include "image/image_frame.h"
#include "source/twain_source.h"
#include "twain/fix32.h"

namespace {

// A paper is offered when it fits across the scanner standing upright.
bool FitsModel(const PaperSize& paper, Model model) {
    return paper.WidthInches() <= PhysicalWidthInches(model);
}

// TWSS_NONE, then the papers the model takes by ascending code.
std::vector<TW_UINT16> OfferedSizes(Model model) {
    std::vector<TW_UINT16> offered = {TWSS_NONE};
    for (const PaperSize& paper : PaperSizes())
        if (FitsModel(paper, model)) offered.push_back(paper.Code);
    return offered;
}

bool WithinAPixel(int32_t pixels, double inches, int32_t resolution) {
    return std::fabs(pixels - inches * resolution) <= 1.0;
}

// The window is the paper when it starts at (0, 0) and is the paper's width and
// length to within a pixel.
bool WindowIsPaper(const WindowDescriptorType& window, const PaperSize& paper) {
    return window.XOffset == 0 && window.YOffset == 0 &&
           WithinAPixel(window.ScanWidth, paper.WidthInches(), window.XResolution) &&
           WithinAPixel(window.ScanLength, paper.LengthInches(), window.YResolution);
}

TW_FRAME PaperFrame(const PaperSize& paper) {
    return {FloatToFix32(0.0), FloatToFix32(0.0), FloatToFix32(paper.WidthInches()),
            FloatToFix32(paper.LengthInches())};
}

TW_UINT32 PositionOf(const std::vector<TW_UINT16>& list, TW_UINT32 value) {
    for (TW_UINT32 i = 0; i < list.size(); ++i)
        if (list[i] == value) return i;
    return 0;
}

TW_UINT16 CurrentSizeReply(CTwainSource& source, pTW_CAPABILITY capability) {
    return source.MakeOneValue(capability, TWTY_UINT16, CurrentPaperSize(source));
}

TW_UINT16 CurrentFrameReply(CTwainSource& source, pTW_CAPABILITY capability) {
    return source.MakeFrameOneValue(capability, CurrentFrame(source));
}

// MSG_RESET of either: the default frame, then the reply; a reset whose reply
// cannot be built changes nothing.
TW_UINT16 ResetFrame(CTwainSource& source, pTW_CAPABILITY capability,
                     TW_UINT16 (*reply)(CTwainSource&, pTW_CAPABILITY)) {
    const ScanSettings before = source.Settings;
    TW_FRAME frame = DefaultFrame();
    if (ApplyFrame(source, frame) == TWRC_FAILURE) return TWRC_FAILURE;
    const TW_UINT16 result = reply(source, capability);
    if (result != TWRC_SUCCESS) source.Settings = before;
    return result;
}

// A listed paper becomes the frame at (0, 0), where the scanner's centred feed
// applies; the frame is the paper to within a pixel, which is what was asked.
// TWSS_NONE keeps the frame as it is: no paper size is imposed on it.
TW_UINT16 SetPaperSize(CTwainSource& source, pTW_CAPABILITY capability) {
    int32_t requested;
    TW_UINT16 result;
    if (!ReadTwain2Request(source, capability, requested, result)) return result;
    if (requested == TWSS_NONE) return TWRC_SUCCESS;
    const PaperSize* paper = requested > 0 && requested <= 0xFFFF
                                 ? FindPaperSize(static_cast<TW_UINT16>(requested))
                                 : nullptr;
    if (!paper || !FitsModel(*paper, source.ModelCode())) return source.Fail(TWCC_BADVALUE);
    TW_FRAME frame = PaperFrame(*paper);
    result = ApplyFrame(source, frame);
    return result == TWRC_CHECKSTATUS ? TWRC_SUCCESS : result;
}

}  // namespace

TW_UINT32 CurrentPaperSize(const CTwainSource& source) {
    const Model model = source.ModelCode();
    for (const PaperSize& paper : PaperSizes())
        if (FitsModel(paper, model) && WindowIsPaper(source.Settings, paper)) return paper.Code;
    return TWSS_NONE;
}

// MSG_GET lists the offered sizes; the current and default answers are the row's.
TW_UINT16 Twain2SupportedSizes(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability) {
    switch (msg) {
    case MSG_GET: {
        const std::vector<TW_UINT16> offered = OfferedSizes(source.ModelCode());
        const EnumerationHeader header = {TWTY_UINT16, static_cast<TW_UINT32>(offered.size()),
                                          PositionOf(offered, CurrentPaperSize(source)), 0};
        return source.MakeEnumeration(capability, header, offered.data());
    }
    case MSG_RESET:
        return ResetFrame(source, capability, &CurrentSizeReply);
    default:
        return SetPaperSize(source, capability);
    }
}

// One frame: every get is a one value; MSG_SET takes a one value or an
// enumeration's current entry and sets it as DAT_IMAGELAYOUT would.
TW_UINT16 Twain2Frames(CTwainSource& source, TW_UINT16 msg, pTW_CAPABILITY capability) {
    switch (msg) {
    case MSG_GET:
    case MSG_GETCURRENT:
        return CurrentFrameReply(source, capability);
    case MSG_GETDEFAULT:
        return source.MakeFrameOneValue(capability, DefaultFrame());
    case MSG_RESET:
        return ResetFrame(source, capability, &CurrentFrameReply);
    default: {
        TW_FRAME frame;
        ApplicationContainer container(*capability);
        if (!container.FrameValue(frame)) return source.Fail(TWCC_BADVALUE);
        return ApplyFrame(source, frame);
    }
    }
}

// One frame a page: more is kept at one with TWRC_CHECKSTATUS; none is refused.
TW_UINT16 Twain2MaxFrames(CTwainSource& source, TW_UINT16, pTW_CAPABILITY capability) {
    int32_t requested;
    TW_UINT16 result;
    if (!ReadTwain2Request(source, capability, requested, result)) return result;
    if (requested == 1) return TWRC_SUCCESS;
    return requested > 1 ? TWRC_CHECKSTATUS : source.Fail(TWCC_BADVALUE);
}
