#include "bench/bench_save_folder.h"

#include <windows.h>

#include <filesystem>

#include "common/reader_settings.h"

std::wstring UseBenchSaveFolder(const ScopedTempFolder& folder) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring database = folder / L"card2";
  std::filesystem::copy_file(std::filesystem::path(self).parent_path() / L"card2", std::filesystem::path(database));
  SetSavePath(folder.Path().c_str());
  return database;
}
