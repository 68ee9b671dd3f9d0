#include "xls_odbc/workbook_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "xls_odbc/compound_file.h"

namespace xls {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// Writes the new file under a temporary name in the same folder, so that
// the rename that replaces the old one is atomic.
bool WriteTemporaryCopy(const std::string& source, const std::string& temporary, std::FILE* file,
                        std::span<const std::uint8_t> stream, std::string& error) {
  if (WriteWithWorkbookStream(source, file, stream, error) != CompoundStatus::kOk) return false;
  struct stat original;
  if (std::fflush(file) != 0 || fsync(fileno(file)) != 0 || stat(source.c_str(), &original) != 0 ||
      chmod(temporary.c_str(), original.st_mode & 07777) != 0) {
    error = std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace

OpenStatus WorkbookFile::Open(const std::string& path, std::optional<WorkbookFile>& file) {
  if (access(path.c_str(), F_OK) != 0) return OpenStatus::kMissing;
  std::vector<std::uint8_t> stream;
  switch (ReadWorkbookStream(path, stream)) {
    case CompoundStatus::kOk:
      break;
    case CompoundStatus::kCannotOpen:
      return OpenStatus::kUnreadable;
    default:
      return OpenStatus::kNotWorkbook;
  }
  auto workbook = Workbook::Parse(stream);
  if (!workbook) return OpenStatus::kNotWorkbook;
  file.emplace(WorkbookFile(path, std::move(*workbook)));
  return OpenStatus::kOpened;
}

bool WorkbookFile::Save(std::string& error) {
  if (!workbook_.Modified()) return true;
  const std::vector<std::uint8_t> stream = workbook_.Serialize();
  std::string temporary = path_ + ".XXXXXX";
  const int descriptor = mkstemp(temporary.data());
  if (descriptor < 0) {
    error = std::strerror(errno);
    return false;
  }
  std::unique_ptr<std::FILE, FileCloser> file(fdopen(descriptor, "wb"));
  if (!file) close(descriptor);
  bool ok = file && WriteTemporaryCopy(path_, temporary, file.get(), stream, error);
  ok = file && std::fclose(file.release()) == 0 && ok;
  if (ok && std::rename(temporary.c_str(), path_.c_str()) != 0) {
    error = std::strerror(errno);
    ok = false;
  }
  if (!ok) {
    if (error.empty()) error = std::strerror(errno);
    unlink(temporary.c_str());
  }
  return ok;
}

}  // namespace xls
