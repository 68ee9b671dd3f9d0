#include "support/old_form_database.h"

#include <windows.h>

#include <sqlite3.h>

std::wstring OldFormFixturePath() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  return folder.substr(0, folder.find_last_of(L'\\') + 1) + L"old-card2";
}

bool PlaceOldFormDatabase(const std::wstring& folder) {
  return CopyFileW(OldFormFixturePath().c_str(), (folder + L"card2").c_str(), FALSE) != FALSE;
}

std::string DatabaseEncoding(const std::wstring& path) { return QueryRows(path, "pragma encoding;"); }

std::string QueryRows(const std::wstring& path, const char* sql) {
  sqlite3* db = nullptr;
  std::string rows;
  if (sqlite3_open16(path.c_str(), &db) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK) {
      for (bool first = true; sqlite3_step(statement) == SQLITE_ROW; first = false) {
        if (!first) rows += "\n";
        for (int column = 0; column < sqlite3_column_count(statement); ++column) {
          const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
          if (column > 0) rows += "|";
          rows += text != nullptr ? text : "<null>";
        }
      }
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return rows;
}
