// Copies the blacklist from one card database file into another, so that
// a new save folder raises the same alarms as the one before.
#pragma once

// Adds every row of the blacklist of fromDatabase to the blacklist of
// toDatabase in one transaction: all of them or none. Neither file is
// created. The SQLite result code, 0 on success, when copied tells how
// many rows were added.
int CopyBlacklist(const wchar_t* fromDatabase, const wchar_t* toDatabase, int& copied);
