// The reader program's help: its version and the folders it works in.
#pragma once

#include <windows.h>

inline constexpr wchar_t kProgramVersion[] = L"1.0.0";

// The help text: version, settings folder and save folder.
void FormatProgramHelp(wchar_t* out, int capacity);
// Shows the help text in a message box owned by owner.
void ShowProgramHelp(HWND owner);
