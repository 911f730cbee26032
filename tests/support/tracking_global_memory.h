// Global-memory seam that counts what passes through it, on top of whatever seam
// is installed (the real calls, or FailingGlobalMemory's). Tests use it to prove
// that a failed request leaves no block behind and that the source never frees an
// application's block. SourceTest::TearDown restores the real calls.
#pragma once

struct TrackingGlobalMemory {
    // Wraps the seam as it stands now and zeroes the counters.
    static void Install();
    static int Allocations;
    static int Frees;
    static int Locks;  // successful locks
    static int Unlocks;
    static int LiveBlocks() { return Allocations - Frees; }
    static int HeldLocks() { return Locks - Unlocks; }
};
