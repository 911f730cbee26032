// Everything the next scan has been asked to be: by an application's capabilities
// and frame, by the user in the dialog, by the stored settings or by a settings
// block an application hands back. A plain value: a change that fails or is
// refused is undone by putting back a copy taken before it.
#pragma once

#include "platform/twain.h"
#include "settings/scan_settings.h"

struct Negotiated {
    ScanSettings Scan;
    TW_UINT16 TransferMechanism = TWSX_NATIVE;
    // CAP_INDICATORS as a TWAIN 2 application set it (TRUE at the open).
    bool Indicators = true;
};

inline bool operator==(const Negotiated& a, const Negotiated& b) {
    return a.Scan == b.Scan && a.TransferMechanism == b.TransferMechanism &&
           a.Indicators == b.Indicators;
}
