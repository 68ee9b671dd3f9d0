// The texts the editor shows for database results, refused files and
// refused lines.
#pragma once

#include <string>

#include "blacklist_editor/editor_store.h"
#include "blacklist_editor/text_list.h"

// A failed change: the list is as it was.
std::wstring WriteFailureText(int sqliteCode);
std::wstring WriteFailureText(const StoreResult& result);
// The list could not be read.
std::wstring ReadFailureText(int sqliteCode);
std::wstring ReadFailureText(const StoreResult& result);
// Why a change is refused while the counter's central records keep the list.
std::wstring ReadOnlyListText();
// A file that holds more numbers than one import writes, and how to split it.
std::wstring TooManyNumbersText();
// "第N行：<why> <text as read>", one line of the import summary.
std::wstring RefusedLineText(const RefusedLine& line);
