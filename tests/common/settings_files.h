// Helpers for tests of the settings file and the working folders: the test
// program's own folder stands in for the program folder, and its shipped
// files are put there by the build.
#pragma once

#include <string>

// The folder of the running test program, with a trailing backslash.
std::wstring TestProgramFolder();

// Writes lines as a UTF-16LE file with a byte-order mark and CR LF line
// ends, the form in which the settings file ships.
void WriteUnicodeFile(const std::wstring& path, const std::wstring& lines);

// The text of section/key as the platform reads it, or "<absent>".
std::wstring ReadProfileValue(const std::wstring& file, const wchar_t* section, const wchar_t* key);

// A text of count copies of one character.
std::wstring Repeated(wchar_t character, std::size_t count);

// Moves a file out of the way for the life of the object and puts it back.
class ScopedHiddenFile {
 public:
  explicit ScopedHiddenFile(std::wstring path);
  ~ScopedHiddenFile();
  ScopedHiddenFile(const ScopedHiddenFile&) = delete;
  ScopedHiddenFile& operator=(const ScopedHiddenFile&) = delete;

 private:
  std::wstring path_;
  std::wstring aside_;
};
