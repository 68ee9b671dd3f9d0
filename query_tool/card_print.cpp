#include "query_tool/card_print.h"

// The suite's print job is not part of the query tool yet; until it is,
// the print button does nothing.
void PrintCardRow(HWND, const CardRow&, const std::wstring&) {}
