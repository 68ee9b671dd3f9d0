#include "photo_decoder/win32_file.h"

#include <windows.h>

namespace {

class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() {
    if (IsOpen()) CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }
  bool Close() {
    const bool closed = CloseHandle(handle_) != FALSE;
    handle_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE handle_;
};

}  // namespace

FileResult ReadSmallFile(const std::wstring& path, std::size_t limit, std::vector<std::uint8_t>& bytes) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsOpen()) return FileResult::kCannotOpen;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.Get(), &size)) return FileResult::kFailed;
  if (static_cast<unsigned long long>(size.QuadPart) > limit) return FileResult::kTooLarge;
  bytes.resize(static_cast<std::size_t>(size.QuadPart));
  DWORD read = 0;
  if (!bytes.empty() && !ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
    return FileResult::kFailed;
  }
  bytes.resize(read);
  return FileResult::kOk;
}

FileResult WriteWholeFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsOpen()) return FileResult::kCannotOpen;
  DWORD written = 0;
  const bool complete = WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                        written == bytes.size();
  if (file.Close() && complete) return FileResult::kOk;
  DeleteFileW(path.c_str());
  return FileResult::kFailed;
}
