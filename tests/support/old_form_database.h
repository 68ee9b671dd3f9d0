// The card database in its old form (UTF-16, the first schema), made at
// build time by make-old-card2, whose sample rows the tests read back. The
// build puts it beside every test program that opens one
// (suite_copy_old_card2).
#pragma once

#include <string>

// Copies the fixture into folder as card2; false when that failed.
bool PlaceOldFormDatabase(const std::wstring& folder);
// The path of the fixture beside the test program.
std::wstring OldFormFixturePath();
// The text encoding SQLite reports for the database file ("UTF-8",
// "UTF-16le"), or empty when it cannot be read.
std::string DatabaseEncoding(const std::wstring& path);
// Every row of a query on the database file, each row's values joined by
// "|" and the rows by "\n"; a null value reads "<null>".
std::string QueryRows(const std::wstring& path, const char* sql);
