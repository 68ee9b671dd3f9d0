#include "common/suite_folders.h"

#include <windows.h>
#include <shlobj.h>

#include <cwchar>

#include "common/profile_path.h"

namespace {

constexpr wchar_t kSettingsSubfolder[] = L"Tarnwick\\";

// Copies text into buffer when it fits; otherwise leaves an empty text.
// The length copied, or 0.
int CopyIfFits(const wchar_t* text, int capacity, wchar_t* buffer) {
  const std::size_t length = wcslen(text);
  if (length >= static_cast<std::size_t>(capacity)) {
    buffer[0] = L'\0';
    return 0;
  }
  wmemcpy(buffer, text, length + 1);
  return static_cast<int>(length);
}

bool EndsWithBackslash(const wchar_t* path) {
  const std::size_t length = wcslen(path);
  return length > 0 && path[length - 1] == L'\\';
}

}  // namespace

int GetSettingsFolder(int capacity, wchar_t* buffer) {
  if (capacity <= 0) return 0;
  buffer[0] = L'\0';
  if (capacity < kPathCapacity) return 0;
  static_assert(kPathCapacity == MAX_PATH, "the shell fills a buffer of MAX_PATH characters");
  wchar_t folder[kPathCapacity];
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) return 0;
  if (!EndsWithBackslash(folder) && !JoinPath(folder, L"\\", folder)) return 0;
  if (!JoinPath(folder, kSettingsSubfolder, folder)) return 0;
  return CopyIfFits(folder, capacity, buffer);
}

int GetProgramFolder(int capacity, wchar_t* buffer) {
  if (capacity <= 0) return 0;
  buffer[0] = L'\0';
  wchar_t file[kPathCapacity];
  const DWORD length = GetModuleFileNameW(nullptr, file, kPathCapacity);
  // A name that fills the buffer was cut by the platform.
  if (length == 0 || length >= kPathCapacity) return 0;
  wchar_t* lastBackslash = wcsrchr(file, L'\\');
  if (lastBackslash == nullptr) return 0;
  lastBackslash[1] = L'\0';
  return CopyIfFits(file, capacity, buffer);
}

int GetSettingsFilePath(int capacity, wchar_t* buffer) {
  if (capacity <= 0) return 0;
  buffer[0] = L'\0';
  wchar_t path[kPathCapacity];
  if (GetSettingsFolder(kPathCapacity, path) == 0 || !JoinPath(path, kSettingsFileName, path)) return 0;
  return CopyIfFits(path, capacity, buffer);
}
