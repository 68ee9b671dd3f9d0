#include "query_tool/card_query.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "common/database_handles.h"
#include "common/mapped_database_reads.h"

namespace {
// Positions of the columns of cardinfo, whose order is fixed.
enum Column : int {
  kName, kSex, kNation, kBirth, kAddress, kIdNumber, kAuthority, kValidFrom, kValidTo, kReadTime, kNewAddress,
};

void BindSearch(sqlite3_stmt* statement, const QueryContext& query) {
  sqlite3_bind_text16(statement, 1, query.namePattern, -1, SQLITE_STATIC);
  sqlite3_bind_text16(statement, 2, query.numberPattern, -1, SQLITE_STATIC);
  sqlite3_bind_text16(statement, 3, query.sexPattern, -1, SQLITE_STATIC);
  sqlite3_bind_int64(statement, 4, query.timeFrom);
  sqlite3_bind_int64(statement, 5, query.timeTo);
}

// Copies at most `units` units of a text column into a zeroed field; the
// field keeps at least one terminating zero.
template <std::size_t Units, std::size_t N>
void CopyColumn(sqlite3_stmt* statement, int column, wchar_t (&field)[N]) {
  static_assert(Units < N);
  const void* text = sqlite3_column_text16(statement, column);
  if (text == nullptr) return;
  const auto bytes = static_cast<std::size_t>(sqlite3_column_bytes16(statement, column));
  std::memcpy(field, text, std::min(bytes, Units * sizeof(wchar_t)));
}

// The read time as stored (file-time ticks of local time) in calendar form.
void FormatReadTime(wchar_t (&out)[24], std::int64_t ticks) {
  const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(static_cast<std::uint64_t>(ticks) >> 32)};
  SYSTEMTIME calendar{};
  if (!FileTimeToSystemTime(&time, &calendar)) return;
  std::swprintf(out, std::size(out), L"%04d-%02d-%02d %02d:%02d:%02d", calendar.wYear, calendar.wMonth,
                calendar.wDay, calendar.wHour, calendar.wMinute, calendar.wSecond);
}

void DecodeRow(sqlite3_stmt* statement, CardRow& row) {
  row = CardRow{};
  // The widths of the card's own fields: a longer text in the database is cut.
  CopyColumn<15>(statement, kName, row.name);
  CopyColumn<1>(statement, kSex, row.sex);
  CopyColumn<9>(statement, kNation, row.nation);
  CopyColumn<8>(statement, kBirth, row.birth);
  CopyColumn<35>(statement, kAddress, row.address);
  CopyColumn<18>(statement, kIdNumber, row.idNumber);
  CopyColumn<15>(statement, kAuthority, row.authority);
  CopyColumn<8>(statement, kValidFrom, row.validFrom);
  CopyColumn<8>(statement, kValidTo, row.validTo);
  CopyColumn<35>(statement, kNewAddress, row.newAddress);
  FormatCardDates(row);
  FormatReadTime(row.readTimeText, sqlite3_column_int64(statement, kReadTime));
}
}  // namespace

int GetReadTimeRange(sqlite3* db, std::int64_t& earliest, std::int64_t& latest) {
  MapDatabaseReads(db);
  Statement select;
  if (const int prepared = PrepareStatement(db, kReadTimeRangeStatement, select); prepared != SQLITE_OK) {
    return prepared;
  }
  const int step = sqlite3_step(select.get());
  if (step != SQLITE_ROW) return step;
  earliest = sqlite3_column_int64(select.get(), 0);
  latest = sqlite3_column_int64(select.get(), 1);
  return SQLITE_OK;
}

std::int32_t CountCardReads(sqlite3* db, const QueryContext& query) {
  MapDatabaseReads(db);
  Statement count;
  if (PrepareStatement(db, kCountStatement, count) != SQLITE_OK) return kCountFailed;
  BindSearch(count.get(), query);
  if (sqlite3_step(count.get()) != SQLITE_ROW) return kCountFailed;
  return sqlite3_column_int(count.get(), 0);
}

int ReadCardRows(sqlite3* db, RowAction action, QueryContext& query, CardRow& row) {
  const bool allRows = (query.mode & kQueryAllRows) != 0;
  MapDatabaseReads(db);
  Statement select;
  const wchar_t* const text = allRows ? kAllRowsStatement : kPageStatement;
  if (const int prepared = PrepareStatement(db, text, select); prepared != SQLITE_OK) {
    return prepared;
  }
  BindSearch(select.get(), query);
  if (!allRows) sqlite3_bind_int(select.get(), 6, query.offset);
  int step;
  while ((step = sqlite3_step(select.get())) == SQLITE_ROW) {
    DecodeRow(select.get(), row);
    action(query, row);
    ++query.rowCount;
  }
  return step == SQLITE_DONE ? SQLITE_OK : step;
}
