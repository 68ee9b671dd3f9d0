#include "common/settings_file_rewrite.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "common/checked_format.h"
#include "common/path_capacity.h"

namespace {

constexpr wchar_t kByteOrderMark = 0xFEFF;
// A settings file is a few hundred bytes; anything far larger is not one.
constexpr LONGLONG kLargestSettingsFile = 1 << 20;

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

 private:
  HANDLE handle_;
};

bool ReadBytes(const FileHandle& file, std::string& bytes) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > kLargestSettingsFile) return false;
  bytes.resize(static_cast<std::size_t>(size.QuadPart));
  DWORD read = 0;
  return bytes.empty() ||
         (ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) && read == bytes.size());
}

// A file with the UTF-16 byte-order mark holds UTF-16 text; the profile
// functions read any other file in the system's code page.
bool DecodeSettingsText(const std::string& bytes, std::wstring& text) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    // A unit cut in half at the end is dropped.
    text.resize((bytes.size() - 2) / sizeof(wchar_t));
    std::memcpy(text.data(), bytes.data() + 2, text.size() * sizeof(wchar_t));
    return true;
  }
  text.clear();
  if (bytes.empty()) return true;
  const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (length <= 0) return false;
  text.resize(static_cast<std::size_t>(length));
  return MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), length) == length;
}

// The current text of the settings file; empty when there is none.
bool ReadSettingsText(const wchar_t* file, std::wstring& text) {
  const FileHandle handle(CreateFileW(file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle.IsOpen()) {
    text.clear();
    return GetLastError() == ERROR_FILE_NOT_FOUND;
  }
  std::string bytes;
  return ReadBytes(handle, bytes) && DecodeSettingsText(bytes, text);
}

bool WriteUnicodeFile(const wchar_t* path, const std::wstring& text) {
  const FileHandle handle(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle.IsOpen()) return false;
  const std::wstring content = kByteOrderMark + text;
  const DWORD size = static_cast<DWORD>(content.size() * sizeof(wchar_t));
  DWORD written = 0;
  return WriteFile(handle.Get(), content.data(), size, &written, nullptr) && written == size;
}

// Has the platform write out what it keeps of the file and the disk take
// it, so that the replace below never puts a file in place whose content
// is still in memory only.
bool FlushToDisk(const wchar_t* path) {
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, path);
  const FileHandle handle(CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  return handle.IsOpen() && FlushFileBuffers(handle.Get());
}

bool WriteDraft(const wchar_t* file, const wchar_t* draft, SettingsKeyWriter writeKeys) {
  std::wstring text;
  return ReadSettingsText(file, text) && WriteUnicodeFile(draft, text) && writeKeys(draft) && FlushToDisk(draft);
}

}  // namespace

bool RewriteSettingsFile(const wchar_t* file, SettingsKeyWriter writeKeys) {
  // One draft per process: both programs of the suite may run at once.
  wchar_t draft[kPathCapacity];
  if (FormatChecked(draft, kPathCapacity, L"%ls.tmp%08lX", file, GetCurrentProcessId()) < 0) return false;
  if (WriteDraft(file, draft, writeKeys) &&
      MoveFileExW(draft, file, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  DeleteFileW(draft);
  return false;
}
