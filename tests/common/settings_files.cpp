#include "settings_files.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

std::wstring TestProgramFolder() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  return std::filesystem::path(self).parent_path().wstring() + L"\\";
}

void WriteUnicodeFile(const std::wstring& path, const std::wstring& lines) {
  std::wstring content = L"\xFEFF";
  for (wchar_t character : lines) {
    if (character == L'\n') content += L'\r';
    content += character;
  }
  std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(content.data()),
            static_cast<std::streamsize>(content.size() * sizeof(wchar_t)));
  ASSERT_TRUE(out.good()) << "cannot write the test file";
}

std::wstring ReadProfileValue(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
  wchar_t value[1024];
  GetPrivateProfileStringW(section, key, L"<absent>", value, 1024, file.c_str());
  return value;
}

std::wstring Repeated(wchar_t character, std::size_t count) { return std::wstring(count, character); }

ScopedHiddenFile::ScopedHiddenFile(std::wstring path) : path_(std::move(path)), aside_(path_ + L".hidden") {
  EXPECT_TRUE(MoveFileW(path_.c_str(), aside_.c_str())) << "cannot hide the shipped file";
}

ScopedHiddenFile::~ScopedHiddenFile() { MoveFileW(aside_.c_str(), path_.c_str()); }
