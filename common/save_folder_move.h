// Getting a folder ready to become the save folder, before the settings
// name it: a folder that cannot serve is refused while the one in use
// still is, and a fresh card database takes the blacklist along, so that
// every alarm goes on after the move.
#pragma once

#include "common/path_capacity.h"

// Room the suite needs inside the save folder: its longest name is an
// archived photo, "YYYYMM\DD_<18-character number>.bmp" (32 characters),
// and a file being written carries a temporary suffix such as
// ".tmp12345678" (12 more).
inline constexpr int kSaveFolderNameRoom = 32 + 12;
// The longest save folder, its trailing backslash included (215).
inline constexpr int kLongestSaveFolder = kPathCapacity - 1 - kSaveFolderNameRoom;

enum class SaveFolderReadiness {
  kReady,                    // the folder has a card database of its own
  kReadyWithBlacklist,       // a fresh card database with the blacklist in use
  kReadyWithEmptyBlacklist,  // a fresh one; the folder in use had no database
  kTooLong,                  // longer than kLongestSaveFolder
  kCannotCreate,             // a level of it cannot be made (a file is in the way)
  kCannotWrite,              // no file can be written into it
  kDatabaseNotCopied,        // the shipped database cannot be put there
  kBlacklistNotCopied,       // the blacklist in use cannot be read or written
};

struct SaveFolderMove {
  SaveFolderReadiness readiness;
  // Blacklist rows copied, with kReadyWithBlacklist.
  int blacklistRows;
};

inline bool IsReady(SaveFolderReadiness readiness) {
  return readiness == SaveFolderReadiness::kReady || readiness == SaveFolderReadiness::kReadyWithBlacklist ||
         readiness == SaveFolderReadiness::kReadyWithEmptyBlacklist;
}

// folder: the new save folder, with its trailing backslash; folderInUse:
// the current one. Creates the folder's levels and, when it holds no card2,
// one made from the shipped database and the blacklist of folderInUse's
// card2. A refused folder is left without a card2 of ours.
SaveFolderMove ReadySaveFolder(const wchar_t* folder, const wchar_t* folderInUse);
