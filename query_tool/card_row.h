// The records the query tool works with: one stored read as it is listed
// (CardRow), and the parameters and run state of a search (QueryContext),
// which the query, the paging, the detail view and the export share.
#pragma once

#include <windows.h>

#include <sqltypes.h>

#include <cstdint>

#include "card/card_info.h"

// Longest station name a row keeps, as the counters' settings allow it.
inline constexpr int kStationUnits = 60;

// A stored read: the card's fields, laid out as CardInfo, followed by the
// time of the read as "year-month-day hour:minute:second", and the counter
// that read it (empty for a read of this computer's own database).
struct CardRow : CardInfo {
  wchar_t readTimeText[24];
  wchar_t station[kStationUnits + 1];
};

// Values of QueryContext::mode.
inline constexpr std::int32_t kQueryOnePage = 0;
inline constexpr std::int32_t kQueryAllRows = 1;
// Rows on one page of the result list.
inline constexpr std::int32_t kPageRows = 50;

struct QueryContext {
  std::int32_t mode;      // kQueryOnePage (kPageRows from offset) or kQueryAllRows
  std::int32_t rowCount;  // rows handed to the row action in the current run
  std::int32_t offset;    // first row of the page on show
  HWND target;            // the result list, or the query window during an export
  SQLHSTMT statement;     // the prepared insert during an export, else null
  wchar_t* exportPath;    // the spreadsheet file during an export, else null
  std::int64_t timeFrom;  // reading-time range, file-time ticks, both ends included
  std::int64_t timeTo;
  wchar_t namePattern[36];  // LIKE patterns of cardname, cardid and sex
  wchar_t numberPattern[24];
  wchar_t sexPattern[8];
};

// Called once for every row a run reads; the result is not looked at.
using RowAction = int (*)(QueryContext& query, const CardRow& row);
