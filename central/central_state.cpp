#include "central/central_state.h"

namespace {
constexpr wchar_t kSetState[] = L"insert or replace into central_state (name, value) values (?, ?);";
constexpr wchar_t kGetState[] = L"select value from central_state where name = ?;";
}  // namespace

int SetCentralState(const Database& db, const wchar_t* name, const std::wstring& value) {
  Statement set;
  if (const int prepared = PrepareStatement(db.get(), kSetState, set); prepared != SQLITE_OK) return prepared;
  sqlite3_bind_text16(set.get(), 1, name, -1, SQLITE_STATIC);
  sqlite3_bind_text16(set.get(), 2, value.c_str(), -1, SQLITE_STATIC);
  const int stepped = sqlite3_step(set.get());
  return stepped == SQLITE_DONE ? SQLITE_OK : stepped;
}

int GetCentralState(const Database& db, const wchar_t* name, std::wstring& value) {
  value.clear();
  Statement get;
  if (const int prepared = PrepareStatement(db.get(), kGetState, get); prepared != SQLITE_OK) return prepared;
  sqlite3_bind_text16(get.get(), 1, name, -1, SQLITE_STATIC);
  const int stepped = sqlite3_step(get.get());
  if (stepped != SQLITE_ROW) return stepped;
  const auto* text = static_cast<const wchar_t*>(sqlite3_column_text16(get.get(), 0));
  if (text != nullptr) value.assign(text, static_cast<std::size_t>(sqlite3_column_bytes16(get.get(), 0)) / 2);
  return SQLITE_OK;
}
