#include "xls_odbc/driver_fixture.h"

#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "emulator/utf8_to_utf16.h"

std::u16string Utf16(std::string_view text) {
  std::u16string wide;
  Utf8ToUtf16(text, wide);
  return wide;
}

void DriverFixture::SetUp() {
  const auto prefix = scratch_.Path() / "prefix";
  std::filesystem::create_directories(prefix / "dosdevices");
  std::filesystem::create_directory_symlink("/", prefix / "dosdevices" / "z:");
  setenv("WINEPREFIX", prefix.c_str(), 1);
  // A folder with a Chinese name, as a counter's save folder may have.
  const auto folder = scratch_.Path() / "导出";
  std::filesystem::create_directory(folder);
  workbook_ = folder / "Export.xls";
  std::filesystem::copy_file(TEMPLATE_PATH, workbook_);
}

std::u16string DriverFixture::WindowsPath(const std::filesystem::path& path) {
  std::string text = "Z:" + path.string();
  std::ranges::replace(text, '/', '\\');
  return Utf16(text);
}

std::vector<char> DriverFixture::FileBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(file), {});
}

std::vector<std::string> DriverFixture::OtherFiles() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(workbook_.parent_path()))
    if (entry.path() != workbook_) names.push_back(entry.path().filename().string());
  return names;
}
