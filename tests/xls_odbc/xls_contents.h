// A workbook's cells as read by an independent reader (Python's xlrd),
// never by the driver's own code.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

struct SheetContents {
  std::string headerBold;  // "1" or "0" per cell of the first row
  std::vector<std::vector<std::string>> rows;  // UTF-8
};

// The sheets by name; empty when the reader fails on the file.
std::map<std::string, SheetContents> ReadWithXlrd(const std::filesystem::path& file);
