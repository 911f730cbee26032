// Everything the next scan has been asked to be: by an application's capabilities
// and frame, by the user in the dialog, by the stored settings or by a settings
// block an application hands back. A plain value: a change that fails or is
// refused is undone by putting back a copy taken before it.
#pragma once

#include <cstdint>

#include "platform/twain.h"
#include "settings/scan_settings.h"

struct Negotiated {
    ScanSettings Scan;
    TW_UINT16 TransferMechanism = TWSX_NATIVE;
    // What only a TWAIN 2 application negotiates: CAP_INDICATORS, CAP_XFERCOUNT (-1:
    // as many as there are; the source scans one sheet an acquisition whatever it
    // is), ICAP_AUTOMATICLENGTHDETECTION and ICAP_UNDEFINEDIMAGESIZE.
    bool Indicators = true;
    int16_t TransferCount = -1;
    bool AutomaticLength = false;
    bool UndefinedImageSize = false;
};

inline bool operator==(const Negotiated& a, const Negotiated& b) {
    return a.Scan == b.Scan && a.TransferMechanism == b.TransferMechanism &&
           a.Indicators == b.Indicators && a.TransferCount == b.TransferCount &&
           a.AutomaticLength == b.AutomaticLength && a.UndefinedImageSize == b.UndefinedImageSize;
}
