// A small window that says what the reader program is doing while a long
// piece of start-up work runs, before the main window opens: the work runs
// on a thread of its own while this thread keeps the window painted.
#pragma once

#include <windows.h>

#include <functional>

// Receives the share of the work done, in thousandths.
using ProgressReport = std::function<void(int permille)>;
using ProgressWork = std::function<int(const ProgressReport& report)>;

struct ProgressTexts {
  const wchar_t* title;
  const wchar_t* text;
};

// A window of such work that has run longer than this shows.
inline constexpr UINT kProgressWindowDelayMs = 300;
// Width of the bar's range: a report of 1000 fills it.
inline constexpr int kProgressWhole = 1000;

// Runs work on a thread of its own and returns its result once it has
// ended. When the work is still running after kProgressWindowDelayMs, a
// window with the texts and, with showsBar, a bar of the reported progress
// comes up until it ends; it cannot be closed meanwhile. The window's
// static text and bar can be found by the ids below.
int RunWithProgressWindow(const ProgressTexts& texts, bool showsBar, const ProgressWork& work);

inline constexpr int kProgressTextId = 100;
inline constexpr int kProgressBarId = 101;
