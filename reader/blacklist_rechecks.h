// Reads whose blacklist check could not be made (card2 busy past the wait,
// missing or damaged): the polling loop asks again for each at every pass,
// for a minute, so that a listed person still raises the alarm, late.
#pragma once

#include <windows.h>

#include <vector>

#include "card/card_info.h"

class BlacklistRechecks {
 public:
  void Add(unsigned sequence, const wchar_t* idNumber);
  bool Empty() const { return unchecked_.empty(); }
  struct Answer {
    unsigned sequence;
    bool listed;
  };
  // Asks again for the reads still unchecked, oldest first, waiting at most
  // waitMs each; stops at the first that still cannot be checked, since the
  // others would fail the same way. The answers that came.
  std::vector<Answer> AskAgain(int waitMs);

 private:
  struct Unchecked {
    unsigned sequence;
    wchar_t idNumber[sizeof(CardInfo::idNumber) / sizeof(wchar_t)];
    ULONGLONG giveUpAt;
  };
  std::vector<Unchecked> unchecked_;
};
