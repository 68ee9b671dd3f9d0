#include "common/mapped_database_reads.h"

#include <windows.h>

#include <sqlite3.h>

#include <cstdint>

#include "common/reader_settings.h"

namespace {
// As much of the file as the process can spare address space for: all of a
// database of years on 64-bit Windows; on 32-bit Windows a quarter of the
// 2 GB a process has, the rest of a larger file being read as before.
constexpr std::int64_t kMappedBytes = sizeof(void*) >= 8 ? 0x7fff0000 : 256 << 20;
}  // namespace

bool IsOnLocalFixedDisk(const wchar_t* path) {
  wchar_t volume[kPathCapacity];
  if (!GetVolumePathNameW(path, volume, kPathCapacity)) return false;
  const UINT type = GetDriveTypeW(volume);
  return type == DRIVE_FIXED || type == DRIVE_RAMDISK;
}

bool MapDatabaseReads(sqlite3* db) {
  const char* file = sqlite3_db_filename(db, "main");
  wchar_t path[kPathCapacity];
  if (file == nullptr || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, file, -1, path, kPathCapacity) == 0 ||
      !IsOnLocalFixedDisk(path)) {
    return false;
  }
  char pragma[64];
  sqlite3_snprintf(sizeof(pragma), pragma, "pragma mmap_size = %lld;", static_cast<long long>(kMappedBytes));
  // SQLite falls back to reading page by page when the mapping cannot be
  // made, so a failure here costs speed only.
  return sqlite3_exec(db, pragma, nullptr, nullptr, nullptr) == SQLITE_OK;
}
