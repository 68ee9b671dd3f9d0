#include "temp_folder.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>

ScopedTempFolder::ScopedTempFolder() {
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  static unsigned sequence = 0;
  for (;;) {
    wchar_t name[MAX_PATH];
    swprintf(name, MAX_PATH, L"%lstarnwick-test-%lu-%u\\", base, GetCurrentProcessId(), ++sequence);
    if (CreateDirectoryW(name, nullptr)) {
      path_ = name;
      return;
    }
  }
}

ScopedTempFolder::~ScopedTempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ReadWholeFile(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void WriteFileBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring PaddedFolder(const std::wstring& folder, std::size_t length) {
  std::wstring padded = folder;
  while (padded.size() < length) padded += L".\\";
  return padded;
}
