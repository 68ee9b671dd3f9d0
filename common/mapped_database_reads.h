// Reading the card database through a memory mapping of its file, for the
// work that reads much of it: the query tool's searches, the conversion of
// an old-form file and the gathering of statistics. Every action opens the
// database anew, so its page cache starts empty each time, and every page
// it touches would otherwise be one read call on the file (under Wine one
// trip through the system); a search over a million stored reads touches
// thousands. Work of a few pages (a store, a blacklist lookup) stays
// unmapped: mapping the whole file costs it more than it saves.
#pragma once

struct sqlite3;

// True for a file on a fixed disk of this computer. A network share or a
// removable disk is not: a lost connection or a pulled disk would fault
// inside the mapping instead of failing a read.
bool IsOnLocalFixedDisk(const wchar_t* path);
// Lets the connection read its main database through a mapping when the
// file is on a local fixed disk; elsewhere it keeps reading page by page.
// Call it while no statement of the connection runs. True when the mapping
// is on. Writes always go through the file.
bool MapDatabaseReads(sqlite3* db);
