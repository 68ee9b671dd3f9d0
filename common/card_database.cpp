#include "common/card_database.h"

#include <sqlite3.h>

#include <cwchar>

#include "card/card_info.h"
#include "card/photo.h"
#include "common/checked_format.h"
#include "common/database_handles.h"
#include "common/reader_settings.h"
#include "common/working_folders.h"

namespace {
constexpr wchar_t kInsertRead[] = L"insert into cardinfo values (?,?,?,?,?, ?,?,?,?,?, ?,?);";
constexpr wchar_t kSelectBlacklisted[] = L"select reason from blacklist where cardid=?;";
constexpr wchar_t kDeletePurged[] = L"delete from cardinfo where datetag<?;";
// A month of reads touches pages all over the name and number indices; a
// cache that holds them all writes each page once instead of spilling.
constexpr char kPurgeCache[] = "pragma cache_size = -131072;";
// The indices of the query tool's searches, as the prepared database has them.
constexpr char kAddQueryIndexes[] =
    "create index if not exists cardinfo_readtime on cardinfo (readtime);"
    "create index if not exists cardinfo_name on cardinfo (cardname collate nocase, readtime, cardid, sex);"
    "create index if not exists cardinfo_number on cardinfo (cardid collate nocase, readtime, cardname, sex);";
constexpr wchar_t kThumbnailCache[] = L"Thumbs.db";
// An archived photo's citizen number and one unit more, to see a longer one.
constexpr std::size_t kIdNumberCapacity = 20;

int Open(Database& db) { return OpenCardDatabase(db); }

int Prepare(const Database& db, const wchar_t* text, Statement& statement) {
  return PrepareStatement(db.get(), text, statement);
}

// Binds a fixed-size field of the record, never reading past its end.
template <std::size_t N>
void BindField(sqlite3_stmt* statement, int index, const wchar_t (&field)[N]) {
  const std::size_t units = wcsnlen(field, N);
  sqlite3_bind_text16(statement, index, field, static_cast<int>(units * sizeof(wchar_t)), SQLITE_STATIC);
}

int DoneIsSuccess(int result) { return result == SQLITE_DONE ? SQLITE_OK : result; }

int DeletePurgedRows(const Database& db, std::uint32_t limit) {
  Statement remove;
  if (const int prepared = Prepare(db, kDeletePurged, remove); prepared != SQLITE_OK) return prepared;
  sqlite3_bind_int64(remove.get(), 1, static_cast<sqlite3_int64>(limit));
  return DoneIsSuccess(sqlite3_step(remove.get()));
}

// Lists a folder's entries one at a time, closing the search on every path.
class FolderEntries {
 public:
  // pattern: a folder followed by a wildcard name.
  explicit FolderEntries(const wchar_t* pattern) : search_(FindFirstFileW(pattern, &entry_)) {}
  ~FolderEntries() {
    if (search_ != INVALID_HANDLE_VALUE) FindClose(search_);
  }
  FolderEntries(const FolderEntries&) = delete;
  FolderEntries& operator=(const FolderEntries&) = delete;

  // The next entry, or null when there is none left.
  const WIN32_FIND_DATAW* Next() {
    if (search_ == INVALID_HANDLE_VALUE) return nullptr;
    if (!first_ && !FindNextFileW(search_, &entry_)) return nullptr;
    first_ = false;
    return &entry_;
  }

 private:
  WIN32_FIND_DATAW entry_{};
  HANDLE search_;
  bool first_ = true;
};

bool IsFolderEntry(const WIN32_FIND_DATAW& entry) { return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

// A link to a folder elsewhere leads out of the archive: never walked.
bool IsPlainFolder(const WIN32_FIND_DATAW& entry) {
  return IsFolderEntry(entry) && (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

bool IsDots(const wchar_t* name) { return std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0; }

// The date tag of the first day of a month folder named YYYYMM, or 0 when
// the name is not one the archive makes.
std::uint32_t MonthFolderTag(const wchar_t* name) {
  const int year = DigitsValue(name, 4);
  const int month = year < 0 ? -1 : DigitsValue(name + 4, 2);
  if (month < 1 || month > 12 || name[6] != L'\0') return 0;
  SYSTEMTIME first{};
  first.wYear = static_cast<WORD>(year);
  first.wMonth = static_cast<WORD>(month);
  first.wDay = 1;
  return DateTag(first);
}

// The day of an archived photo named DD_<citizen number>.bmp, or 0 when the
// name is not one the archive makes.
int ArchivedPhotoDay(const wchar_t* name) {
  const int day = DigitsValue(name, 2);
  if (day < 1 || day > 31 || name[2] != L'_') return 0;
  const wchar_t* number = name + 3;
  const wchar_t* extension = std::wcschr(number, L'.');
  if (extension == nullptr || std::wcscmp(extension, L".bmp") != 0) return 0;
  wchar_t idNumber[kIdNumberCapacity];
  const std::size_t length = static_cast<std::size_t>(extension - number);
  if (length >= kIdNumberCapacity) return 0;
  wmemcpy(idNumber, number, length);
  idNumber[length] = L'\0';
  return IsArchivableIdNumber(idNumber) ? day : 0;
}

// Deletes the photos of one month folder dated before limit, then its
// thumbnail cache and the folder itself once nothing else is left in it.
void PurgeMonthFolder(const wchar_t* folder, std::uint32_t monthTag, std::uint32_t limit) {
  wchar_t path[kPathCapacity];
  if (FormatChecked(path, kPathCapacity, L"%ls*", folder) < 0) return;
  bool keepsOtherEntries = false;
  FolderEntries entries(path);
  while (const WIN32_FIND_DATAW* entry = entries.Next()) {
    if (IsDots(entry->cFileName) || std::wcscmp(entry->cFileName, kThumbnailCache) == 0) continue;
    const int day = IsFolderEntry(*entry) ? 0 : ArchivedPhotoDay(entry->cFileName);
    const bool purged = day != 0 && (monthTag | static_cast<std::uint32_t>(day)) < limit &&
                        FormatChecked(path, kPathCapacity, L"%ls%ls", folder, entry->cFileName) >= 0 &&
                        DeleteFileW(path);
    if (!purged) keepsOtherEntries = true;
  }
  if (keepsOtherEntries) return;
  if (FormatChecked(path, kPathCapacity, L"%ls%ls", folder, kThumbnailCache) >= 0) DeleteFileW(path);
  RemoveDirectoryW(folder);
}

// Walks the month folders directly in the save folder up to the limit's
// month; nothing is held in memory, however many photos the archive has.
void DeleteArchivedPhotos(std::uint32_t limit) {
  wchar_t pattern[kPathCapacity];
  if (FormatChecked(pattern, kPathCapacity, L"%ls*", GetSavePath()) < 0) return;
  const std::uint32_t limitMonth = limit & ~0xFFu;
  FolderEntries entries(pattern);
  while (const WIN32_FIND_DATAW* entry = entries.Next()) {
    if (!IsPlainFolder(*entry)) continue;
    const std::uint32_t monthTag = MonthFolderTag(entry->cFileName) & ~0xFFu;
    wchar_t folder[kPathCapacity];
    if (monthTag == 0 || monthTag > limitMonth ||
        FormatChecked(folder, kPathCapacity, L"%ls%ls\\", GetSavePath(), entry->cFileName) < 0) {
      continue;
    }
    PurgeMonthFolder(folder, monthTag, limit);
  }
}
}  // namespace

std::int64_t FileTimeTicks(const SYSTEMTIME& time) {
  FILETIME ticks{};
  if (!SystemTimeToFileTime(&time, &ticks)) return 0;
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(ticks.dwHighDateTime) << 32 | ticks.dwLowDateTime);
}

std::uint32_t DateTag(const SYSTEMTIME& time) {
  return static_cast<std::uint32_t>(time.wYear) << 16 | static_cast<std::uint32_t>(time.wMonth) << 8 | time.wDay;
}

int OpenCardDatabase(sqlite3** handle, int waitMs) {
  *handle = nullptr;
  wchar_t path[kPathCapacity];
  if (FormatChecked(path, kPathCapacity, L"%ls%ls", GetSavePath(), kDatabaseFileName) < 0) return SQLITE_CANTOPEN;
  // Opened without the create flag: a missing database must fail rather
  // than leave an empty file that the start-up preparation would not replace.
  char utf8Path[kPathCapacity * 3];
  if (WideCharToMultiByte(CP_UTF8, 0, path, -1, utf8Path, sizeof(utf8Path), nullptr, nullptr) == 0) return SQLITE_CANTOPEN;
  const int result = sqlite3_open_v2(utf8Path, handle, SQLITE_OPEN_READWRITE, nullptr);
  if (result == SQLITE_OK) sqlite3_busy_timeout(*handle, waitMs);
  return result;
}

int StoreCardRead(const CardInfo& card, SYSTEMTIME& time) {
  Database db;
  if (const int opened = Open(db); opened != SQLITE_OK) return opened;
  time.wMilliseconds = 0;
  const std::int64_t readtime = FileTimeTicks(time);
  const std::uint32_t datetag = DateTag(time);

  Statement insert;
  if (const int prepared = Prepare(db, kInsertRead, insert); prepared != SQLITE_OK) return prepared;
  sqlite3_stmt* s = insert.get();
  BindField(s, 1, card.name);
  BindField(s, 2, card.sex);
  BindField(s, 3, card.nation);
  BindField(s, 4, card.birth);
  BindField(s, 5, card.address);
  BindField(s, 6, card.idNumber);
  BindField(s, 7, card.authority);
  BindField(s, 8, card.validFrom);
  BindField(s, 9, card.validTo);
  sqlite3_bind_int64(s, 10, readtime);
  BindField(s, 11, card.newAddress);
  sqlite3_bind_int(s, 12, static_cast<int>(datetag));
  return DoneIsSuccess(sqlite3_step(s));
}

BlacklistAnswer LookUpBlacklist(const wchar_t* cardid, int waitMs) {
  Database db;
  if (OpenCardDatabase(db, waitMs) != SQLITE_OK) return BlacklistAnswer::kUnknown;
  Statement select;
  if (Prepare(db, kSelectBlacklisted, select) != SQLITE_OK) return BlacklistAnswer::kUnknown;
  sqlite3_bind_text16(select.get(), 1, cardid, -1, SQLITE_STATIC);
  switch (sqlite3_step(select.get())) {
    case SQLITE_ROW:
      return BlacklistAnswer::kListed;
    case SQLITE_DONE:
      return BlacklistAnswer::kNotListed;
    default:
      return BlacklistAnswer::kUnknown;
  }
}

int IsBlacklisted(const wchar_t* cardid) { return LookUpBlacklist(cardid) == BlacklistAnswer::kListed ? 1 : 0; }

int PurgeReadsBefore(std::uint32_t limit) {
  Database db;
  if (const int opened = Open(db); opened != SQLITE_OK) return opened;
  // The rows go first and the photos only once they are gone, so a purge
  // that fails half-way never leaves a stored read without its photo. The
  // archive is walked rather than led by the rows: a read that was not
  // stored still has an archived photo.
  sqlite3_exec(db.get(), kPurgeCache, nullptr, nullptr, nullptr);
  if (const int deleted = DeletePurgedRows(db, limit); deleted != SQLITE_OK) return deleted;
  DeleteArchivedPhotos(limit);
  return SQLITE_OK;
}

int AddQueryIndexes() {
  Database db;
  if (const int opened = Open(db); opened != SQLITE_OK) return opened;
  return sqlite3_exec(db.get(), kAddQueryIndexes, nullptr, nullptr, nullptr);
}
