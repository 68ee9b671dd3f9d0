#include "common/profile_path.h"

#include <windows.h>

#include <cwchar>

bool ReadProfilePath(const wchar_t* section, const wchar_t* key, const wchar_t* file, wchar_t (&path)[kPathCapacity]) {
  // One unit more than a path may hold: a value that fills it was cut.
  wchar_t value[kPathCapacity + 1];
  const DWORD length = GetPrivateProfileStringW(section, key, L"", value, kPathCapacity + 1, file);
  if (length >= kPathCapacity) {
    path[0] = L'\0';
    return false;
  }
  wmemcpy(path, value, length + 1);
  return true;
}

bool JoinPath(const wchar_t* prefix, const wchar_t* name, wchar_t (&path)[kPathCapacity]) {
  const std::size_t prefixLength = wcslen(prefix);
  const std::size_t nameLength = wcslen(name);
  if (prefixLength + nameLength >= kPathCapacity) {
    path[0] = L'\0';
    return false;
  }
  // prefix may be path itself (appending to it), hence memmove.
  wmemmove(path, prefix, prefixLength);
  wmemmove(path + prefixLength, name, nameLength + 1);
  return true;
}
