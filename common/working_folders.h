// The program folder, the per-user settings folder and the start-up
// preparation that creates the working folders and copies shipped defaults.
#pragma once

#include <windows.h>

inline constexpr wchar_t kSettingsFileName[] = L"RoraDI.ini";
inline constexpr wchar_t kBlacklistFileName[] = L"blacklist.txt";
inline constexpr wchar_t kDatabaseFileName[] = L"card2";

// Length of the settings folder path ("...\Tarnwick\") written to buffer,
// or 0 with an empty text when it cannot be had or does not fit.
int GetSettingsFolder(int capacity, wchar_t* buffer);
// Length of the folder of the running program, with its trailing
// backslash, or 0 when it cannot be had or does not fit.
int GetProgramFolder(int capacity, wchar_t* buffer);
// Settings folder followed by RoraDI.ini; 0 when it cannot be had.
int GetSettingsFilePath(int capacity, wchar_t* buffer);
// 1 when every folder level of path exists afterwards, else 0.
int CreatePathFolders(const wchar_t* path);
// 1 when the program may run, 0 when it must stop; shows its own messages,
// owned by owner (none at start-up, the dialog that asked for it later).
int PrepareWorkingFolders(HWND owner = nullptr);
