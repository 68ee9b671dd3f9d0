// Printing one stored read as a card face.
#pragma once

#include <windows.h>

#include <string>

#include "query_tool/card_row.h"

// Prints row with the photo at photoPath (none when empty), the printer
// dialog owned by owner.
void PrintCardRow(HWND owner, const CardRow& row, const std::wstring& photoPath);
