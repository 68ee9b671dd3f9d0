#include "common/working_folders.h"

#include <windows.h>
#include <shlwapi.h>
#include <versionhelpers.h>

#include <cwchar>
#include <string>

#include "common/message_box.h"
#include "common/profile_path.h"
#include "common/reader_settings.h"
#include "common/settings_file_check.h"

namespace {

// Suffix of a settings file cut short that the preparation put aside.
constexpr wchar_t kCutSettingsSuffix[] = L".damaged";

bool EndsWithBackslash(const wchar_t* path) {
  const std::size_t length = wcslen(path);
  return length > 0 && path[length - 1] == L'\\';
}

bool IsFolder(const wchar_t* path) {
  const DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Exists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

// Creates one folder level; another program creating it at the same moment
// is as good as creating it ourselves.
bool EnsureFolder(const wchar_t* path) { return IsFolder(path) || CreateDirectoryW(path, nullptr) || IsFolder(path); }

// A settings file cut short is renamed with kCutSettingsSuffix, so that
// the shipped one takes its place and nobody works on without storing;
// an earlier file put aside gives way. False when it cannot be renamed.
bool SetAsideCutSettingsFile(const wchar_t* settingsFile, wchar_t (&aside)[kPathCapacity], bool& setAside) {
  setAside = false;
  if (!IsSettingsFileCutShort(settingsFile)) return true;
  if (!JoinPath(settingsFile, kCutSettingsSuffix, aside) ||
      !MoveFileExW(settingsFile, aside, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return false;
  }
  setAside = true;
  return true;
}

void TellSettingsFileReplaced(const wchar_t* aside, HWND owner) {
  const std::wstring text = std::wstring(L"配置文件不完整（可能因断电），已改名为 ") + aside +
                            L" 留存，现已换上默认配置。请重新检查各项设置，特别是保存路径和自动保存。";
  ShowMessageBox(owner, text.c_str(), L"", MB_OK | MB_ICONWARNING);
}

// Copies name from the program folder into folder unless folder holds it
// already. An existing copy is never replaced: it may hold the user's data.
bool CopyShippedFileIfMissing(const wchar_t* name, const wchar_t* folder) {
  wchar_t target[kPathCapacity];
  if (!JoinPath(folder, name, target)) return false;
  if (Exists(target)) return true;
  wchar_t source[kPathCapacity];
  if (GetProgramFolder(kPathCapacity, source) == 0 || !JoinPath(source, name, source)) return false;
  return CopyFileW(source, target, TRUE) != FALSE;
}

// Reads Save/SavePath into save, with its trailing backslash. False when the
// value, or the value with the backslash, is longer than a path may be.
bool ReadSaveFolder(const wchar_t* settingsFile, wchar_t (&save)[kPathCapacity]) {
  if (!ReadProfilePath(L"Save", L"SavePath", settingsFile, save)) return false;
  if (save[0] == L'\0' || EndsWithBackslash(save)) return true;
  return JoinPath(save, L"\\", save);
}

}  // namespace

int CreatePathFolders(const wchar_t* path) {
  const std::size_t length = wcslen(path);
  if (length >= kPathCapacity) return 0;
  wchar_t prefix[kPathCapacity];
  wmemcpy(prefix, path, length + 1);
  // The root ("D:\", "\\server\share\") is not a folder that can be made.
  const wchar_t* afterRoot = PathSkipRootW(prefix);
  std::size_t position = afterRoot != nullptr ? static_cast<std::size_t>(afterRoot - prefix) : 0;
  for (; position < length; ++position) {
    if (prefix[position] != L'\\') continue;
    prefix[position + 1] = L'\0';
    const bool made = EnsureFolder(prefix);
    prefix[position + 1] = path[position + 1];
    if (!made) return 0;
  }
  return 1;
}

int PrepareWorkingFolders(HWND owner) {
  // The version check answers truthfully up to the newest release the
  // program declares; without a manifest that is 6.2, far above the minimum.
  if (!IsWindowsVersionOrGreater(5, 0, 0)) return 0;

  wchar_t settingsFolder[kPathCapacity];
  if (GetSettingsFolder(kPathCapacity, settingsFolder) == 0) {
    ShowErrorMessage(L"获取配置文件路径失败", owner);
    return 0;
  }
  if (!EnsureFolder(settingsFolder)) {
    ShowErrorMessage(L"创建配置文件路径失败", owner);
    return 0;
  }
  wchar_t settingsFile[kPathCapacity];
  wchar_t cutFileAside[kPathCapacity];
  bool cutFileSetAside = false;
  if (!JoinPath(settingsFolder, kSettingsFileName, settingsFile) ||
      !SetAsideCutSettingsFile(settingsFile, cutFileAside, cutFileSetAside) ||
      !CopyShippedFileIfMissing(kBlacklistFileName, settingsFolder) ||
      !CopyShippedFileIfMissing(kSettingsFileName, settingsFolder)) {
    ShowErrorMessage(L"创建配置文件失败", owner);
    return 0;
  }
  if (cutFileSetAside) TellSettingsFileReplaced(cutFileAside, owner);

  wchar_t saveFolder[kPathCapacity];
  if (!ReadSaveFolder(settingsFile, saveFolder)) {
    ShowErrorMessage(L"创建信息保存路径失败", owner);
    return 0;
  }
  if (saveFolder[0] == L'\0') {
    SetSavePath(settingsFolder);
  } else {
    SetSavePath(saveFolder);
    if (!CreatePathFolders(saveFolder)) {
      ShowErrorMessage(L"创建信息保存路径失败", owner);
      return 0;
    }
  }

  if (!CopyShippedFileIfMissing(kDatabaseFileName, GetSavePath())) {
    ShowErrorMessage(L"创建数据库失败", owner);
    return 0;
  }
  return 1;
}
