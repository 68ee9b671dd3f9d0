// The names of the last few reads by their numbers, for texts about a read
// that is no longer on the card face.
#pragma once

#include "card/card_info.h"

class RecentReads {
 public:
  void Remember(unsigned sequence, const wchar_t* name);
  // The name of read sequence, or null when it is too old to be known.
  const wchar_t* NameOf(unsigned sequence) const;

 private:
  static constexpr int kKept = 16;
  struct Read {
    unsigned sequence;
    wchar_t name[sizeof(CardInfo::name) / sizeof(wchar_t)];
  };
  Read reads_[kKept] = {};
  int next_ = 0;
};
