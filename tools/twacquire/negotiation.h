// Sets what the command line asks for on the open source (state 4).
#pragma once

#include "tools/twacquire/options.h"

class CTwainClient;

// Pixel type first (it sets the bit depth that goes with it), then bit depth,
// resolutions, brightness, threshold, transfer mechanism, and last the frame, which
// the source turns into pixels at the resolutions just set. Stops at the first
// refusal, which it reports; false then.
bool Negotiate(CTwainClient& client, const AcquireOptions& options);

// The transfer mechanism the source will use (ICAP_XFERMECH current value); native
// when it cannot be read.
TW_UINT16 CurrentTransferMechanism(CTwainClient& client);
