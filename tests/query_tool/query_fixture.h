// Shared set-up of the query tool's tests: a save folder of its own with a
// copy of the prepared database, reads stored into it at chosen times, and
// the settings pointed at it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "card/card_info.h"
#include "support/temp_folder.h"

struct sqlite3;

class QueryDatabase {
 public:
  // Copies the prepared card2 from beside the test program into a fresh
  // save folder and makes it the settings' save folder.
  QueryDatabase();
  ~QueryDatabase();
  QueryDatabase(const QueryDatabase&) = delete;
  QueryDatabase& operator=(const QueryDatabase&) = delete;

  const std::wstring& Folder() const { return folder_.Path(); }
  std::wstring DatabasePath() const { return folder_ / L"card2"; }
  // Stores a read as the reader program does; false when it failed.
  bool Store(const CardInfo& card, SYSTEMTIME time);
  // Runs SQL on the database; false when it failed.
  bool Execute(const std::string& sql);
  // Cuts the file to its first bytes, as an interrupted copy leaves it.
  void CutTo(std::size_t bytes);

 private:
  ScopedTempFolder folder_;
};

// Another program's connection holding an exclusive lock on a database,
// which no other connection can read through, until released.
class ExclusiveLock {
 public:
  explicit ExclusiveLock(const std::wstring& path);
  ~ExclusiveLock() { Release(); }
  ExclusiveLock(const ExclusiveLock&) = delete;
  ExclusiveLock& operator=(const ExclusiveLock&) = delete;

  bool Held() const { return held_; }
  void Release();

 private:
  sqlite3* db_ = nullptr;
  bool held_ = false;
};

// A card whose fields all differ from each other; n makes the name and the
// number distinct ("Reader 0007", "110101199001010007").
CardInfo NumberedCard(int n, const wchar_t* sex = L"男");
SYSTEMTIME At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
