#include "platform/source_manager_link.h"

namespace platform {

const SourceManagerLinkApi RealSourceManagerLink = {&LoadLibraryA, &GetProcAddress, &FreeLibrary};
SourceManagerLinkApi SourceManagerLink = RealSourceManagerLink;

}  // namespace platform
