// Sets what the command line asks for on the open source (state 4).
#pragma once

#include <cstdint>

#include "tools/twacquire/options.h"

class CTwainClient;

// Pixel type first (it sets the bit depth that goes with it), then bit depth,
// resolutions, brightness, threshold, transfer mechanism, and last the frame, which
// the source turns into pixels at the resolutions just set. Stops at the first
// refusal, which it reports; false then.
bool Negotiate(CTwainClient& client, const AcquireOptions& options);

// Images up to this many bytes go by native transfer when the mechanism is auto:
// one block of that size is allocated comfortably even in a 32-bit process.
constexpr uint64_t NativeTransferLimit = 64ull << 20;

// --transfer auto, in state 4: the image the frame, resolutions and depth now set
// will give, estimated, and ICAP_XFERMECH set to native when its DIB stays within
// NativeTransferLimit, memory otherwise. False when the source refuses.
bool NegotiateAutomaticTransfer(CTwainClient& client);

// --auto-length, in state 4 once the transfer mechanism is settled:
// ICAP_AUTOMATICLENGTHDETECTION set TRUE and, for a memory transfer,
// ICAP_UNDEFINEDIMAGESIZE (a source that refuses it reports the length after the
// transfer). False, after one line saying so, when the source does not offer the
// detection.
bool NegotiateAutomaticLength(CTwainClient& client, bool memory);

// The rows of the frame the source reports (DAT_IMAGELAYOUT) at the image's
// resolution, rounded up: the longest sheet expected. 0 when it reports no frame.
uint32_t FrameRows(CTwainClient& client, const TW_IMAGEINFO& info);

// The transfer mechanism the source will use (ICAP_XFERMECH current value); native
// when it cannot be read.
TW_UINT16 CurrentTransferMechanism(CTwainClient& client);
