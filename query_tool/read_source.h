// Where the query window's reads come from: this computer's card database,
// or every counter's reads on the central server. The window opens the
// source around each user action (a search, a page, the month tree, an
// export) and holds nothing open between them.
#pragma once

#include <cstdint>
#include <string>

#include "common/card_database.h"
#include "query_tool/card_row.h"

class ReadSource {
 public:
  virtual ~ReadSource() = default;

  // Opens the source for one action; a local database waits at most
  // lockWaitMs for another program's lock. False when it cannot be had.
  virtual bool Open(int lockWaitMs) = 0;
  virtual void Close() = 0;

  // On an open source. The earliest and latest reading times as file-time
  // ticks, 0 for both without reads; false on a failure, with the outputs
  // as the caller put them.
  virtual bool GetReadTimeRange(std::int64_t& earliest, std::int64_t& latest) = 0;
  // The hits of the query's patterns and time range; kCountFailed (card_query.h)
  // on a failure, never a count that could pass for no hits.
  virtual std::int32_t CountReads(const QueryContext& query) = 0;
  // Hands every hit (one page or all, by query.mode) to action, decoded
  // into row, and counts it in query.rowCount; false when the reading
  // stopped before the end.
  virtual bool ReadRows(RowAction action, QueryContext& query, CardRow& row) = 0;

  // Whether the rows name the counter that read them (a station column).
  virtual bool HasStations() const = 0;
  // The status line's texts when a search or page, or the month tree,
  // failed.
  virtual const wchar_t* QueryFailedText() const = 0;
  virtual const wchar_t* MonthTreeFailedText() const = 0;
  // The bitmap file of row's photo, to show and to print; empty when there
  // is none. Reaches the source itself, open or not.
  virtual std::wstring PhotoPath(const CardRow& row) = 0;
  // Whether the number is on the blacklist that the counters' alarms go
  // by: this computer's table, or the central list. Reaches the source
  // itself, open or not; the local table is waited for at most waitMs.
  virtual BlacklistAnswer LookUpBlacklist(const wchar_t* cardid, int waitMs) = 0;
};

// An opened source, closed again when it goes out of scope.
class OpenedSource {
 public:
  OpenedSource(ReadSource& source, int lockWaitMs) : source_(source), open_(source.Open(lockWaitMs)) {}
  ~OpenedSource() {
    if (open_) source_.Close();
  }
  OpenedSource(const OpenedSource&) = delete;
  OpenedSource& operator=(const OpenedSource&) = delete;
  explicit operator bool() const { return open_; }

 private:
  ReadSource& source_;
  bool open_;
};
