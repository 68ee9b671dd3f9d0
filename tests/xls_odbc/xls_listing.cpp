#include "xls_odbc/xls_listing.h"

#include <sstream>

namespace {

std::vector<std::string> SplitCells(const std::string& line) {
  std::vector<std::string> cells;
  std::size_t start = 0;
  for (std::size_t end; (end = line.find('\x1f', start)) != std::string::npos; start = end + 1)
    cells.push_back(line.substr(start, end - start));
  cells.push_back(line.substr(start));
  return cells;
}

}  // namespace

std::map<std::string, SheetContents> ParseWorkbookListing(const std::string& listing) {
  std::map<std::string, SheetContents> sheets;
  SheetContents* sheet = nullptr;
  std::stringstream lines(listing);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("#sheet ")) {
      sheet = &sheets[line.substr(7)];
    } else if (sheet && line.starts_with("#bold ")) {
      sheet->headerBold = line.substr(6);
    } else if (sheet) {
      sheet->rows.push_back(SplitCells(line));
    }
  }
  return sheets;
}
