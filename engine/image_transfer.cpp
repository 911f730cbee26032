// DG_IMAGE triplets. (Being built: image information, layout and the transfers.)
#include "source/twain_source.h"

TW_UINT16 CTwainSource::HandleImage(TW_UINT16, TW_UINT16, TW_MEMREF) {
    return Fail(TWCC_BADPROTOCOL);
}
