// The counter's own table blacklist as the pull of the central list keeps
// it: the alarm goes on reading it exactly as before, also while the
// server cannot be had. Every write is a short transaction of its own, so
// that the polling loop's store and lookups never wait long for a pull.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One change of the central list, or one entry of it (removed false).
struct BlacklistChange {
  std::int64_t change;
  std::wstring cardid;
  std::wstring reason;
  bool removed;
};

// The number of the last central change the table has; -1 when it was
// never pulled. 0, else the SQLite code.
int ReadPulledChange(int waitMs, std::int64_t& change);
// Applies the changes in their order and notes lastChange with the last
// of them. 0, else the SQLite code (what was applied stays; the next pull
// asks again from the change noted before).
int ApplyBlacklistChanges(const std::vector<BlacklistChange>& changes, std::int64_t lastChange, int waitMs);
// Makes the table the central list: every entry put in (a number already
// listed is never missing in between), then the numbers the centre does
// not list taken out, then lastChange noted.
int ReplaceWithCentralList(const std::vector<BlacklistChange>& entries, std::int64_t lastChange, int waitMs);
