// The two folders every program of the suite starts from: its own program
// folder, which holds the shipped files, and the per-user settings folder.
#pragma once

#include "common/path_capacity.h"

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
