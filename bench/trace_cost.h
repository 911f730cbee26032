// What the source's trace of the conversation costs: the same memory transfer,
// one row per block so that nearly every triplet is a block, with the trace off
// and with it on, and the time of a triplet that does no work in both.
#pragma once

class CTwainClient;

// Reopens the source for each setting (the source reads DUNMERE_TRACE when it is
// opened) and leaves it open with the trace off.
void ReportTraceCost(CTwainClient& client, int runs);
