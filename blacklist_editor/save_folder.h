// The save folder that holds the card database the editor works on. The
// reader program can move it (in its configuration dialog) while the editor
// runs, so the editor reads it from the settings file again before each
// action instead of keeping the one it found at start-up.
#pragma once

#include <windows.h>

#include <string>

// Reads the save folder from the settings file and prepares it as the
// start-up does, so a new save folder gets the prepared card2 just as the
// reader program gives it one. False when that failed; the preparation has
// then told the user why, in a message box owned by owner.
bool FollowSaveFolder(HWND owner);

// The card database in the save folder last read.
std::wstring CardDatabasePath();
