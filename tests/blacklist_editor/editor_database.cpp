#include "editor_database.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cwchar>

#include "blacklist_editor/citizen_number.h"
#include "common/card_database.h"
#include "common/reader_settings.h"
#include "common/working_folders.h"

EditorDatabase::EditorDatabase() {
  EXPECT_EQ(PrepareWorkingFolders(), 1);
  LoadSettings();
}

int EditorDatabase::Execute(const char* sql) {
  sqlite3* db = nullptr;
  int result = OpenCardDatabase(&db);
  if (result == SQLITE_OK) result = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return result;
}

long long EditorDatabase::Number(const char* sql) {
  sqlite3* db = nullptr;
  long long value = -1;
  if (OpenCardDatabase(&db) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW) {
      value = sqlite3_column_int64(statement, 0);
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return value;
}

std::wstring MadeUpNumber(int serial) {
  wchar_t text[24];
  std::swprintf(text, std::size(text), L"11010519800%06d", serial);
  const std::u16string first17(text, text + 17);
  return text + std::wstring(1, static_cast<wchar_t>(CitizenCheckDigit(first17)));
}
