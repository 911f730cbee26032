#include "tools/twacquire/failure.h"

#include <cstdio>

#include "tools/twain_client.h"
#include "tools/twain_text.h"

void ReportFailure(CTwainClient& client, const std::string& what, TW_UINT16 rc, bool toManager) {
    TW_UINT16 condition = client.LastClientCondition();
    if (condition == 0)
        condition = toManager ? client.ManagerConditionCode() : client.SourceConditionCode();
    std::fprintf(stderr, "twacquire: %s failed: %s\n", what.c_str(),
                 DescribeFailure(rc, condition).c_str());
}

void ReportError(const std::string& message) {
    std::fprintf(stderr, "twacquire: %s\n", message.c_str());
}

void ReportWarning(const std::string& message) {
    std::fprintf(stderr, "twacquire: warning: %s\n", message.c_str());
}
