#include "reader/read_store.h"

#include <sqlite3.h>

#include "card/photo.h"
#include "common/card_database.h"
#include "common/waiting_reads.h"

namespace {
// Waiting reads are tried with a short wait, so that a card2 held busy for
// a long time never holds up the next card for more than a moment.
constexpr int kWaitingStoreWaitMs = 100;
// Stored per pass at most, so that a long queue never delays the next card.
constexpr int kWaitingStoresPerPass = 20;

int CountedWaiting() {
  const int counted = CountWaitingReads();
  return counted > 0 ? counted : 0;
}
}  // namespace

ReadStore::ReadStore() : waiting_(CountedWaiting()) {}

bool ReadStore::Store(const CardInfo& card, const CardPhotoBytes& delivered, SYSTEMTIME& time,
                      const wchar_t* photo) {
  StoredRead read = MakeStoredRead(card, time);
  read.photo = delivered;
  bool kept = waiting_ == 0 && InsertStoredRead(read, kDatabaseBusyTimeoutMs) == SQLITE_OK;
  if (!kept && QueueWaitingRead(read, photo) == SQLITE_OK) {
    ++waiting_;
    kept = true;
  }
  // Archived whether or not the row went in: a queued read keeps its photo
  // in the queue too, and the archive keeps the first photo of the day.
  ArchivePhoto(time, card.idNumber, photo);
  return kept;
}

void ReadStore::StoreWaiting() {
  if (waiting_ == 0) return;
  for (int stored = 0; stored < kWaitingStoresPerPass; ++stored) {
    if (StoreOldestWaitingRead(kWaitingStoreWaitMs) != SQLITE_OK) break;
  }
  // Counted again rather than tracked: another program reading into the
  // same settings folder may have stored some of them.
  waiting_ = CountedWaiting();
}
