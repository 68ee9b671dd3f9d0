// Reading the card database through a memory mapping of its file. Every
// action opens the database anew, so its page cache starts empty each time
// and every page it touches would otherwise be one read call on the file;
// a search over a million stored reads touches thousands.
#pragma once

struct sqlite3;

// True for a file on a fixed disk of this computer. A network share or a
// removable disk is not: a lost connection or a pulled disk would fault
// inside the mapping instead of failing a read.
bool IsOnLocalFixedDisk(const wchar_t* path);
// Lets the connection read the file at path through a mapping when the file
// is on a local fixed disk; elsewhere it keeps reading page by page. True
// when the mapping is on. Writes always go through the file.
bool MapDatabaseReads(sqlite3* db, const wchar_t* path);
