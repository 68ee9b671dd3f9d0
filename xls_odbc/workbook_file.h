// A workbook file opened for appending rows. Nothing reaches the disk until
// Save, which writes a complete new file beside the old one and renames it
// over it: the file is always either as it was opened or complete.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "xls_odbc/workbook.h"

namespace xls {

enum class OpenStatus { kOpened, kMissing, kUnreadable, kNotWorkbook, kInUse };

// A file opened for writing is held for the life of the WorkbookFile: a
// second writer of the same file is refused, since each would write its own
// rows over the other's. Readers are never refused.
enum class Access { kRead, kWrite };

// An open file descriptor, closed with the object; a lock on the file goes
// with it.
class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int descriptor) : descriptor_(descriptor) {}
  FileDescriptor(FileDescriptor&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    std::swap(descriptor_, other.descriptor_);
    return *this;
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor();

  int get() const { return descriptor_; }

 private:
  int descriptor_ = -1;
};

class WorkbookFile {
 public:
  static OpenStatus Open(const std::string& path, Access mode, std::optional<WorkbookFile>& file);

  Workbook& workbook() { return workbook_; }
  // Writes the appended rows; error receives the reason on failure, and the
  // file on disk is then left as it was, the rows still held here.
  bool Save(std::string& error);

 private:
  WorkbookFile(std::string path, Workbook workbook, FileDescriptor writerLock)
      : path_(std::move(path)), workbook_(std::move(workbook)), writerLock_(std::move(writerLock)) {}

  std::string path_;
  Workbook workbook_;
  FileDescriptor writerLock_;  // the opened file, locked while it is open for writing
};

}  // namespace xls
