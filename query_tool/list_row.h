// Moving a stored read between a CardRow and a row of the result list.
#pragma once

#include <windows.h>

#include "query_tool/card_row.h"

// The list's columns, left to right: ten of the card's read, and with
// central records the station as one more, last.
inline constexpr int kListColumns = 10;
inline constexpr int kStationColumn = kListColumns;
inline constexpr int kMostListColumns = kListColumns + 1;

// The row action of the query and the paging: inserts the row as item
// query.rowCount of the list query.target, with its station when the list
// has the station column. Returns 1.
int AddListRow(QueryContext& query, const CardRow& row);

// The read shown in item of list: each column's text cut to its field,
// birth recovered from the long-form birth date, validFrom and validTo
// left empty (the list holds only their joined form); the station from its
// column when the list has one.
CardRow ReadListRow(HWND list, int item);
