// The query tool's reads of the card database. Each takes a connection
// opened by OpenCardDatabase, reads through a mapping of a file on a local
// disk (common/mapped_database_reads.h), and never writes. Results are
// SQLite codes, 0 for success.
#pragma once

#include <cstdint>

#include "query_tool/card_row.h"

struct sqlite3;

// The earliest and latest reading time, each read from its end of the time
// index. SQLite finds a lone min or max there, but walks the whole index
// for both in one select: 85 ms on a million reads, growing with them.
inline constexpr wchar_t kReadTimeRangeStatement[] =
    L"select (select min(readtime) from cardinfo),(select max(readtime) from cardinfo);";
// The search statements. Which index answers one depends on the values
// bound and on the database's statistics, never on the text, which stays
// as it is. Parameters: the name, number and sex patterns (texts), the
// first and last reading time (64-bit integers), and for the page the
// offset of its first row.
inline constexpr wchar_t kCountStatement[] =
    L"select count(cardid) from cardinfo where cardname like ? and cardid like ? and sex like ? and readtime "
    L"between ? and ?;";
inline constexpr wchar_t kPageStatement[] =
    L"select * from cardinfo where cardname like ? and cardid like ? and sex like ? and readtime between ? and ? "
    L"limit 50 offset ?;";
inline constexpr wchar_t kAllRowsStatement[] =
    L"select * from cardinfo where cardname like ? and cardid like ? and sex like ? and readtime between ? and ?;";

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
