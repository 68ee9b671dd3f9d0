// A workbook's cells as an independent reader lists them (read_xls.py):
// Python's xlrd or LibreOffice, never the driver's own code.
#pragma once

#include <map>
#include <string>
#include <vector>

struct SheetContents {
  std::string headerBold;  // "1" or "0" per cell of the first row
  std::vector<std::vector<std::string>> rows;  // UTF-8
};

// The sheets by name, from the listing read_xls.py prints.
std::map<std::string, SheetContents> ParseWorkbookListing(const std::string& listing);
