#include "twain/identity.h"

#include <cstring>

void CopyIdentityString(char* field, size_t size, const char* text) {
    std::memset(field, 0, size);
    std::strncpy(field, text, size - 1);
}

TW_IDENTITY MakeIdentity(TW_UINT32 id, const char* productName) {
    TW_IDENTITY identity = {};
    identity.Id = id;
    identity.Version.MajorNum = 1;
    identity.ProtocolMajor = 1;
    identity.ProtocolMinor = 9;
    identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
    CopyIdentityString(identity.ProductName, sizeof identity.ProductName, productName);
    return identity;
}
