// Every message box of the suite goes through ShowMessageBox, so that a
// test can capture the text instead of leaving a modal window open.
#pragma once

#include <windows.h>

#include <functional>

using MessageBoxHandler = std::function<int(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type)>;

int ShowMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
// A failure to prepare the working folders: empty caption, error icon, OK
// only; no owner at start-up.
void ShowErrorMessage(const wchar_t* text, HWND owner = nullptr);
// Replaces the platform message box; an empty handler restores it.
void SetMessageBoxHandler(MessageBoxHandler handler);
