// The frame to be scanned, in inches: what DAT_IMAGELAYOUT and ICAP_FRAMES report
// and set, and what a paper size sets. Its one home is image_layout.cpp.
#pragma once

#include <cstdint>

#include "platform/twain.h"

class CTwainSource;

// The frame that will be scanned, as DAT_IMAGELAYOUT MSG_GET reports it to the
// connected application.
TW_FRAME CurrentFrame(const CTwainSource& source);

// The frame of the built-in scan parameters, at (0, 0).
TW_FRAME DefaultFrame();

// Sets the window to `frame`, fractions rounded to whole pixels (a TWAIN 2
// application's Left and Top place it; Left 0 keeps the scanner's centred feed),
// and rewrites `frame` as it will be scanned. A frame off the scanner's area or
// under a pixel is refused with TWCC_BADVALUE and changes nothing; a TWAIN 2
// application is answered TWRC_CHECKSTATUS when its frame had to move.
TW_UINT16 ApplyFrame(CTwainSource& source, TW_FRAME& frame);

// A new resolution across (X) or down (Y) for a TWAIN 2 application, whose frame
// is in inches: the window is rescaled to cover the same part of the paper, to the
// nearest pixel and within the scanner's width.
void ChangeResolutionKeepingFrame(CTwainSource& source, bool across, int32_t dpi);
