// Screenshots of windows for a person to look at after a test run.
#pragma once

#include <windows.h>

enum ScreenshotStatus : int {
  kScreenshotSaved = 0,
  kScreenshotBadArgument = -1,  // no such window, or an empty or path-like name
  kScreenshotPathTooLong = -2,  // the file's path would exceed 259 characters
  kScreenshotCaptureFailed = -3,
  kScreenshotWriteFailed = -4,
};

// Captures the window as shown, frame included, as a 24-bit image and
// writes it as <screenshot folder>/<name>.png, replacing an older file.
// The folder is the build's screenshot folder, created when missing.
int SaveWindowScreenshot(HWND window, const char* name);
