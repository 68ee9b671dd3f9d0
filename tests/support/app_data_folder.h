// Points the current user's roaming application-data folder at a fresh
// temporary folder for the life of the object, so that a test never reads or
// writes the real profile. The shell answers the current-path query from the
// user's shell-folder value in the registry, which is what is redirected;
// the old value comes back and the folder goes away on destruction.
// Tests that use it share the CTest resource lock "appdata": the value is
// one per user, not one per process.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/temp_folder.h"

class ScopedAppDataFolder {
 public:
  ScopedAppDataFolder();
  ~ScopedAppDataFolder();
  ScopedAppDataFolder(const ScopedAppDataFolder&) = delete;
  ScopedAppDataFolder& operator=(const ScopedAppDataFolder&) = delete;

  // The temporary folder, with a trailing backslash.
  const std::wstring& Path() const { return folder_.Path(); }
  // Points the application-data folder somewhere else (a missing folder, a
  // very long name) until the object is destroyed.
  void PointAt(const std::wstring& folder);

 private:
  ScopedTempFolder folder_;
  bool redirected_ = false;
  bool hadValue_ = false;
  DWORD oldType_ = REG_NONE;
  std::vector<BYTE> oldData_;
};
