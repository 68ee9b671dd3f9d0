#include "central/central_password.h"

#include <windows.h>
#include <dpapi.h>

#include <vector>

#include "common/checked_format.h"
#include "common/suite_folders.h"

namespace {
// Ties the blob to this use, so that another program's protected data
// cannot be passed off as the password.
constexpr char kEntropy[] = "Tarnwick central records";
constexpr DWORD kLargestBlob = 64 * 1024;

bool FormKeyPath(const wchar_t* file, wchar_t (&path)[kPathCapacity]) {
  wchar_t folder[kPathCapacity];
  return GetSettingsFolder(kPathCapacity, folder) != 0 &&
         FormatChecked(path, kPathCapacity, L"%ls%ls", folder, file) >= 0;
}

DATA_BLOB EntropyBlob() {
  return {static_cast<DWORD>(sizeof(kEntropy) - 1), reinterpret_cast<BYTE*>(const_cast<char*>(kEntropy))};
}

// Frees what the data protection functions allocate.
struct LocalBlob {
  DATA_BLOB blob{};
  ~LocalBlob() {
    if (blob.pbData != nullptr) {
      SecureZeroMemory(blob.pbData, blob.cbData);
      LocalFree(blob.pbData);
    }
  }
};

bool WriteWhole(const wchar_t* path, const BYTE* bytes, DWORD size) {
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool whole = WriteFile(file, bytes, size, &written, nullptr) && written == size && FlushFileBuffers(file);
  CloseHandle(file);
  return whole;
}

std::vector<BYTE> ReadWhole(const wchar_t* path, bool& missing) {
  std::vector<BYTE> bytes;
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  missing = file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND;
  if (file == INVALID_HANDLE_VALUE) return bytes;
  const DWORD size = GetFileSize(file, nullptr);
  if (size != INVALID_FILE_SIZE && size > 0 && size <= kLargestBlob) {
    bytes.resize(size);
    DWORD read = 0;
    if (!ReadFile(file, bytes.data(), size, &read, nullptr) || read != size) bytes.clear();
  }
  CloseHandle(file);
  return bytes;
}
}  // namespace

bool SaveCentralPassword(const wchar_t* file, const std::wstring& password) {
  wchar_t path[kPathCapacity];
  wchar_t partial[kPathCapacity];
  if (!FormKeyPath(file, path) || FormatChecked(partial, kPathCapacity, L"%ls.new", path) < 0) return false;
  DATA_BLOB plain{static_cast<DWORD>(password.size() * sizeof(wchar_t)),
                  reinterpret_cast<BYTE*>(const_cast<wchar_t*>(password.data()))};
  DATA_BLOB entropy = EntropyBlob();
  LocalBlob sealed;
  if (!CryptProtectData(&plain, L"central records", &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                        &sealed.blob)) {
    return false;
  }
  const bool saved = WriteWhole(partial, sealed.blob.pbData, sealed.blob.cbData) &&
                     MoveFileExW(partial, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!saved) DeleteFileW(partial);
  return saved;
}

PasswordLoad LoadCentralPassword(const wchar_t* file, std::wstring& password) {
  password.clear();
  wchar_t path[kPathCapacity];
  if (!FormKeyPath(file, path)) return PasswordLoad::kUnreadable;
  bool missing = false;
  std::vector<BYTE> bytes = ReadWhole(path, missing);
  if (missing) return PasswordLoad::kNone;
  if (bytes.empty()) return PasswordLoad::kUnreadable;
  DATA_BLOB sealed{static_cast<DWORD>(bytes.size()), bytes.data()};
  DATA_BLOB entropy = EntropyBlob();
  LocalBlob plain;
  if (!CryptUnprotectData(&sealed, nullptr, &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &plain.blob) ||
      plain.blob.cbData % sizeof(wchar_t) != 0) {
    return PasswordLoad::kUnreadable;
  }
  password.assign(reinterpret_cast<const wchar_t*>(plain.blob.pbData), plain.blob.cbData / sizeof(wchar_t));
  return PasswordLoad::kLoaded;
}
