// Writing every hit of a search into a spreadsheet file through ODBC.
#pragma once

#include "query_tool/card_row.h"

// Inserts every hit of query's search (the all-rows query of its patterns
// and time range) into query.exportPath, a copy of the template, one row
// each; query.target owns the messages. Returns 1, always: failures are
// shown to the user here.
int ExportToSpreadsheet(QueryContext& query);
