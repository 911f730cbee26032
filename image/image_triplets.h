// The DG_IMAGE triplets, one concern each, reached through CTwainSource::HandleImage.
// Each returns a TWAIN return code and leaves the condition code set on failure.
#pragma once

#include "platform/twain.h"

class CTwainSource;

TW_UINT16 HandleImageInfo(CTwainSource& source, pTW_IMAGEINFO info);
TW_UINT16 HandleImageLayout(CTwainSource& source, TW_UINT16 msg, pTW_IMAGELAYOUT layout);
// MSG_GET and MSG_GETDEFAULT: the colour table of a palette or 8-bit grey image.
TW_UINT16 HandlePalette(CTwainSource& source, TW_UINT16 msg, pTW_PALETTE8 palette);
TW_UINT16 HandleMemoryTransfer(CTwainSource& source, pTW_IMAGEMEMXFER memory);
// `handle` is the application's variable that receives the DIB's handle (32 bits
// in a 32-bit process, 64 in a 64-bit one).
TW_UINT16 HandleNativeTransfer(CTwainSource& source, TW_HANDLE* handle);

enum class TransferKind { Memory, Native };

// The refusals both transfers make before anything is scanned: colour on a model
// that has none, a scanner that was not recognised, the wrong state. TWCC_SUCCESS
// when none applies.
TW_UINT16 TransferRefusal(const CTwainSource& source, TransferKind kind);
