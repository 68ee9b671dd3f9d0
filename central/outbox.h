// The outbox of central records: a table of card2 that holds a copy of
// every read stored since central records were turned on, with the photo
// bytes the reader delivered, until the server has committed it. A row is
// queued in the transaction that stores the read, and leaves only after the
// server's commit, so nothing is lost across a kill or a power cut; the
// server ignores a read it already has, so a resend is harmless.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/card_database.h"

// Creates the outbox and its state table in card2 when they are missing.
// 0, else the SQLite code.
int CreateCentralOutbox(int waitMs);
// From now on every read a store inserts into card2 is queued under
// station in the same transaction.
void QueueStoredReadsFor(const std::wstring& station);
// Set each time a store that queued a read has committed, for the sender
// to wake; one event for the process, never closed.
HANDLE OutboxQueuedEvent();

struct OutboxRead {
  std::int64_t id;
  std::wstring station;
  StoredRead read;
};

// Up to limit of the oldest queued reads, oldest first. 0, else the SQLite
// code (nothing is held open afterwards).
int ReadOutboxBatch(int limit, int waitMs, std::vector<OutboxRead>& batch);
// Takes every read up to lastId off the queue, the server having committed
// them, and notes the time of the send, in one transaction.
int RemoveSentReads(std::int64_t lastId, int waitMs);
// Notes why the last try to send failed.
int RecordSendFailure(const std::wstring& message, int waitMs);

// What the diagnostics tool shows about the outbox.
struct OutboxState {
  std::int64_t waiting;
  std::wstring lastSent;        // local time of the last committed send, or empty
  std::wstring lastFailure;     // the last failure's message, or empty
  std::wstring lastFailureTime;
};
// 0, else the SQLite code; SQLITE_ERROR when card2 has no outbox.
int ReadOutboxState(int waitMs, OutboxState& state);
// How many reads wait; negative: the SQLite code of the failed step.
std::int64_t CountOutbox(int waitMs);
