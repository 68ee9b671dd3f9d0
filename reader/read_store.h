// Storing the reads of the polling loop so that none is lost: each read goes
// into card2, or, when card2 cannot take it, into the queue of waiting reads
// with its photo; the queue is stored oldest first as soon as card2 takes
// rows again, and a read that arrives while others wait queues behind them,
// so rows land in reading order.
#pragma once

#include <windows.h>

#include "card/card_info.h"

class ReadStore {
 public:
  // Counts the reads an earlier run left waiting.
  ReadStore();

  // Stores or queues one read with the photo bytes the reader delivered,
  // and archives its photo (the bitmap file photo). False when the read
  // could be neither stored nor queued.
  bool Store(const CardInfo& card, const CardPhotoBytes& delivered, SYSTEMTIME& time, const wchar_t* photo);
  // Stores a few waiting reads, oldest first, while card2 takes them.
  void StoreWaiting();
  int Waiting() const { return waiting_; }

 private:
  int waiting_;
};
