// The source's side of its Scan Parameters dialog: created on enable with the user
// interface, brought to the top if it already exists, destroyed on disable and unload.
#include "source/twain_source.h"

void CTwainSource::ShowScanDialog() {
    // The dialog itself is not built yet: enabling with the user interface shows
    // nothing, loads no stored settings, and leaves the source enabled (state 5).
}

void CTwainSource::DestroyDialog() { ScanDialog = nullptr; }

bool CTwainSource::PreTranslateMessage(MSG*) { return false; }
