// The identity an application presents to the Source Manager and the source.
#pragma once

#include "platform/twain.h"

// A TWAIN 1.x application's identity: version 1.0, protocol 1.9, the control and
// image data groups, and the product name (cut to the field's 33 characters); every
// other field zero.
TW_IDENTITY MakeIdentity(TW_UINT32 id, const char* productName);

// Copies text into a TW_STR32-style field of the given size, cut to fit and
// zero-filled after it.
void CopyIdentityString(char* field, size_t size, const char* text);
