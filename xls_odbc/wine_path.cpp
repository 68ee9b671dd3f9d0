#include "xls_odbc/wine_path.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "xls_odbc/text_encoding.h"

namespace xls {
namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

char FoldAsciiCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (FoldAsciiCase(a[i]) != FoldAsciiCase(b[i])) return false;
  return true;
}

bool Exists(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

struct DirectoryCloser {
  void operator()(DIR* directory) const { closedir(directory); }
};

// The entry of folder named like component, or component itself.
std::string MatchEntry(const std::string& folder, const std::string& component) {
  if (Exists(folder + "/" + component)) return component;
  std::unique_ptr<DIR, DirectoryCloser> directory(opendir(folder.c_str()));
  if (!directory) return component;
  while (const dirent* entry = readdir(directory.get()))
    if (EqualIgnoringAsciiCase(entry->d_name, component)) return entry->d_name;
  return component;
}

}  // namespace

std::string WinePrefixFolder() {
  if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix) return prefix;
  const char* home = std::getenv("HOME");
  return std::string(home ? home : "") + "/.wine";
}

MappedPath MapWindowsPath(std::u16string_view windowsPath, const std::string& prefix) {
  if (windowsPath.size() >= 2 && IsSeparator(windowsPath[0]) && IsSeparator(windowsPath[1]))
    return {PathStatus::kNetworkPath, {}};
  const bool hasDrive = windowsPath.size() >= 3 && IsAsciiLetter(windowsPath[0]) &&
                        windowsPath[1] == u':' && IsSeparator(windowsPath[2]);
  if (!hasDrive) return {PathStatus::kNotAbsolute, {}};
  const std::string drive = prefix + "/dosdevices/" + FoldAsciiCase(static_cast<char>(windowsPath[0])) + ":";
  std::vector<std::string> components;
  std::size_t start = 3;
  while (start <= windowsPath.size()) {
    std::size_t end = start;
    while (end < windowsPath.size() && !IsSeparator(windowsPath[end])) ++end;
    const std::string component = ToUtf8(windowsPath.substr(start, end - start));
    if (component == "..") {
      if (components.empty()) return {PathStatus::kLeavesDrive, {}};
      components.pop_back();
    } else if (!component.empty() && component != ".") {
      components.push_back(component);
    }
    start = end + 1;
  }
  std::string path = drive;
  for (const std::string& component : components) path += "/" + MatchEntry(path, component);
  return {PathStatus::kMapped, path};
}

}  // namespace xls
