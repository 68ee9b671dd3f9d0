// The table blacklist of the card database as the editor reads and writes
// it. Each routine opens the database for its own work only (with the
// suite's bounded lock wait), keeps every write in one short transaction
// and closes it again, so the reader program can store reads and look up
// numbers between, and even during, the editor's actions. Routines return
// the SQLite result code, 0 on success; a failed write changes nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "blacklist_editor/text_list.h"

struct BlacklistRow {
  std::int64_t rowid = 0;  // tells apart rows that an older list holds twice
  std::wstring cardid;
  std::wstring reason;
};

// Every row, in the order in which they were added.
int LoadBlacklist(std::vector<BlacklistRow>& rows);

// Adds the number unless a row holds it already; `added` tells which.
int AddBlacklistEntry(const std::wstring& cardid, const std::wstring& reason, bool& added);

// Gives the row a new reason; `found` is false when the row is gone.
int UpdateBlacklistReason(const BlacklistRow& row, const std::wstring& reason, bool& found);

// Deletes the rows, all or none; `deleted` counts those still there.
int DeleteBlacklistRows(const std::vector<BlacklistRow>& rows, int& deleted);

// Adds the numbers that no row holds yet, all in one transaction; `added`
// counts them.
int ImportBlacklistEntries(const std::vector<TextListLine>& lines, int& added);
