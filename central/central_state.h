// The small table central_state of card2, made with the outbox: what the
// sender and the blacklist pull note between runs, by name.
#pragma once

#include <sqlite3.h>

#include <string>

#include "common/database_handles.h"

int SetCentralState(const Database& db, const wchar_t* name, const std::wstring& value);
// SQLITE_DONE, with value empty, when nothing was noted under name.
int GetCentralState(const Database& db, const wchar_t* name, std::wstring& value);

// Runs work (returning an SQLite code) inside one write transaction of db,
// rolled back when it fails.
template <typename Work>
int InWriteTransaction(const Database& db, Work work) {
  if (const int begun = sqlite3_exec(db.get(), "begin immediate;", nullptr, nullptr, nullptr); begun != SQLITE_OK) {
    return begun;
  }
  int result = work();
  if (result == SQLITE_OK) result = sqlite3_exec(db.get(), "commit;", nullptr, nullptr, nullptr);
  if (result != SQLITE_OK) sqlite3_exec(db.get(), "rollback;", nullptr, nullptr, nullptr);
  return result;
}
