// The query tool's reads of the card database. Each takes a connection
// opened by OpenCardDatabase and never writes. Results are SQLite codes,
// 0 for success.
#pragma once

#include <cstdint>

#include "query_tool/card_row.h"

struct sqlite3;

// The earliest and latest stored reading times. Without a row (an error)
// the outputs keep what the caller put in them.
int GetReadTimeRange(sqlite3* db, std::int64_t& earliest, std::int64_t& latest);
// What CountCardReads gives when the database could not be read, so that a
// failure is never shown as no hits.
inline constexpr std::int32_t kCountFailed = -1;
// Reads matching the query's patterns and time range; kCountFailed on any
// failure.
std::int32_t CountCardReads(sqlite3* db, const QueryContext& query);
// Hands every matching read (one page, or all rows in kQueryAllRows mode) to
// action, decoded into row, and counts it in query.rowCount.
int ReadCardRows(sqlite3* db, RowAction action, QueryContext& query, CardRow& row);
