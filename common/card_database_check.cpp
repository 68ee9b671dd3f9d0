#include "common/card_database_check.h"

#include <windows.h>
#include <sqlite3.h>

#include <array>
#include <cwchar>
#include <iterator>

#include "common/checked_format.h"
#include "common/database_handles.h"
#include "common/message_box.h"
#include "common/reader_settings.h"
#include "common/working_folders.h"

namespace {

constexpr wchar_t kUnreadableMessage[] =
    L"数据库文件“%ls”已损坏或不完整，其中的验卡记录和黑名单都无法读取。"
    L"程序不会覆盖此文件，请联系管理员修复或恢复备份。";

// A table the programs rely on: the columns it begins with, in order. The
// stores insert into cardinfo by position, so it must have no others.
struct ExpectedTable {
  const char* select;
  const char* const* columns;
  int columnCount;
  bool onlyThese;
};
constexpr const char* kCardInfoColumns[] = {"cardname",  "sex",     "nation",   "birth",
                                            "address",   "cardid",  "authority", "validfrom",
                                            "validto",   "readtime", "newaddress", "datetag"};
constexpr const char* kBlacklistColumns[] = {"cardid", "reason"};
constexpr std::array<ExpectedTable, 2> kTables{{
    {"select * from cardinfo limit 1;", kCardInfoColumns, static_cast<int>(std::size(kCardInfoColumns)), true},
    {"select * from blacklist limit 1;", kBlacklistColumns, static_cast<int>(std::size(kBlacklistColumns)), false},
}};

CardDatabaseState StateOf(int code) {
  switch (code & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
      return CardDatabaseState::kReadable;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    // A read-only connection may not roll back a crashed write's journal.
    case SQLITE_READONLY:
      return CardDatabaseState::kBusy;
    default:
      return CardDatabaseState::kUnreadable;
  }
}

bool HasColumns(sqlite3_stmt* select, const ExpectedTable& table) {
  const int count = sqlite3_column_count(select);
  if (count < table.columnCount || (table.onlyThese && count != table.columnCount)) return false;
  for (int i = 0; i < table.columnCount; ++i) {
    const char* name = sqlite3_column_name(select, i);
    if (name == nullptr || sqlite3_stricmp(name, table.columns[i]) != 0) return false;
  }
  return true;
}

// Preparing reads the schema; one step reads the table's first page.
CardDatabaseState CheckTable(const Database& db, const ExpectedTable& table) {
  Statement select;
  if (const int prepared = PrepareStatement(db, table.select, select); prepared != SQLITE_OK) {
    return StateOf(prepared);
  }
  if (!HasColumns(select.get(), table)) return CardDatabaseState::kUnreadable;
  return StateOf(sqlite3_step(select.get()));
}

bool FormDatabasePath(wchar_t (&path)[kPathCapacity]) {
  return FormatChecked(path, kPathCapacity, L"%ls%ls", GetSavePath(), kDatabaseFileName) >= 0;
}

}  // namespace

CardDatabaseState CheckCardDatabase(int waitMs) {
  wchar_t path[kPathCapacity];
  Database db;
  if (!FormDatabasePath(path) || OpenDatabaseFile(path, SQLITE_OPEN_READONLY, waitMs, db) != SQLITE_OK) {
    return CardDatabaseState::kUnreadable;
  }
  for (const ExpectedTable& table : kTables) {
    if (const CardDatabaseState state = CheckTable(db, table); state != CardDatabaseState::kReadable) return state;
  }
  return CardDatabaseState::kReadable;
}

bool CheckCardDatabaseAtStart() {
  if (CheckCardDatabase() != CardDatabaseState::kUnreadable) return true;
  wchar_t path[kPathCapacity];
  if (!FormDatabasePath(path)) wcscpy_s(path, kDatabaseFileName);
  wchar_t message[std::size(kUnreadableMessage) + kPathCapacity];
  FormatChecked(message, std::size(message), kUnreadableMessage, path);
  ShowErrorMessage(message);
  return false;
}
