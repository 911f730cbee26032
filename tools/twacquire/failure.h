// twacquire's messages for a failed TWAIN operation.
#pragma once

#include <string>

#include "platform/twain.h"

class CTwainClient;

// Prints "twacquire: <what> failed: <return code>, <condition code>: <meaning>" on
// stderr. The condition code is the client's own reason when the client refused the
// operation, otherwise the source's (toManager: the Source Manager's) DAT_STATUS.
void ReportFailure(CTwainClient& client, const std::string& what, TW_UINT16 rc,
                   bool toManager = false);

void ReportError(const std::string& message);
void ReportWarning(const std::string& message);
