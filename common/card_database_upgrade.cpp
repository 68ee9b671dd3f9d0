#include "common/card_database_upgrade.h"

#include <windows.h>

#include <sqlite3.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/card_database.h"
#include "common/checked_format.h"
#include "common/database_handles.h"
#include "common/mapped_database_reads.h"
#include "common/profile_path.h"
#include "common/reader_settings.h"
#include "common/working_folders.h"

namespace {

constexpr int kWholeWork = 1000;
// Copying a row takes about three times as long as sorting it into an
// index or reading it for the statistics (measured on a million reads).
constexpr std::int64_t kCopyUnits = 3;
constexpr int kBackupNumbers = 99;
// Building the indices sorts a million entries: a larger cache keeps the
// sort in memory.
constexpr char kBuildSettings[] = "pragma cache_size = -65536;";
// Where SQLite keeps the file change counter in the file's header.
constexpr LONG kChangeCounterOffset = 24;

struct UpgradePaths {
  wchar_t database[kPathCapacity];
  wchar_t converting[kPathCapacity];
  wchar_t prepared[kPathCapacity];
};

bool FormPaths(UpgradePaths& paths) {
  wchar_t programFolder[kPathCapacity];
  return JoinPath(GetSavePath(), kDatabaseFileName, paths.database) &&
         JoinPath(GetSavePath(), kConversionFileName, paths.converting) &&
         GetProgramFolder(kPathCapacity, programFolder) != 0 &&
         JoinPath(programFolder, kDatabaseFileName, paths.prepared);
}

bool Exists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

// The first backup name not taken yet; false when all are.
bool FreeBackupPath(wchar_t (&path)[kPathCapacity]) {
  if (!JoinPath(GetSavePath(), kOldFormBackupName, path)) return false;
  if (!Exists(path)) return true;
  for (int number = 2; number <= kBackupNumbers; ++number) {
    if (FormatChecked(path, kPathCapacity, L"%ls%ls-%d", GetSavePath(), kOldFormBackupName, number) < 0) return false;
    if (!Exists(path)) return true;
  }
  return false;
}

// The change counter in a database file's header, which every committed
// write of any program raises.
bool ReadChangeCounter(const wchar_t* path, std::uint32_t& counter) {
  const HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::unique_ptr<void, decltype(&CloseHandle)> owner(file, &CloseHandle);
  unsigned char bytes[4];
  DWORD read = 0;
  if (SetFilePointer(file, kChangeCounterOffset, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
      !ReadFile(file, bytes, sizeof(bytes), &read, nullptr) || read != sizeof(bytes)) {
    return false;
  }
  counter = static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
            static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
  return true;
}

int OpenFile(const wchar_t* path, Database& db) {
  const int result = OpenDatabaseFile(path, SQLITE_OPEN_READWRITE, kDatabaseBusyTimeoutMs, db);
  if (result == SQLITE_OK) MapDatabaseReads(db.get());
  return result;
}

int Execute(const Database& db, const std::string& sql) {
  return sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, nullptr);
}

std::string Quoted(const std::string& name) {
  std::string quoted = "\"";
  for (const char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

struct SchemaEntry {
  std::string name;
  std::string table;
  std::string sql;
};

std::string ColumnText(sqlite3_stmt* statement, int column) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
  return text != nullptr ? text : "";
}

// The named objects of a database that match the condition on
// sqlite_master, in the order they were made.
int ReadSchema(const Database& db, const char* condition, std::vector<SchemaEntry>& entries) {
  Statement select;
  const std::string sql =
      std::string("select name, tbl_name, sql from sqlite_master where ") + condition + " order by rowid;";
  if (const int prepared = PrepareStatement(db, sql.c_str(), select); prepared != SQLITE_OK) return prepared;
  int step;
  while ((step = sqlite3_step(select.get())) == SQLITE_ROW) {
    entries.push_back({ColumnText(select.get(), 0), ColumnText(select.get(), 1), ColumnText(select.get(), 2)});
  }
  return step == SQLITE_DONE ? SQLITE_OK : step;
}

bool HasObject(const Database& db, const std::string& name) {
  Statement select;
  if (PrepareStatement(db, "select 1 from sqlite_master where name = ?1;", select) != SQLITE_OK) return false;
  sqlite3_bind_text(select.get(), 1, name.c_str(), -1, SQLITE_STATIC);
  return sqlite3_step(select.get()) == SQLITE_ROW;
}

int CountRows(const Database& db, const std::string& table, std::int64_t& count) {
  Statement select;
  const std::string sql = "select count(*) from " + Quoted(table) + ";";
  if (const int prepared = PrepareStatement(db, sql.c_str(), select); prepared != SQLITE_OK) return prepared;
  const int step = sqlite3_step(select.get());
  if (step != SQLITE_ROW) return step;
  count = sqlite3_column_int64(select.get(), 0);
  return SQLITE_OK;
}

// Counts the units of work done and reports their share in thousandths,
// once for each.
class WorkDone {
 public:
  explicit WorkDone(const UpgradeProgress& report) : report_(report) {}
  void Plan(std::int64_t units) { units_ = units; }
  void Add(std::int64_t units) {
    done_ += units;
    const int permille = units_ <= 0 ? kWholeWork : static_cast<int>(kWholeWork * done_ / units_);
    if (permille == reported_) return;
    reported_ = permille;
    if (report_) report_(permille);
  }

 private:
  const UpgradeProgress& report_;
  std::int64_t units_ = 0;
  std::int64_t done_ = 0;
  int reported_ = -1;
};

// Copies every row of a table in stored order, with its row id, binding
// each value as the old file holds it; SQLite turns its text into the new
// file's encoding.
int CopyRows(const Database& from, const Database& to, const std::string& table, WorkDone& work) {
  Statement select;
  const std::string query = "select rowid, * from " + Quoted(table) + " order by rowid;";
  if (const int prepared = PrepareStatement(from, query.c_str(), select); prepared != SQLITE_OK) return prepared;
  const int columns = sqlite3_column_count(select.get());
  std::string names = "rowid";
  std::string values = "?";
  for (int column = 1; column < columns; ++column) {
    names += ", " + Quoted(sqlite3_column_name(select.get(), column));
    values += ", ?";
  }
  Statement insert;
  const std::string statement = "insert into " + Quoted(table) + " (" + names + ") values (" + values + ");";
  if (const int prepared = PrepareStatement(to, statement.c_str(), insert); prepared != SQLITE_OK) return prepared;
  int step;
  while ((step = sqlite3_step(select.get())) == SQLITE_ROW) {
    for (int column = 0; column < columns; ++column) {
      sqlite3_bind_value(insert.get(), column + 1, sqlite3_column_value(select.get(), column));
    }
    if (const int inserted = sqlite3_step(insert.get()); inserted != SQLITE_DONE) return inserted;
    sqlite3_reset(insert.get());
    work.Add(kCopyUnits);
  }
  return step == SQLITE_DONE ? SQLITE_OK : step;
}

struct TableCount {
  std::string name;
  std::string sql;
  std::int64_t rows = 0;
};

bool Named(const std::vector<SchemaEntry>& entries, const std::string& name) {
  for (const SchemaEntry& entry : entries) {
    if (sqlite3_stricmp(entry.name.c_str(), name.c_str()) == 0) return true;
  }
  return false;
}

// One conversion from the old file into the new one, which holds a copy of
// the prepared database. The new file is filled in one transaction of its
// own while the old file's write lock is held, from before its first read
// until the old connection closes: no program writes the old file
// meanwhile, whatever its journal mode; readers go on.
class Conversion {
 public:
  explicit Conversion(const UpgradeProgress& progress) : work_(progress) {}

  UpgradeResult Run(const UpgradePaths& paths, std::uint32_t& changeCounter) {
    int result = OpenCardDatabase(old_);
    if (result == SQLITE_OK) MapDatabaseReads(old_.get());
    if (result == SQLITE_OK) result = OpenFile(paths.converting, fresh_);
    if (result == SQLITE_OK) result = Execute(old_, "begin immediate;");
    if (result == SQLITE_OK) result = CountTables();
    if (result == SQLITE_OK && !ReadChangeCounter(paths.database, changeCounter)) result = SQLITE_IOERR_READ;
    if (result == SQLITE_OK) result = Execute(fresh_, std::string(kBuildSettings) + "begin;");
    if (result == SQLITE_OK) result = TakeOutIndices();
    if (result == SQLITE_OK) result = AddOldObjects();
    if (result == SQLITE_OK) result = CopyTables();
    if (result != SQLITE_OK) return {UpgradeStep::kCopy, result};
    if (const UpgradeResult checked = CheckCounts(); checked.failedAt != UpgradeStep::kNone) return checked;
    result = BuildObjects();
    if (result == SQLITE_OK) result = Execute(fresh_, "commit;");
    if (result != SQLITE_OK) return {UpgradeStep::kCopy, result};
    return {};
  }

 private:
  // The old file's tables, SQLite's own left out, with their row counts.
  int CountTables() {
    std::vector<SchemaEntry> entries;
    if (const int read = ReadSchema(old_, "type = 'table' and name not like 'sqlite\\_%' escape '\\'", entries);
        read != SQLITE_OK) {
      return read;
    }
    for (SchemaEntry& entry : entries) {
      TableCount table{std::move(entry.name), std::move(entry.sql)};
      if (const int counted = CountRows(old_, table.name, table.rows); counted != SQLITE_OK) return counted;
      tables_.push_back(std::move(table));
    }
    return SQLITE_OK;
  }

  std::int64_t RowsOf(const std::string& table) const {
    for (const TableCount& count : tables_) {
      if (sqlite3_stricmp(count.name.c_str(), table.c_str()) == 0) return count.rows;
    }
    return 0;
  }

  // The prepared database's indices leave the new file until its rows are
  // in: sorting a table's entries once is far faster than placing each row
  // in every index.
  int TakeOutIndices() {
    if (const int read = ReadSchema(fresh_, "type = 'index' and sql is not null", objects_); read != SQLITE_OK) {
      return read;
    }
    for (const SchemaEntry& index : objects_) {
      if (const int dropped = Execute(fresh_, "drop index " + Quoted(index.name) + ";"); dropped != SQLITE_OK) {
        return dropped;
      }
    }
    return SQLITE_OK;
  }

  // The old file's own indices, triggers and views that the prepared
  // database does not have are built after the prepared ones.
  int AddOldObjects() {
    std::vector<SchemaEntry> entries;
    if (const int read = ReadSchema(old_, "type in ('index', 'trigger', 'view') and sql is not null", entries);
        read != SQLITE_OK) {
      return read;
    }
    for (SchemaEntry& entry : entries) {
      if (!Named(objects_, entry.name) && !HasObject(fresh_, entry.name)) objects_.push_back(std::move(entry));
    }
    return SQLITE_OK;
  }

  int CopyTables() {
    // The work: each row copied, each row an index is built over, and each
    // row the statistics read.
    std::int64_t units = 0;
    for (const TableCount& table : tables_) units += (kCopyUnits + 1) * table.rows;
    for (const SchemaEntry& object : objects_) units += RowsOf(object.table);
    work_.Plan(units);
    for (const TableCount& table : tables_) {
      if (!HasObject(fresh_, table.name)) {
        if (const int created = Execute(fresh_, table.sql); created != SQLITE_OK) return created;
      }
      if (const int copied = CopyRows(old_, fresh_, table.name, work_); copied != SQLITE_OK) return copied;
    }
    return SQLITE_OK;
  }

  // kCheck with the SQLite code when a count could not be taken, or with 0
  // when a table has other than its old count of rows.
  UpgradeResult CheckCounts() const {
    for (const TableCount& table : tables_) {
      std::int64_t rows = -1;
      if (const int counted = CountRows(fresh_, table.name, rows); counted != SQLITE_OK) {
        return {UpgradeStep::kCheck, counted};
      }
      if (rows != table.rows) return {UpgradeStep::kCheck, SQLITE_OK};
    }
    return {};
  }

  // The indices, triggers and views, then the statistics of the searches,
  // so that the new file is fast at once.
  int BuildObjects() {
    for (const SchemaEntry& object : objects_) {
      if (const int built = Execute(fresh_, object.sql); built != SQLITE_OK) return built;
      work_.Add(RowsOf(object.table));
    }
    if (const int analysed = Execute(fresh_, "analyze;"); analysed != SQLITE_OK) return analysed;
    for (const TableCount& table : tables_) work_.Add(table.rows);
    return SQLITE_OK;
  }

  Database old_;
  Database fresh_;
  std::vector<TableCount> tables_;
  // The indices, triggers and views to build once the rows are in.
  std::vector<SchemaEntry> objects_;
  WorkDone work_;
};

// True when a journal of card2 stands beside it: SQLite would take it for
// the new file's and play the old file's pages into it. The conversion's
// own connection plays back or removes any journal it finds; one can only
// come from a program that wrote, and stopped half-way, between the end of
// the write lock and the replacement.
bool HasJournal(const wchar_t* database) {
  for (const wchar_t* suffix : {L"-journal", L"-wal"}) {
    wchar_t journal[kPathCapacity];
    if (!JoinPath(database, suffix, journal) || Exists(journal)) return true;
  }
  return false;
}

// Replaces card2 by the new file, keeping the old one under the backup
// name. A program that wrote card2 between the end of the write lock and
// the replacement wrote into the old file: it is put back then.
UpgradeResult ReplaceOldFile(const UpgradePaths& paths, std::uint32_t copiedCounter) {
  if (HasJournal(paths.database)) return {UpgradeStep::kReplace, ERROR_BUSY};
  wchar_t backup[kPathCapacity];
  if (!FreeBackupPath(backup)) return {UpgradeStep::kReplace, ERROR_FILE_EXISTS};
  if (!ReplaceFileW(paths.database, paths.converting, backup, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
    const DWORD error = GetLastError();
    // The old file was renamed already, the new one could not follow it.
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) MoveFileExW(backup, paths.database, 0);
    return {UpgradeStep::kReplace, static_cast<int>(error)};
  }
  std::uint32_t counter = 0;
  if (!ReadChangeCounter(backup, counter) || counter != copiedCounter) {
    MoveFileExW(backup, paths.database, MOVEFILE_REPLACE_EXISTING);
    return {UpgradeStep::kReplace, ERROR_SHARING_VIOLATION};
  }
  return {};
}
}  // namespace

DatabaseForm CardDatabaseForm() {
  Database db;
  if (OpenCardDatabase(db) != SQLITE_OK) return DatabaseForm::kUnknown;
  Statement encoding;
  if (PrepareStatement(db, "pragma encoding;", encoding) != SQLITE_OK || sqlite3_step(encoding.get()) != SQLITE_ROW) {
    return DatabaseForm::kUnknown;
  }
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(encoding.get(), 0));
  return std::strcmp(text, "UTF-8") == 0 ? DatabaseForm::kCurrent : DatabaseForm::kOld;
}

UpgradeResult UpgradeCardDatabase(const UpgradeProgress& progress) {
  UpgradePaths paths;
  if (!FormPaths(paths)) return {UpgradeStep::kPrepare, ERROR_FILENAME_EXCED_RANGE};
  // A file left by a conversion that was cut off is made anew.
  if (!DeleteFileW(paths.converting) && GetLastError() != ERROR_FILE_NOT_FOUND) {
    return {UpgradeStep::kPrepare, static_cast<int>(GetLastError())};
  }
  if (!CopyFileW(paths.prepared, paths.converting, TRUE)) {
    return {UpgradeStep::kPrepare, static_cast<int>(GetLastError())};
  }
  // The program folder's copy may be read-only; this one is written.
  SetFileAttributesW(paths.converting, FILE_ATTRIBUTE_NORMAL);
  std::uint32_t counter = 0;
  UpgradeResult result = Conversion(progress).Run(paths, counter);
  if (result.failedAt == UpgradeStep::kNone) result = ReplaceOldFile(paths, counter);
  if (result.failedAt != UpgradeStep::kNone) DeleteFileW(paths.converting);
  return result;
}
