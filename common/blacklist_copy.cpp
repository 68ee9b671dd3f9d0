#include "common/blacklist_copy.h"

#include <windows.h>

#include "common/database_handles.h"
#include "common/path_capacity.h"

namespace {

constexpr char kSelectBlacklist[] = "select cardid, reason from blacklist;";
constexpr char kInsertBlacklisted[] = "insert into blacklist (cardid, reason) values (?, ?);";

// Rows are read and written one by one rather than through an attached
// file: SQLite attaches only a file of the same text encoding, and an
// older card2 is stored in UTF-16 where the shipped one is in UTF-8.
int InsertEveryRow(sqlite3_stmt* select, sqlite3_stmt* insert, int& copied) {
  int step = SQLITE_ROW;
  while ((step = sqlite3_step(select)) == SQLITE_ROW) {
    sqlite3_bind_value(insert, 1, sqlite3_column_value(select, 0));
    sqlite3_bind_value(insert, 2, sqlite3_column_value(select, 1));
    if (const int inserted = sqlite3_step(insert); inserted != SQLITE_DONE) return inserted;
    sqlite3_reset(insert);
    ++copied;
  }
  return step == SQLITE_DONE ? SQLITE_OK : step;
}

}  // namespace

int CopyBlacklist(const wchar_t* fromDatabase, const wchar_t* toDatabase, int& copied) {
  copied = 0;
  Database from;
  Database to;
  if (const int opened = OpenDatabaseFile(fromDatabase, SQLITE_OPEN_READONLY, kDatabaseBusyTimeoutMs, from); opened != SQLITE_OK) return opened;
  if (const int opened = OpenDatabaseFile(toDatabase, SQLITE_OPEN_READWRITE, kDatabaseBusyTimeoutMs, to); opened != SQLITE_OK) return opened;
  Statement select;
  Statement insert;
  if (const int prepared = PrepareStatement(from, kSelectBlacklist, select); prepared != SQLITE_OK) return prepared;
  if (const int prepared = PrepareStatement(to, kInsertBlacklisted, insert); prepared != SQLITE_OK) return prepared;
  // Closing the connection with the transaction open rolls it back.
  if (const int begun = sqlite3_exec(to.get(), "begin;", nullptr, nullptr, nullptr); begun != SQLITE_OK) return begun;
  if (const int inserted = InsertEveryRow(select.get(), insert.get(), copied); inserted != SQLITE_OK) return inserted;
  return sqlite3_exec(to.get(), "commit;", nullptr, nullptr, nullptr);
}
