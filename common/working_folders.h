// The start-up preparation that creates the working folders and copies the
// shipped defaults from the program folder.
#pragma once

#include <windows.h>

// The program and settings folders and the names of the shipped files;
// most callers of the preparation also need them.
#include "common/suite_folders.h"

// 1 when every folder level of path exists afterwards, else 0.
int CreatePathFolders(const wchar_t* path);
// 1 when the program may run, 0 when it must stop; shows its own messages,
// owned by owner (none at start-up, the dialog that asked for it later).
int PrepareWorkingFolders(HWND owner = nullptr);
