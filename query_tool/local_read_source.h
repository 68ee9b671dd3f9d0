// The reads of this computer's own card database, as the query tool has
// always searched them (card_query.h).
#pragma once

#include "common/database_handles.h"
#include "query_tool/read_source.h"

class LocalReadSource : public ReadSource {
 public:
  bool Open(int lockWaitMs) override;
  void Close() override { db_.reset(); }
  bool GetReadTimeRange(std::int64_t& earliest, std::int64_t& latest) override;
  std::int32_t CountReads(const QueryContext& query) override;
  bool ReadRows(RowAction action, QueryContext& query, CardRow& row) override;
  bool HasStations() const override { return false; }
  const wchar_t* QueryFailedText() const override;
  const wchar_t* MonthTreeFailedText() const override;
  // The photo the reader program archived for the read.
  std::wstring PhotoPath(const CardRow& row) override;
  BlacklistAnswer LookUpBlacklist(const wchar_t* cardid, int waitMs) override;

 private:
  Database db_;
};
