#include "blacklist_editor/blacklist_store.h"

#include <sqlite3.h>

#include "common/database_handles.h"

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "texts are bound as UTF-16");

constexpr char kSelectRows[] = "select rowid, cardid, reason from blacklist order by rowid;";
constexpr char kInsertIfNew[] =
    "insert into blacklist (cardid, reason) select ?1, ?2 where not exists "
    "(select 1 from blacklist where cardid = ?1);";
constexpr char kUpdateReason[] = "update blacklist set reason = ?1 where rowid = ?2 and cardid = ?3;";
constexpr char kDeleteRow[] = "delete from blacklist where rowid = ?1 and cardid = ?2;";
// An import is first written into a table of the connection's own
// temporary database, which takes no lock on the card database; the write
// transaction then copies it over in one statement. The pages that copy
// touches stay in memory until the commit: a cache that spilled would take
// the exclusive lock early and shut the reader program's look-ups out for
// the rest of the transaction.
constexpr char kCreateStage[] =
    "pragma temp_store = memory; pragma cache_size = -131072;"
    "create temp table staged (cardid text not null, reason text not null);";
constexpr char kInsertStage[] = "insert into temp.staged values (?1, ?2);";
constexpr char kInsertStaged[] =
    "insert into main.blacklist (cardid, reason) select cardid, reason from temp.staged as s "
    "where not exists (select 1 from main.blacklist as b where b.cardid = s.cardid) order by s.rowid;";

void BindText(sqlite3_stmt* statement, int index, const std::wstring& text) {
  sqlite3_bind_text16(statement, index, text.c_str(), static_cast<int>(text.size() * sizeof(wchar_t)), SQLITE_STATIC);
}

void BindText(sqlite3_stmt* statement, int index, const std::u16string& text) {
  sqlite3_bind_text16(statement, index, text.c_str(), static_cast<int>(text.size() * sizeof(char16_t)), SQLITE_STATIC);
}

std::wstring ColumnText(sqlite3_stmt* statement, int column) {
  const auto* text = static_cast<const wchar_t*>(sqlite3_column_text16(statement, column));
  if (text == nullptr) return {};
  return std::wstring(text, static_cast<std::size_t>(sqlite3_column_bytes16(statement, column)) / sizeof(wchar_t));
}

// Steps a statement that returns no rows; "done" is success.
int Execute(sqlite3_stmt* statement) {
  const int result = sqlite3_step(statement);
  sqlite3_reset(statement);
  return result == SQLITE_DONE ? SQLITE_OK : result;
}

// A transaction that rolls back unless committed. A write to the card
// database takes its write lock at the start (kLockAtOnce), so that a busy
// database fails before anything is written; a write to the temporary
// database alone must not lock the card database at all (kLockNothing).
constexpr char kLockAtOnce[] = "begin immediate;";
constexpr char kLockNothing[] = "begin deferred;";

class WriteTransaction {
 public:
  explicit WriteTransaction(const Database& db) : m_db(db) {}
  ~WriteTransaction() {
    if (m_open) sqlite3_exec(m_db.get(), "rollback;", nullptr, nullptr, nullptr);
  }
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;

  int Begin(const char* statement = kLockAtOnce) {
    const int result = sqlite3_exec(m_db.get(), statement, nullptr, nullptr, nullptr);
    m_open = result == SQLITE_OK;
    return result;
  }
  int Commit() {
    const int result = sqlite3_exec(m_db.get(), "commit;", nullptr, nullptr, nullptr);
    if (result == SQLITE_OK) m_open = false;
    return result;
  }

 private:
  const Database& m_db;
  bool m_open = false;
};

int StageImport(const Database& db, const std::vector<TextListLine>& lines) {
  if (const int created = sqlite3_exec(db.get(), kCreateStage, nullptr, nullptr, nullptr); created != SQLITE_OK) {
    return created;
  }
  Statement insert;
  if (const int prepared = PrepareStatement(db, kInsertStage, insert); prepared != SQLITE_OK) return prepared;
  WriteTransaction transaction(db);
  if (const int begun = transaction.Begin(kLockNothing); begun != SQLITE_OK) return begun;
  for (const TextListLine& line : lines) {
    BindText(insert.get(), 1, line.number);
    BindText(insert.get(), 2, line.reason);
    if (const int result = Execute(insert.get()); result != SQLITE_OK) return result;
  }
  return transaction.Commit();
}

}  // namespace

int LoadBlacklist(std::vector<BlacklistRow>& rows) {
  rows.clear();
  Database db;
  if (const int opened = OpenCardDatabase(db); opened != SQLITE_OK) return opened;
  Statement select;
  if (const int prepared = PrepareStatement(db, kSelectRows, select); prepared != SQLITE_OK) return prepared;
  int step;
  while ((step = sqlite3_step(select.get())) == SQLITE_ROW) {
    rows.push_back({sqlite3_column_int64(select.get(), 0), ColumnText(select.get(), 1), ColumnText(select.get(), 2)});
  }
  if (step != SQLITE_DONE) {
    rows.clear();
    return step;
  }
  return SQLITE_OK;
}

int AddBlacklistEntry(const std::wstring& cardid, const std::wstring& reason, bool& added) {
  added = false;
  Database db;
  if (const int opened = OpenCardDatabase(db); opened != SQLITE_OK) return opened;
  Statement insert;
  if (const int prepared = PrepareStatement(db, kInsertIfNew, insert); prepared != SQLITE_OK) return prepared;
  BindText(insert.get(), 1, cardid);
  BindText(insert.get(), 2, reason);
  const int result = Execute(insert.get());
  added = result == SQLITE_OK && sqlite3_changes(db.get()) == 1;
  return result;
}

int UpdateBlacklistReason(const BlacklistRow& row, const std::wstring& reason, bool& found) {
  found = false;
  Database db;
  if (const int opened = OpenCardDatabase(db); opened != SQLITE_OK) return opened;
  Statement update;
  if (const int prepared = PrepareStatement(db, kUpdateReason, update); prepared != SQLITE_OK) return prepared;
  BindText(update.get(), 1, reason);
  sqlite3_bind_int64(update.get(), 2, row.rowid);
  BindText(update.get(), 3, row.cardid);
  const int result = Execute(update.get());
  found = result == SQLITE_OK && sqlite3_changes(db.get()) == 1;
  return result;
}

int DeleteBlacklistRows(const std::vector<BlacklistRow>& rows, int& deleted) {
  deleted = 0;
  Database db;
  if (const int opened = OpenCardDatabase(db); opened != SQLITE_OK) return opened;
  Statement remove;
  if (const int prepared = PrepareStatement(db, kDeleteRow, remove); prepared != SQLITE_OK) return prepared;
  WriteTransaction transaction(db);
  if (const int begun = transaction.Begin(); begun != SQLITE_OK) return begun;
  int count = 0;
  for (const BlacklistRow& row : rows) {
    sqlite3_bind_int64(remove.get(), 1, row.rowid);
    BindText(remove.get(), 2, row.cardid);
    if (const int result = Execute(remove.get()); result != SQLITE_OK) return result;
    count += sqlite3_changes(db.get());
  }
  if (const int committed = transaction.Commit(); committed != SQLITE_OK) return committed;
  deleted = count;
  return SQLITE_OK;
}

int ImportBlacklistEntries(const std::vector<TextListLine>& lines, int& added) {
  added = 0;
  Database db;
  if (const int opened = OpenCardDatabase(db); opened != SQLITE_OK) return opened;
  if (const int staged = StageImport(db, lines); staged != SQLITE_OK) return staged;
  Statement insert;
  if (const int prepared = PrepareStatement(db, kInsertStaged, insert); prepared != SQLITE_OK) return prepared;
  WriteTransaction transaction(db);
  if (const int begun = transaction.Begin(); begun != SQLITE_OK) return begun;
  if (const int result = Execute(insert.get()); result != SQLITE_OK) return result;
  const int count = sqlite3_changes(db.get());
  if (const int committed = transaction.Commit(); committed != SQLITE_OK) return committed;
  added = count;
  return SQLITE_OK;
}
