// The frame for applications that speak TWAIN 2: ICAP_FRAMES sets and reports it
// whole, ICAP_SUPPORTEDSIZES as a paper size. The frame's rules are
// DAT_IMAGELAYOUT's (frame.h), so every road to the frame ends in the same window.
#include <cmath>
#include <vector>

#include "capabilities/capability_table.h"
#include "capabilities/frame.h"
#include "capabilities/paper_sizes.h"
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

// The window is the paper when it is centred on the feed, starts at the top and is
// the paper's width and length to within a pixel.
bool WindowIsPaper(const ScanSettings& scan, const PaperSize& paper) {
    return scan.XOffset == 0 && scan.YOffset == 0 &&
           WithinAPixel(scan.ScanWidth, paper.WidthInches(), scan.XResolution) &&
           WithinAPixel(scan.ScanLength, paper.LengthInches(), scan.YResolution);
}

// The paper size the window is (TWSS_), else TWSS_NONE.
TW_UINT16 CurrentPaperSize(CapabilityCall& call) {
    const Model model = call.Scanner();
    for (const PaperSize& paper : PaperSizes())
        if (FitsModel(paper, model) && WindowIsPaper(call.Scan(), paper)) return paper.Code;
    return TWSS_NONE;
}

TW_UINT32 PositionOf(const std::vector<TW_UINT16>& list, TW_UINT32 value) {
    for (TW_UINT32 i = 0; i < list.size(); ++i)
        if (list[i] == value) return i;
    return 0;
}

TW_UINT16 Apply(CapabilityCall& call, TW_FRAME& frame) {
    TW_UINT16 condition = TWCC_SUCCESS;
    const TW_UINT16 result = ApplyFrame(call.Scan(), call.Scanner(), true, frame, condition);
    return result == TWRC_FAILURE ? call.Fail(condition) : result;
}

// The default frame, whose whole pixels are not news to anyone.
TW_UINT16 ResetFrame(CapabilityCall& call) {
    TW_FRAME frame = DefaultFrame(call.Scanner(), call.Scan().XResolution);
    return Apply(call, frame) == TWRC_FAILURE ? TWRC_FAILURE : TWRC_SUCCESS;
}

// A listed paper becomes the frame centred on the feed, at the top, where the
// sheet is; the frame is the paper to within a pixel, which is what was asked.
// TWSS_NONE keeps the frame as it is: no paper size is imposed on it.
TW_UINT16 SetPaperSize(CapabilityCall& call) {
    int32_t requested;
    if (!call.ReadNumber(requested)) return TWRC_FAILURE;
    if (requested == TWSS_NONE) return TWRC_SUCCESS;
    const PaperSize* paper = requested > 0 && requested <= 0xFFFF
                                 ? FindPaperSize(static_cast<TW_UINT16>(requested))
                                 : nullptr;
    if (!paper || !FitsModel(*paper, call.Scanner())) return call.Fail(TWCC_BADVALUE);
    TW_FRAME frame = CentredFrame(call.Scanner(), call.Scan().XResolution, paper->WidthInches(),
                                  paper->LengthInches());
    const TW_UINT16 result = Apply(call, frame);
    return result == TWRC_CHECKSTATUS ? TWRC_SUCCESS : result;
}

}  // namespace

TW_UINT16 AnswerSupportedSizes(CapabilityCall& call) {
    switch (call.Message()) {
    case MSG_GET: {
        const std::vector<TW_UINT16> offered = OfferedSizes(call.Scanner());
        return call.Enumeration(TWTY_UINT16, static_cast<TW_UINT32>(offered.size()),
                                PositionOf(offered, CurrentPaperSize(call)), 0, offered.data());
    }
    case MSG_GETDEFAULT:
        return call.OneValue(TWTY_UINT16, TWSS_NONE);
    case MSG_RESET:
        if (ResetFrame(call) == TWRC_FAILURE) return TWRC_FAILURE;
        return call.OneValue(TWTY_UINT16, CurrentPaperSize(call));
    case MSG_SET:
        return SetPaperSize(call);
    default:
        return call.OneValue(TWTY_UINT16, CurrentPaperSize(call));
    }
}

// One frame: every get is a one value; MSG_SET takes a one value or an
// enumeration's current entry and sets it as DAT_IMAGELAYOUT would.
TW_UINT16 AnswerFrames(CapabilityCall& call) {
    switch (call.Message()) {
    case MSG_GETDEFAULT:
        return call.FrameValue(DefaultFrame(call.Scanner(), call.Scan().XResolution));
    case MSG_RESET:
        if (ResetFrame(call) == TWRC_FAILURE) return TWRC_FAILURE;
        return call.FrameValue(CurrentFrame(call.Scan(), call.Scanner(), true));
    case MSG_SET: {
        TW_FRAME frame;
        if (!call.ReadFrame(frame)) return TWRC_FAILURE;
        return Apply(call, frame);
    }
    default:
        return call.FrameValue(CurrentFrame(call.Scan(), call.Scanner(), true));
    }
}
