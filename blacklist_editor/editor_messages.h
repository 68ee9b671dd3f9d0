// The texts the editor shows for database results, refused files and
// refused lines.
#pragma once

#include <string>

#include "blacklist_editor/text_list.h"

// A failed change: the list is as it was.
std::wstring WriteFailureText(int sqliteCode);
// The list could not be read.
std::wstring ReadFailureText(int sqliteCode);
// A file that holds more numbers than one import writes, and how to split it.
std::wstring TooManyNumbersText();
// "第N行：<why> <text as read>", one line of the import summary.
std::wstring RefusedLineText(const RefusedLine& line);
