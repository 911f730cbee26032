#include "platform/global_memory.h"

namespace platform {

const GlobalMemoryApi RealGlobalMemory = {&GlobalAlloc, &GlobalLock, &GlobalUnlock, &GlobalFree,
                                          &GlobalSize};
GlobalMemoryApi GlobalMemory = RealGlobalMemory;

}  // namespace platform
