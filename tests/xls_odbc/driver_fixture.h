// A copy of the export template in a scratch folder that a private Wine
// prefix maps as drive Z:, as the programs under Wine see the host's files.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/scratch_folder.h"

// Test texts written in UTF-8 as the driver takes them.
std::u16string Utf16(std::string_view text);

class DriverFixture : public ::testing::Test {
 protected:
  void SetUp() override;

  // The Windows path (drive Z:) of a host path.
  static std::u16string WindowsPath(const std::filesystem::path& path);
  static std::vector<char> FileBytes(const std::filesystem::path& path);
  // Names in the workbook's folder other than the workbook itself.
  std::vector<std::string> OtherFiles() const;

  ScratchFolder scratch_;
  std::filesystem::path workbook_;
};
