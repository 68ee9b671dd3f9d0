// A workbook file opened for appending rows. Nothing reaches the disk until
// Save, which writes a complete new file beside the old one and renames it
// over it: the file is always either as it was opened or complete.
#pragma once

#include <optional>
#include <string>

#include "xls_odbc/workbook.h"

namespace xls {

enum class OpenStatus { kOpened, kMissing, kUnreadable, kNotWorkbook };

class WorkbookFile {
 public:
  static OpenStatus Open(const std::string& path, std::optional<WorkbookFile>& file);

  Workbook& workbook() { return workbook_; }
  // Writes the appended rows; error receives the reason on failure, and the
  // file on disk is then left as it was.
  bool Save(std::string& error);

 private:
  WorkbookFile(std::string path, Workbook workbook) : path_(std::move(path)), workbook_(std::move(workbook)) {}

  std::string path_;
  Workbook workbook_;
};

}  // namespace xls
