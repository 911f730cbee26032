// Shrinking a sequence of calls that gives a finding to a short one that still
// does: every try runs in a new process of this program (--replay), so a crash
// or a hang counts as a finding and leaves the minimising process alone.
#pragma once

#include "tests/fuzz/usd/fuzz_call.h"

namespace usdfuzz {

// How many times a replay runs its calls: a race may need several tries.
int ReplayRepeats(const CallList& calls);

// True when the calls, replayed in a new process, give a finding.
bool ReproducesInChild(const CallList& calls);

// The shortest sub-sequence found (delta debugging over single calls, within a
// bounded number of tries) that still reproduces in a new process; the calls
// unchanged when they do not reproduce at all.
CallList Minimise(const CallList& calls, bool* reproduced);

}  // namespace usdfuzz
