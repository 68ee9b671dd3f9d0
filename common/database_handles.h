// Owners of an SQLite connection and statement, closed and finalized on
// every path, for the routines that open the card database for one action.
#pragma once

#include <sqlite3.h>

#include <memory>

#include "common/card_database.h"

struct DatabaseCloser {
  void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using Database = std::unique_ptr<sqlite3, DatabaseCloser>;

struct StatementFinalizer {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// Opens the database file at path with SQLite's open flags; each statement
// waits at most waitMs for another connection's lock. The SQLite result code.
int OpenDatabaseFile(const wchar_t* path, int flags, int waitMs, Database& db);

// OpenCardDatabase into an owner; the SQLite result code.
inline int OpenCardDatabase(Database& db, int waitMs = kDatabaseBusyTimeoutMs) {
  sqlite3* raw = nullptr;
  const int result = OpenCardDatabase(&raw, waitMs);
  db.reset(raw);
  return result;
}

// Prepares UTF-8 statement text; the SQLite result code.
inline int PrepareStatement(const Database& db, const char* text, Statement& statement) {
  sqlite3_stmt* raw = nullptr;
  const int result = sqlite3_prepare_v2(db.get(), text, -1, &raw, nullptr);
  statement.reset(raw);
  return result;
}

// Prepares UTF-16 statement text on a connection; the SQLite result code.
inline int PrepareStatement(sqlite3* db, const wchar_t* text, Statement& statement) {
  sqlite3_stmt* raw = nullptr;
  const int result = sqlite3_prepare16_v2(db, text, -1, &raw, nullptr);
  statement.reset(raw);
  return result;
}
