// Moving a stored read between a CardRow and a row of the result list.
#pragma once

#include <windows.h>

#include "query_tool/card_row.h"

// The list's columns, left to right.
inline constexpr int kListColumns = 10;

// The row action of the query and the paging: inserts the row as item
// query.rowCount of the list query.target. Returns 1.
int AddListRow(QueryContext& query, const CardRow& row);

// The read shown in item of list: each column's text cut to its field,
// birth recovered from the long-form birth date, validFrom and validTo
// left empty (the list holds only their joined form).
CardRow ReadListRow(HWND list, int item);
