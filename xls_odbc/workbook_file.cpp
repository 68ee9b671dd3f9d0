#include "xls_odbc/workbook_file.h"

#include <fcntl.h>
#include <sys/file.h>
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

// How often an open for writing starts again when another writer renamed
// its new file over the one being opened.
constexpr int kReplacedFileAttempts = 3;

// Opens path and takes the one writer's lock on it (a lock of the open file,
// so that a second connection of the same process is refused too).
OpenStatus LockForWriting(const std::string& path, FileDescriptor& lock) {
  lock = FileDescriptor(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (lock.get() < 0) return errno == ENOENT ? OpenStatus::kMissing : OpenStatus::kUnreadable;
  if (flock(lock.get(), LOCK_EX | LOCK_NB) == 0) return OpenStatus::kOpened;
  return errno == EWOULDBLOCK ? OpenStatus::kInUse : OpenStatus::kUnreadable;
}

// Whether path still names the file that lock holds.
bool StillNamedBy(const FileDescriptor& lock, const std::string& path) {
  struct stat held;
  struct stat named;
  return fstat(lock.get(), &held) == 0 && stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
         held.st_ino == named.st_ino;
}

OpenStatus ReadWorkbook(const std::string& path, std::optional<Workbook>& workbook) {
  std::vector<std::uint8_t> stream;
  switch (ReadWorkbookStream(path, stream)) {
    case CompoundStatus::kOk:
      break;
    case CompoundStatus::kCannotOpen:
      return OpenStatus::kUnreadable;
    default:
      return OpenStatus::kNotWorkbook;
  }
  workbook = Workbook::Parse(stream);
  return workbook ? OpenStatus::kOpened : OpenStatus::kNotWorkbook;
}

}  // namespace

FileDescriptor::~FileDescriptor() {
  if (descriptor_ >= 0) close(descriptor_);
}

OpenStatus WorkbookFile::Open(const std::string& path, Access mode, std::optional<WorkbookFile>& file) {
  for (int attempt = 0; attempt < kReplacedFileAttempts; ++attempt) {
    if (access(path.c_str(), F_OK) != 0) return OpenStatus::kMissing;
    FileDescriptor lock;
    if (mode == Access::kWrite) {
      if (const OpenStatus locked = LockForWriting(path, lock); locked != OpenStatus::kOpened) return locked;
    }
    std::optional<Workbook> workbook;
    if (const OpenStatus read = ReadWorkbook(path, workbook); read != OpenStatus::kOpened) return read;
    // A writer that was saving meanwhile has renamed its new file over the
    // one locked here: what was read may be either, so it is read again.
    if (mode == Access::kWrite && !StillNamedBy(lock, path)) continue;
    file.emplace(WorkbookFile(path, std::move(*workbook), std::move(lock)));
    return OpenStatus::kOpened;
  }
  return OpenStatus::kInUse;
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
