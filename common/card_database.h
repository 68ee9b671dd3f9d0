// The card database card2 in the save folder: one row per stored read and
// the blacklist. Every operation opens the file, works and closes it; the
// file's own locking coordinates the programs that share it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "card/card_info.h"

struct sqlite3;
struct sqlite3_stmt;

// How long a connection waits for another program's lock before it gives up.
inline constexpr int kDatabaseBusyTimeoutMs = 5000;

// Opens <save folder>card2 for reading and writing; never creates it.
// waitMs: how long each statement waits for another program's lock.
// The SQLite result code, 0 on success.
int OpenCardDatabase(sqlite3** handle, int waitMs = kDatabaseBusyTimeoutMs);
// Stores one read at the given local time (its milliseconds are set to 0).
// 0 when the row was inserted, else the SQLite code of the failed step.
int StoreCardRead(const CardInfo& card, SYSTEMTIME& time, int waitMs = kDatabaseBusyTimeoutMs);

// One read as cardinfo holds it: the card and its two time columns, and
// the photo bytes the reader delivered (size 0: none kept), which cardinfo
// does not hold but central records send.
struct StoredRead {
  CardInfo card;
  std::int64_t readtime;
  std::uint32_t datetag;
  CardPhotoBytes photo;
};
// The read's two time columns from its local time (milliseconds set to 0).
StoredRead MakeStoredRead(const CardInfo& card, SYSTEMTIME& time);
// Binds the read's twelve columns, in cardinfo's order, to parameters 1 to 12.
void BindStoredRead(sqlite3_stmt* statement, const StoredRead& read);
// Reads the twelve columns, in cardinfo's order, from the statement's row
// starting at firstColumn; a text longer than its field is cut to fit.
void TakeStoredRead(sqlite3_stmt* statement, int firstColumn, StoredRead& read);
// Binds the photo bytes to parameter index, as null when there are none.
void BindPhotoBytes(sqlite3_stmt* statement, int index, const CardPhotoBytes& photo);
// The photo bytes of a blob column; none when it is null or holds more
// than a card has.
void TakePhotoBytes(sqlite3_stmt* statement, int column, CardPhotoBytes& photo);
// Inserts the read's row: 0, else the SQLite code of the failed step.
int InsertStoredRead(const StoredRead& read, int waitMs);
// What must commit with every row a store inserts, in the same transaction:
// central records queue the read for the server there, so that a stored
// read is always queued and a queued read always stored. inTransaction
// gets the open connection inside the transaction: 0, else an SQLite code
// that rolls the row back; committed runs once the row is committed. Unset
// (the default): the row alone. Set before any store runs.
struct StoredReadCompanion {
  int (*inTransaction)(sqlite3* db, const StoredRead& read);
  void (*committed)();
};
void SetStoredReadCompanion(StoredReadCompanion companion);
// 1 when cardinfo has a row equal to read in every column, 0 when it has
// none, else the SQLite code of the failed step (a negative value).
int HasStoredRead(const StoredRead& read, int waitMs);
// What a blacklist lookup found out. kUnknown: the table could not be read
// (busy past the wait, a missing or damaged card2), so nobody can tell
// whether the person is listed.
enum class BlacklistAnswer { kNotListed, kListed, kUnknown };
BlacklistAnswer LookUpBlacklist(const wchar_t* cardid, int waitMs = kDatabaseBusyTimeoutMs);
// 1 when the number stands in the blacklist; 0 otherwise and on any failure.
int IsBlacklisted(const wchar_t* cardid);
// Deletes the reads dated before limit (a date tag) and their archived
// photos. 0 on success, else the SQLite code of the failed step.
int PurgeReadsBefore(std::uint32_t limit);

// Local time as file-time ticks, without any time-zone conversion: the
// clock of the stored readtime. 0 for a time that is not a valid date.
std::int64_t FileTimeTicks(const SYSTEMTIME& time);
// Adds the query tool's search indices to a database made before they were
// part of it; a database that has them is left alone. 0 on success, else the
// SQLite code of the failed step.
int AddQueryIndexes();
// year << 16 | month << 8 | day
std::uint32_t DateTag(const SYSTEMTIME& time);
