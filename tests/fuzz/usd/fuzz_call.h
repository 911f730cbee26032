// One call of the fuzzer: which method of the driver (or of its module) and the
// small argument choices it is made with, as generated from a seed and as written
// in a replayable line ("t<thread>:<method>:<a>,<b>,<c>,<d>").
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace usdfuzz {

enum class Method : uint8_t {
    Initialize,
    GetCapabilities,
    GetStatus,
    DeviceReset,
    Diagnostic,
    Escape,
    GetLastError,
    LockDevice,
    UnLockDevice,
    RawReadData,
    RawWriteData,
    RawReadCommand,
    RawWriteCommand,
    SetNotificationHandle,
    GetNotificationData,
    GetLastErrorInfo,
    QueryInterface,
    AddRefRelease,
    CreateInstance,
    LockServer,
    Count
};

struct Call {
    int Thread = 0;
    Method What = Method::Initialize;
    uint32_t Args[4] = {};
};

using CallList = std::vector<Call>;

// Interfaces asked for: IUnknown, IStiUSD, IClassFactory, IStiDeviceControl, one
// no one serves, and none at all (a null identifier).
constexpr uint32_t InterfaceChoices = 6;
// How the class object is asked for: as IClassFactory or IUnknown; then refused
// for another class, for IStiUSD, for a null class and for a null interface.
constexpr uint32_t ClassObjectChoices = 6;

const char* MethodName(Method method);
std::string Token(const Call& call);
std::string Tokens(const CallList& calls);
// Reads tokens separated by blanks or ';'; false (with the bad token in *error)
// when one does not parse.
bool ParseTokens(const std::string& text, CallList* calls, std::string* error);

// The calls of one thread, drawn from the generator; Initialize is weighted up
// so that rebinding meets every other method often.
CallList GenerateCalls(std::mt19937_64& random, int thread, int count);

// The calls split by thread; the list has as many entries as the highest thread
// number plus one.
std::vector<CallList> ByThread(const CallList& calls);

}  // namespace usdfuzz
