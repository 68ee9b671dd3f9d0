#include "common/search_statistics.h"

#include <sqlite3.h>

#include "common/database_handles.h"
#include "common/mapped_database_reads.h"

namespace {
// SQLite's own rule of when to gather statistics (a table without them, or
// one ten times larger or smaller than when they were gathered), checked
// for every table whether this connection used it or not (0x10000), with
// the full analysis, which keeps the samples (no 0x10 limit).
constexpr char kGatherDue[] = "pragma optimize(0x10002);";
// The same, listing the work instead of doing it (0x1).
constexpr char kListDue[] = "pragma optimize(0x10003);";
}  // namespace

bool SearchStatisticsAreDue() {
  Database db;
  if (OpenCardDatabase(db) != SQLITE_OK) return false;
  Statement list;
  if (PrepareStatement(db, kListDue, list) != SQLITE_OK) return false;
  return sqlite3_step(list.get()) == SQLITE_ROW;
}

int UpdateSearchStatistics() {
  Database db;
  if (const int opened = OpenCardDatabase(db); opened != SQLITE_OK) return opened;
  // The analysis reads every page of the file.
  MapDatabaseReads(db.get());
  return sqlite3_exec(db.get(), kGatherDue, nullptr, nullptr, nullptr);
}
