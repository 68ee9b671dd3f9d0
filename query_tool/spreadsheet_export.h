// Writing every hit of a search into a spreadsheet file through ODBC.
#pragma once

#include "query_tool/card_row.h"
#include "query_tool/read_source.h"

// Inserts every hit of query's search of source (the all-rows query of its
// patterns and time range) into query.exportPath, a copy of the template,
// one row each, with the station as an eleventh column when source has
// stations; query.target owns the messages. Returns 1, always: failures
// are shown to the user here.
int ExportToSpreadsheet(QueryContext& query, ReadSource& source);
