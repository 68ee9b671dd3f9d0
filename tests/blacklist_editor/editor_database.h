// A fresh settings folder prepared as the programs prepare it at start-up,
// with an empty card database, for the life of the object.
#pragma once

#include <string>

#include "support/app_data_folder.h"

struct sqlite3;

class EditorDatabase {
 public:
  EditorDatabase();

  // Runs SQL on a connection of its own; the SQLite result code.
  int Execute(const char* sql);
  // The first column of the first row of a query, or -1.
  long long Number(const char* sql);
  std::wstring SettingsFolder() const { return appData_.Path() + L"Tarnwick\\"; }

 private:
  ScopedAppDataFolder appData_;
};

// A valid citizen number of a made-up person: a fixed 11-digit start, the
// six digits of `serial` and the matching check digit.
std::wstring MadeUpNumber(int serial);

// Whether some connection holds the write lock of the card database that
// `watcher` has open. SQLite's own check of the file answers, which holds a
// lock for no longer than the moment of the test.
bool WriteLockHeld(sqlite3* watcher);
