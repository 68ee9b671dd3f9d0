#include "common/settings_file_check.h"

#include <windows.h>

#include <cwchar>
#include <vector>

namespace {
// Far more than the five sections of the file need.
constexpr DWORD kSectionNamesCapacity = 4096;
}  // namespace

bool IsSettingsFileCutShort(const wchar_t* file) {
  if (GetFileAttributesW(file) == INVALID_FILE_ATTRIBUTES) return false;
  // Without a section the profile functions list the section names, each
  // with its terminator, the list ending in an empty name.
  std::vector<wchar_t> names(kSectionNamesCapacity);
  const DWORD length = GetPrivateProfileStringW(nullptr, nullptr, L"", names.data(), kSectionNamesCapacity, file);
  for (DWORD start = 0; start < length && names[start] != L'\0';) {
    const wchar_t* name = names.data() + start;
    if (lstrcmpiW(name, L"Save") == 0) return false;
    start += static_cast<DWORD>(wcslen(name)) + 1;
  }
  return true;
}
