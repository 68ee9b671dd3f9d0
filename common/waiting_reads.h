// Reads that could not be stored in card2 (held busy past the wait, a
// damaged or missing file, a save folder out of reach) wait here with their
// photo until they can be: a small SQLite file of its own in the settings
// folder, written durably, so that they survive a restart or a kill.
#pragma once

#include "common/card_database.h"

inline constexpr wchar_t kWaitingReadsFileName[] = L"waiting_reads.db";

// Adds read, with the bitmap file photo (null or missing: it waits without
// one), after every read already waiting. 0, else the SQLite code.
int QueueWaitingRead(const StoredRead& read, const wchar_t* photo);
// How many reads wait: 0 when none (or no queue file), negative when the
// queue cannot be read.
int CountWaitingReads();
// Archives the oldest waiting read's photo, stores its row in card2 and
// takes it off the queue, so that it is stored exactly once even when the
// process dies half-way. 0 when one was stored, SQLITE_DONE when none waits,
// else the SQLite code of the failed step (the read goes on waiting).
int StoreOldestWaitingRead(int waitMs);
