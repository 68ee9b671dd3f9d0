// The texts the editor shows for database results and refused lines.
#pragma once

#include <string>

#include "blacklist_editor/text_list.h"

// A failed change: the list is as it was.
std::wstring WriteFailureText(int sqliteCode);
// The list could not be read.
std::wstring ReadFailureText(int sqliteCode);
// "第N行：<why> <text as read>", one line of the import summary.
std::wstring RefusedLineText(const RefusedLine& line);
