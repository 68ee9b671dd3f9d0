// Counts the calls SQLite makes on the files of the card database, for the
// benchmarks that show where the time of a search goes: every page read
// from the file is one call (under Wine one trip through the system), a
// page of a mapped file none. Installed as SQLite's default file layer,
// passing each call on to the platform's own.
#pragma once

#include <cstdint>

struct FileCalls {
  std::int64_t reads = 0;           // read calls on a file
  std::int64_t mappedPages = 0;     // pages taken from a mapping instead
  std::int64_t locks = 0;           // lock and unlock calls
};

// Puts the counting layer in place; with pageReads, mapping is refused, so
// every page comes through a read call as on a network share. False when
// SQLite refused the layer.
bool CountFileCalls(bool pageReads);
// The calls counted since CountFileCalls.
FileCalls FileCallsSoFar();
// The calls between two counts.
FileCalls operator-(const FileCalls& later, const FileCalls& earlier);
