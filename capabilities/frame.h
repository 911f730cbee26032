// The frame to be scanned, in inches: what DAT_IMAGELAYOUT and ICAP_FRAMES report
// and set, what a paper size sets, and what a new resolution keeps. A TWAIN 1.x
// application is told the frame's size alone, at (0, 0). A TWAIN 2 application
// also where it lies, measured from the top left of the scanner's area: a window
// at X offset 0 is centred on the feed, where the sheet is, and reported there; any
// other starts that many pixels from the area's left edge (at least one: the
// device takes 0 for the centred window).
#pragma once

#include <cstdint>

#include "engine/models.h"
#include "engine/scan_plan.h"
#include "platform/twain.h"
#include "settings/scan_settings.h"

// The frame that was asked for.
TW_FRAME CurrentFrame(const ScanSettings& asked, Model model, bool twain2);
// The frame of the planned image: its width as delivered, `length` rows long (the
// plan's length while the rows scanned are not known).
TW_FRAME PlannedFrame(const ScanPlan& plan, int32_t length, bool twain2);
// The frame of the built-in scan parameters, 2 x 2 inches, centred on the feed in
// whole pixels at `xResolution`.
TW_FRAME DefaultFrame(Model model, int32_t xResolution);
// A frame of this size centred on the feed, as whole pixels at `xResolution`.
TW_FRAME CentredFrame(Model model, int32_t xResolution, double width, double length);

// Sets the window to `frame`, fractions rounded to whole pixels (a TWAIN 2
// application's Left and Top place it; Left 0 keeps the scanner's centred feed),
// and rewrites `frame` as it will be scanned. A frame off the scanner's area or
// under a pixel is refused with TWCC_BADVALUE in `condition` and changes nothing; a
// TWAIN 2 application is answered TWRC_CHECKSTATUS when its frame had to move.
TW_UINT16 ApplyFrame(ScanSettings& asked, Model model, bool twain2, TW_FRAME& frame,
                     TW_UINT16& condition);

// A new resolution across (X) or down (Y) for a TWAIN 2 application, whose frame is
// in inches: the window is rescaled to cover the same part of the paper, to the
// nearest pixel and within the scanner's width.
void ChangeResolutionKeepingFrame(ScanSettings& asked, Model model, bool across, int32_t dpi);
