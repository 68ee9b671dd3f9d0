#include "reader/blacklist_rechecks.h"

#include <cwchar>
#include <iterator>

#include "common/card_database.h"

namespace {
constexpr ULONGLONG kRecheckPeriodMs = 60000;
// A counter that reads this many cards while card2 stays unreadable keeps
// asking for the newest ones; each of them showed its failure text.
constexpr std::size_t kMostUnchecked = 64;
}  // namespace

void BlacklistRechecks::Add(unsigned sequence, const wchar_t* idNumber) {
  if (unchecked_.size() == kMostUnchecked) unchecked_.erase(unchecked_.begin());
  Unchecked read{sequence, {}, GetTickCount64() + kRecheckPeriodMs};
  wcsncpy_s(read.idNumber, std::size(read.idNumber), idNumber, _TRUNCATE);
  unchecked_.push_back(read);
}

std::vector<BlacklistRechecks::Answer> BlacklistRechecks::AskAgain(int waitMs) {
  std::vector<Answer> answers;
  const ULONGLONG now = GetTickCount64();
  std::size_t answered = 0;
  for (; answered < unchecked_.size(); ++answered) {
    const Unchecked& read = unchecked_[answered];
    if (read.giveUpAt <= now) continue;
    const BlacklistAnswer answer = LookUpBlacklist(read.idNumber, waitMs);
    if (answer == BlacklistAnswer::kUnknown) break;
    answers.push_back({read.sequence, answer == BlacklistAnswer::kListed});
  }
  unchecked_.erase(unchecked_.begin(), unchecked_.begin() + static_cast<std::ptrdiff_t>(answered));
  return answers;
}
