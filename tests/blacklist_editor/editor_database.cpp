#include "editor_database.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cwchar>

#include "blacklist_editor/citizen_number.h"
#include "common/database_handles.h"
#include "common/reader_settings.h"
#include "common/working_folders.h"

EditorDatabase::EditorDatabase() {
  EXPECT_EQ(PrepareWorkingFolders(), 1);
  LoadSettings();
}

int EditorDatabase::Execute(const char* sql) {
  Database db;
  const int opened = OpenCardDatabase(db);
  return opened != SQLITE_OK ? opened : sqlite3_exec(db.get(), sql, nullptr, nullptr, nullptr);
}

long long EditorDatabase::Number(const char* sql) {
  Database db;
  Statement query;
  if (OpenCardDatabase(db) != SQLITE_OK || PrepareStatement(db, sql, query) != SQLITE_OK) return -1;
  return sqlite3_step(query.get()) == SQLITE_ROW ? sqlite3_column_int64(query.get(), 0) : -1;
}

std::wstring MadeUpNumber(int serial) {
  wchar_t text[24];
  std::swprintf(text, std::size(text), L"11010519800%06d", serial);
  const std::u16string first17(text, text + 17);
  return text + std::wstring(1, static_cast<wchar_t>(CitizenCheckDigit(first17)));
}

bool WriteLockHeld(sqlite3* watcher) {
  sqlite3_file* file = nullptr;
  if (sqlite3_file_control(watcher, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || file == nullptr ||
      file->pMethods == nullptr) {
    ADD_FAILURE() << "the watching connection has no file";
    return false;
  }
  int held = 0;
  EXPECT_EQ(file->pMethods->xCheckReservedLock(file, &held), SQLITE_OK);
  return held != 0;
}
