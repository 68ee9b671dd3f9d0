// A fresh folder under the temporary folder, removed with everything in it
// when the test is done.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class ScopedTempFolder {
 public:
  ScopedTempFolder();
  ~ScopedTempFolder();
  ScopedTempFolder(const ScopedTempFolder&) = delete;
  ScopedTempFolder& operator=(const ScopedTempFolder&) = delete;

  // The folder's path with a trailing backslash.
  const std::wstring& Path() const { return path_; }
  // Path() followed by a relative name.
  std::wstring operator/(const std::wstring& name) const { return path_ + name; }

 private:
  std::wstring path_;
};

// Whole content of a file, or empty when it cannot be read.
std::string ReadWholeFile(const std::wstring& path);
// Creates or replaces the file with bytes.
void WriteFileBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes);
bool FileExists(const std::wstring& path);
// The same folder named by a path of `length` characters (or one more),
// made longer with "." steps: a way to test paths near the longest one.
std::wstring PaddedFolder(const std::wstring& folder, std::size_t length);
