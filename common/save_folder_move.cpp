#include "common/save_folder_move.h"

#include <windows.h>

#include <cwchar>

#include "common/blacklist_copy.h"
#include "common/checked_format.h"
#include "common/profile_path.h"
#include "common/working_folders.h"

namespace {

bool Exists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

// A file in the folder named for this process, with a temporary suffix.
bool ProcessFileName(const wchar_t* folder, const wchar_t* name, wchar_t (&path)[kPathCapacity]) {
  return FormatChecked(path, kPathCapacity, L"%ls%ls.tmp%08lX", folder, name, GetCurrentProcessId()) >= 0;
}

// Writes a byte into a file of its own that goes away when closed.
bool CanWriteInto(const wchar_t* folder) {
  wchar_t probe[kPathCapacity];
  if (!ProcessFileName(folder, L"write-check", probe)) return false;
  const HANDLE file = CreateFileW(probe, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  constexpr char kByte = 0;
  DWORD written = 0;
  const bool wrote = WriteFile(file, &kByte, 1, &written, nullptr) && written == 1;
  CloseHandle(file);
  return wrote;
}

// Fills the draft of a new card2: the shipped database with the blacklist
// of the one in use.
SaveFolderMove FillDraft(const wchar_t* draft, const wchar_t* folderInUse) {
  wchar_t shipped[kPathCapacity];
  if (GetProgramFolder(kPathCapacity, shipped) == 0 || !JoinPath(shipped, kDatabaseFileName, shipped) ||
      !CopyFileW(shipped, draft, FALSE)) {
    return {SaveFolderReadiness::kDatabaseNotCopied, 0};
  }
  wchar_t databaseInUse[kPathCapacity];
  if (!JoinPath(folderInUse, kDatabaseFileName, databaseInUse) || !Exists(databaseInUse)) {
    return {SaveFolderReadiness::kReadyWithEmptyBlacklist, 0};
  }
  int copied = 0;
  if (CopyBlacklist(databaseInUse, draft, copied) != 0) return {SaveFolderReadiness::kBlacklistNotCopied, 0};
  return {SaveFolderReadiness::kReadyWithBlacklist, copied};
}

// The new card2 appears whole or not at all: a draft is filled beside it
// and renamed, so that a failed copy never leaves a database with an empty
// blacklist for the next attempt to take as the folder's own.
SaveFolderMove CreateDatabase(const wchar_t* folder, const wchar_t* database, const wchar_t* folderInUse) {
  wchar_t draft[kPathCapacity];
  if (!ProcessFileName(folder, kDatabaseFileName, draft)) return {SaveFolderReadiness::kDatabaseNotCopied, 0};
  SaveFolderMove move = FillDraft(draft, folderInUse);
  if (IsReady(move.readiness) && !MoveFileExW(draft, database, MOVEFILE_WRITE_THROUGH)) {
    move = {SaveFolderReadiness::kDatabaseNotCopied, 0};
  }
  if (!IsReady(move.readiness)) DeleteFileW(draft);
  return move;
}

}  // namespace

SaveFolderMove ReadySaveFolder(const wchar_t* folder, const wchar_t* folderInUse) {
  if (wcslen(folder) > static_cast<std::size_t>(kLongestSaveFolder)) return {SaveFolderReadiness::kTooLong, 0};
  if (!CreatePathFolders(folder)) return {SaveFolderReadiness::kCannotCreate, 0};
  if (!CanWriteInto(folder)) return {SaveFolderReadiness::kCannotWrite, 0};
  wchar_t database[kPathCapacity];
  if (!JoinPath(folder, kDatabaseFileName, database)) return {SaveFolderReadiness::kTooLong, 0};
  if (Exists(database)) return {SaveFolderReadiness::kReady, 0};
  return CreateDatabase(folder, database, folderInUse);
}
