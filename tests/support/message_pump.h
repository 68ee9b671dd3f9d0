// Lets the windows of the test's thread handle their messages while a
// test waits for something they do.
#pragma once

#include <windows.h>

#include <functional>

// True when done() held before the time was up.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
