// The trace of the conversation: one line per triplet (time, origin, DG/DAT/MSG by
// name, the data that matters, return and condition code, state before and after)
// and one per call the source makes to the scanner, in one file a support engineer
// can read. Off unless the environment variable DUNMERE_TRACE or the registry value
// "Trace File" (HKEY_CURRENT_USER\Software\Brightmoor\DUNMERE.DLL) names a file;
// when off, each would-be line costs one test of a flag.
#pragma once

#include "platform/twain.h"

namespace trace {

// Opens the trace file named by the environment or the registry, if any.
void Start();
void Stop();

bool Enabled();

// One line, printf-style, after the time.
void Write(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A call the source made to the scanner and what it answered; returns `result`.
bool Device(bool result, const char* call);

// Everything about one triplet: what came in, then what went out.
class TripletLine {
public:
    TripletLine(const TW_IDENTITY* origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                TW_MEMREF data, int stateBefore);
    void Finish(TW_UINT16 rc, TW_UINT16 conditionCode, int stateAfter) const;

private:
    TW_UINT32 origin_;
    TW_UINT32 dg_;
    TW_UINT16 dat_;
    TW_UINT16 msg_;
    TW_MEMREF data_;
    int stateBefore_;
};

}  // namespace trace
