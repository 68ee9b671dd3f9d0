#include "central/pulled_blacklist.h"

#include <algorithm>
#include <unordered_set>

#include "central/central_state.h"
#include "common/card_database.h"

namespace {
// Changes written per transaction: a few milliseconds of the write lock.
constexpr std::size_t kChangesPerTransaction = 500;
constexpr wchar_t kPulledChange[] = L"blacklist_change";
constexpr wchar_t kRemoveNumber[] = L"delete from blacklist where cardid = ?;";
constexpr wchar_t kAddNumber[] = L"insert into blacklist (cardid, reason) values (?, ?);";
constexpr wchar_t kListedNumbers[] = L"select distinct cardid from blacklist;";

int DoneIsOk(int stepped) { return stepped == SQLITE_DONE ? SQLITE_OK : stepped; }

// A number is held once, with the reason it has now: a list that held it
// twice (older lists do) ends with one row.
int WriteChange(const Database& db, const BlacklistChange& change) {
  Statement remove;
  if (const int prepared = PrepareStatement(db.get(), kRemoveNumber, remove); prepared != SQLITE_OK) return prepared;
  sqlite3_bind_text16(remove.get(), 1, change.cardid.c_str(), -1, SQLITE_STATIC);
  if (const int removed = DoneIsOk(sqlite3_step(remove.get())); removed != SQLITE_OK || change.removed) return removed;
  Statement add;
  if (const int prepared = PrepareStatement(db.get(), kAddNumber, add); prepared != SQLITE_OK) return prepared;
  sqlite3_bind_text16(add.get(), 1, change.cardid.c_str(), -1, SQLITE_STATIC);
  sqlite3_bind_text16(add.get(), 2, change.reason.c_str(), -1, SQLITE_STATIC);
  return DoneIsOk(sqlite3_step(add.get()));
}

// Writes the changes a slice per transaction; the last slice also notes
// lastChange when asked to (an empty list notes it on its own).
int WriteInSlices(const Database& db, const std::vector<BlacklistChange>& changes, std::int64_t lastChange,
                  bool noteAtEnd) {
  std::size_t first = 0;
  do {
    const std::size_t end = std::min(changes.size(), first + kChangesPerTransaction);
    const bool note = noteAtEnd && end == changes.size();
    const int written = InWriteTransaction(db, [&] {
      for (std::size_t i = first; i < end; ++i) {
        if (const int result = WriteChange(db, changes[i]); result != SQLITE_OK) return result;
      }
      return note ? SetCentralState(db, kPulledChange, std::to_wstring(lastChange)) : SQLITE_OK;
    });
    if (written != SQLITE_OK) return written;
    first = end;
  } while (first < changes.size());
  return SQLITE_OK;
}

// The numbers the table lists that entries does not.
int NumbersNotListed(const Database& db, const std::vector<BlacklistChange>& entries,
                     std::vector<BlacklistChange>& removals) {
  std::unordered_set<std::wstring> central;
  for (const BlacklistChange& entry : entries) central.insert(entry.cardid);
  Statement listed;
  if (const int prepared = PrepareStatement(db.get(), kListedNumbers, listed); prepared != SQLITE_OK) return prepared;
  int stepped;
  while ((stepped = sqlite3_step(listed.get())) == SQLITE_ROW) {
    const auto* text = static_cast<const wchar_t*>(sqlite3_column_text16(listed.get(), 0));
    std::wstring number(text, static_cast<std::size_t>(sqlite3_column_bytes16(listed.get(), 0)) / 2);
    if (!central.contains(number)) removals.push_back({0, std::move(number), {}, true});
  }
  return DoneIsOk(stepped);
}
}  // namespace

int ReadPulledChange(int waitMs, std::int64_t& change) {
  change = -1;
  Database db;
  if (const int opened = OpenCardDatabase(db, waitMs); opened != SQLITE_OK) return opened;
  std::wstring value;
  const int read = GetCentralState(db, kPulledChange, value);
  if (read == SQLITE_DONE) return SQLITE_OK;
  if (read != SQLITE_OK) return read;
  change = _wtoi64(value.c_str());
  return SQLITE_OK;
}

int ApplyBlacklistChanges(const std::vector<BlacklistChange>& changes, std::int64_t lastChange, int waitMs) {
  Database db;
  if (const int opened = OpenCardDatabase(db, waitMs); opened != SQLITE_OK) return opened;
  return WriteInSlices(db, changes, lastChange, true);
}

int ReplaceWithCentralList(const std::vector<BlacklistChange>& entries, std::int64_t lastChange, int waitMs) {
  Database db;
  if (const int opened = OpenCardDatabase(db, waitMs); opened != SQLITE_OK) return opened;
  if (const int added = WriteInSlices(db, entries, lastChange, false); added != SQLITE_OK) return added;
  std::vector<BlacklistChange> removals;
  if (const int found = NumbersNotListed(db, entries, removals); found != SQLITE_OK) return found;
  return WriteInSlices(db, removals, lastChange, true);
}
