// DG_CONTROL/DAT_CAPABILITY. (Being built: the capability table.)
#include "source/twain_source.h"

TW_UINT16 CTwainSource::HandleCapability(TW_UINT16, pTW_CAPABILITY) { return Fail(TWCC_BADCAP); }
