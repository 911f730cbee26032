#include "tests/fuzz/usd/fuzz_call.h"

#include "tests/fuzz/usd/fuzz_host.h"

#include <cstdio>
#include <cstring>
#include <sstream>

namespace usdfuzz {
namespace {

const char* const MethodNames[] = {
    "Initialize",          "GetCapabilities",
    "GetStatus",           "DeviceReset",
    "Diagnostic",          "Escape",
    "GetLastError",        "LockDevice",
    "UnLockDevice",        "RawReadData",
    "RawWriteData",        "RawReadCommand",
    "RawWriteCommand",     "SetNotificationHandle",
    "GetNotificationData", "GetLastErrorInfo",
    "QueryInterface",      "AddRefRelease",
    "CreateInstance",      "LockServer",
};
static_assert(sizeof(MethodNames) / sizeof(MethodNames[0]) == size_t(Method::Count),
              "a name for every method");

uint32_t Pick(std::mt19937_64& random, uint32_t choices) {
    return uint32_t(random() % choices);
}

// A size that is often 0, often just around a record's size, sometimes anything
// that still fits a guarded buffer.
uint32_t BufferSize(std::mt19937_64& random) {
    switch (Pick(random, 4)) {
    case 0:
        return 0;
    case 1:
        return uint32_t(sizeof(SCSISCAN_CMD)) - 1 + Pick(random, 3);
    case 2:
        return uint32_t(sizeof(SCSISCAN_INFO)) - 1 + Pick(random, 3);
    default:
        return Pick(random, GuardedBuffer::Capacity + 1);
    }
}

uint32_t EscapeCode(std::mt19937_64& random) {
    switch (Pick(random, 5)) {
    case 0:
    case 1:
        return 0x1001;
    case 2:
    case 3:
        return 0x1002;
    default:
        return uint32_t(random());
    }
}

}  // namespace

const char* MethodName(Method method) {
    return MethodNames[size_t(method)];
}

std::string Token(const Call& call) {
    char text[96];
    std::snprintf(
        text, sizeof(text), "t%d:%s:%lu,%lu,%lu,%lu", call.Thread, MethodName(call.What),
        static_cast<unsigned long>(call.Args[0]), static_cast<unsigned long>(call.Args[1]),
        static_cast<unsigned long>(call.Args[2]), static_cast<unsigned long>(call.Args[3]));
    return text;
}

std::string Tokens(const CallList& calls) {
    std::string text;
    for (const Call& call : calls) {
        text += (text.empty() ? "" : " ") + Token(call);
    }
    return text;
}

bool ParseTokens(const std::string& text, CallList* calls, std::string* error) {
    std::string spaced = text;
    for (char& c : spaced) {
        if (c == ';' || c == '\n' || c == '\r' || c == '\t') {
            c = ' ';
        }
    }
    std::istringstream stream(spaced);
    std::string token;
    while (stream >> token) {
        Call call;
        char name[64] = {};
        unsigned long a[4] = {};
        if (std::sscanf(token.c_str(), "t%d:%63[A-Za-z]:%lu,%lu,%lu,%lu", &call.Thread, name, &a[0],
                        &a[1], &a[2], &a[3]) != 6 ||
            call.Thread < 0 || call.Thread >= MaxThreads) {
            *error = token;
            return false;
        }
        size_t method = 0;
        while (method < size_t(Method::Count) && std::strcmp(MethodNames[method], name) != 0) {
            ++method;
        }
        if (method == size_t(Method::Count)) {
            *error = token;
            return false;
        }
        call.What = Method(method);
        for (int i = 0; i < 4; ++i) {
            call.Args[i] = uint32_t(a[i]);
        }
        calls->push_back(call);
    }
    return true;
}

CallList GenerateCalls(std::mt19937_64& random, int thread, int count) {
    CallList calls;
    for (int i = 0; i < count; ++i) {
        Call call;
        call.Thread = thread;
        // One call in four is an Initialize, the rest spread over every method.
        call.What = Pick(random, 4) == 0 ? Method::Initialize
                                         : Method(Pick(random, uint32_t(Method::Count)));
        uint32_t* a = call.Args;
        switch (call.What) {
        case Method::Initialize:
            a[0] = Pick(random, ControlCount + 1);  // 0: no device control
            break;
        case Method::GetStatus:
            a[0] = Pick(random, 4) != 0;
            a[1] = Pick(random, 2) ? Pick(random, 4) : uint32_t(random());
            a[2] = uint32_t(random());
            break;
        case Method::DeviceReset:
            a[0] = Pick(random, 2) ? 0 : uint32_t(random() & 0xFFFF);
            break;
        case Method::Escape:
            a[0] = EscapeCode(random);
            a[1] = BufferSize(random);
            a[2] = BufferSize(random);
            a[3] = Pick(random, 4) != 0;
            break;
        case Method::RawReadData:
        case Method::RawWriteData:
        case Method::RawReadCommand:
        case Method::RawWriteCommand:
            a[0] = Pick(random, 2);
            a[1] = BufferSize(random);
            break;
        case Method::SetNotificationHandle:
        case Method::GetLastError:
            a[0] = Pick(random, 4);
            break;
        case Method::GetLastErrorInfo:
            a[0] = Pick(random, 5);
            break;
        case Method::QueryInterface:
        case Method::CreateInstance:
            a[0] = Pick(random, InterfaceChoices);
            a[1] = Pick(random, 2);
            a[2] = Pick(random, 5) == 0;
            a[3] = Pick(random, ClassObjectChoices);
            break;
        default:
            a[0] = Pick(random, 4) != 0;  // the record, or a null pointer
            break;
        }
        calls.push_back(call);
    }
    return calls;
}

std::vector<CallList> ByThread(const CallList& calls) {
    std::vector<CallList> threads;
    for (const Call& call : calls) {
        if (size_t(call.Thread) >= threads.size()) {
            threads.resize(call.Thread + 1);
        }
        threads[call.Thread].push_back(call);
    }
    if (threads.empty()) {
        threads.resize(1);
    }
    return threads;
}

}  // namespace usdfuzz
