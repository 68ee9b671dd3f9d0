#include "query_fixture.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <vector>

#include "common/card_database.h"
#include "common/database_handles.h"
#include "common/reader_settings.h"
#include "reader_app/window_fixture.h"

QueryDatabase::QueryDatabase() {
  CopyFileW((TestProgramFolder() + L"card2").c_str(), DatabasePath().c_str(), FALSE);
  SetSavePath(Folder().c_str());
  SetBgBmp((TestProgramFolder() + L"bg.bmp").c_str());
}

QueryDatabase::~QueryDatabase() { SetSavePath(L""); }

bool QueryDatabase::Store(const CardInfo& card, SYSTEMTIME time) { return StoreCardRead(card, time) == 0; }

bool QueryDatabase::Execute(const std::string& sql) {
  Database db;
  if (OpenCardDatabase(db) != SQLITE_OK) return false;
  return sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

void QueryDatabase::CutTo(std::size_t bytes) {
  const std::string content = ReadWholeFile(DatabasePath());
  const auto end = content.begin() + static_cast<std::ptrdiff_t>(std::min(bytes, content.size()));
  WriteFileBytes(DatabasePath(), std::vector<std::uint8_t>(content.begin(), end));
}

ExclusiveLock::ExclusiveLock(const std::wstring& path) {
  held_ = sqlite3_open16(path.c_str(), &db_) == SQLITE_OK &&
          sqlite3_exec(db_, "begin exclusive", nullptr, nullptr, nullptr) == SQLITE_OK;
}

void ExclusiveLock::Release() {
  if (db_ == nullptr) return;
  sqlite3_exec(db_, "rollback", nullptr, nullptr, nullptr);
  sqlite3_close(db_);
  db_ = nullptr;
  held_ = false;
}

CardInfo NumberedCard(int n, const wchar_t* sex) {
  CardInfo card{};
  std::swprintf(card.name, std::size(card.name), L"Reader %04d", n);
  wcscpy_s(card.sex, sex);
  wcscpy_s(card.nation, L"汉");
  wcscpy_s(card.birth, L"19900101");
  wcscpy_s(card.address, L"临河市清溪区望山路十八号");
  std::swprintf(card.idNumber, std::size(card.idNumber), L"11010119900101%04d", n);
  wcscpy_s(card.authority, L"临河市公安局清溪分局");
  wcscpy_s(card.validFrom, L"20100507");
  wcscpy_s(card.validTo, L"20300507");
  return card;
}

SYSTEMTIME At(int year, int month, int day, int hour, int minute, int second) {
  SYSTEMTIME time{};
  time.wYear = static_cast<WORD>(year);
  time.wMonth = static_cast<WORD>(month);
  time.wDay = static_cast<WORD>(day);
  time.wHour = static_cast<WORD>(hour);
  time.wMinute = static_cast<WORD>(minute);
  time.wSecond = static_cast<WORD>(second);
  return time;
}
