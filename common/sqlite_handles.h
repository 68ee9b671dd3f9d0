// Owners of SQLite connections and statements, so that every path of a
// database routine closes what it opened.
#pragma once

#include <sqlite3.h>

#include <memory>

struct DatabaseCloser {
  void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using Database = std::unique_ptr<sqlite3, DatabaseCloser>;

struct StatementFinalizer {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// Prepares UTF-16 SQL text on db; the SQLite result code.
inline int PrepareStatement(sqlite3* db, const wchar_t* text, Statement& statement) {
  sqlite3_stmt* raw = nullptr;
  const int result = sqlite3_prepare16_v2(db, text, -1, &raw, nullptr);
  statement.reset(raw);
  return result;
}
