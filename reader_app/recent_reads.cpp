#include "reader_app/recent_reads.h"

#include <cwchar>
#include <iterator>

void RecentReads::Remember(unsigned sequence, const wchar_t* name) {
  Read& read = reads_[next_];
  read.sequence = sequence;
  wcsncpy_s(read.name, std::size(read.name), name, _TRUNCATE);
  next_ = (next_ + 1) % kKept;
}

const wchar_t* RecentReads::NameOf(unsigned sequence) const {
  for (const Read& read : reads_) {
    if (read.sequence == sequence && sequence != 0) return read.name;
  }
  return nullptr;
}
