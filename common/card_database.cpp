#include "common/card_database.h"

#include <sqlite3.h>

#include <cstring>
#include <cwchar>

#include "card/card_info.h"
#include "card/photo.h"
#include "common/checked_format.h"
#include "common/database_handles.h"
#include "common/reader_settings.h"
#include "common/working_folders.h"

namespace {
constexpr wchar_t kInsertRead[] = L"insert into cardinfo values (?,?,?,?,?, ?,?,?,?,?, ?,?);";
constexpr wchar_t kSelectEqualRead[] =
    L"select 1 from cardinfo where cardname=?1 and sex=?2 and nation=?3 and birth=?4 and address=?5 and "
    L"cardid=?6 and authority=?7 and validfrom=?8 and validto=?9 and readtime=?10 and newaddress=?11 and "
    L"datetag=?12 limit 1;";
constexpr wchar_t kSelectBlacklisted[] = L"select reason from blacklist where cardid=?;";
constexpr wchar_t kDeletePurged[] = L"delete from cardinfo where datetag<?;";
// With central records on, card2 also holds the outbox of reads not yet on
// the server; the purge keeps those rows until they are sent.
constexpr wchar_t kHasOutbox[] = L"select 1 from sqlite_schema where type='table' and name='central_outbox';";
constexpr wchar_t kDeletePurgedKeepingUnsent[] =
    L"delete from cardinfo where datetag<?1 and not exists (select 1 from central_outbox o "
    L"where o.cardid=cardinfo.cardid and o.readtime=cardinfo.readtime);";
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

constexpr char kBeginStore[] = "begin immediate;";
constexpr char kCommitStore[] = "commit;";
constexpr char kRollbackStore[] = "rollback;";

StoredReadCompanion g_companion{nullptr, nullptr};

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

template <std::size_t N>
void TakeField(sqlite3_stmt* statement, int column, wchar_t (&field)[N]) {
  const auto* text = static_cast<const wchar_t*>(sqlite3_column_text16(statement, column));
  const auto bytes = static_cast<std::size_t>(sqlite3_column_bytes16(statement, column));
  const std::size_t units = text == nullptr ? 0 : bytes / sizeof(wchar_t);
  const std::size_t kept = units < N ? units : N - 1;
  if (kept > 0) wmemcpy(field, text, kept);
  field[kept] = L'\0';
}

int DoneIsSuccess(int result) { return result == SQLITE_DONE ? SQLITE_OK : result; }

int InsertRow(const Database& db, const StoredRead& read) {
  Statement insert;
  if (const int prepared = Prepare(db, kInsertRead, insert); prepared != SQLITE_OK) return prepared;
  BindStoredRead(insert.get(), read);
  return DoneIsSuccess(sqlite3_step(insert.get()));
}

int DeletePurgedRows(const Database& db, std::uint32_t limit) {
  Statement outbox;
  if (const int prepared = Prepare(db, kHasOutbox, outbox); prepared != SQLITE_OK) return prepared;
  const int found = sqlite3_step(outbox.get());
  if (found != SQLITE_ROW && found != SQLITE_DONE) return found;
  outbox.reset();
  Statement remove;
  const wchar_t* text = found == SQLITE_ROW ? kDeletePurgedKeepingUnsent : kDeletePurged;
  if (const int prepared = Prepare(db, text, remove); prepared != SQLITE_OK) return prepared;
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

int OpenDatabaseFile(const wchar_t* path, int flags, int waitMs, Database& db) {
  db.reset();
  char utf8Path[kPathCapacity * 3];
  if (WideCharToMultiByte(CP_UTF8, 0, path, -1, utf8Path, sizeof(utf8Path), nullptr, nullptr) == 0) {
    return SQLITE_CANTOPEN;
  }
  sqlite3* raw = nullptr;
  const int result = sqlite3_open_v2(utf8Path, &raw, flags, nullptr);
  db.reset(raw);
  if (result == SQLITE_OK) sqlite3_busy_timeout(raw, waitMs);
  return result;
}

int OpenCardDatabase(sqlite3** handle, int waitMs) {
  *handle = nullptr;
  wchar_t path[kPathCapacity];
  if (FormatChecked(path, kPathCapacity, L"%ls%ls", GetSavePath(), kDatabaseFileName) < 0) return SQLITE_CANTOPEN;
  // Opened without the create flag: a missing database must fail rather
  // than leave an empty file that the start-up preparation would not replace.
  Database db;
  const int result = OpenDatabaseFile(path, SQLITE_OPEN_READWRITE, waitMs, db);
  *handle = db.release();
  return result;
}

void BindStoredRead(sqlite3_stmt* s, const StoredRead& read) {
  const CardInfo& card = read.card;
  BindField(s, 1, card.name);
  BindField(s, 2, card.sex);
  BindField(s, 3, card.nation);
  BindField(s, 4, card.birth);
  BindField(s, 5, card.address);
  BindField(s, 6, card.idNumber);
  BindField(s, 7, card.authority);
  BindField(s, 8, card.validFrom);
  BindField(s, 9, card.validTo);
  sqlite3_bind_int64(s, 10, read.readtime);
  BindField(s, 11, card.newAddress);
  sqlite3_bind_int(s, 12, static_cast<int>(read.datetag));
}

void TakeStoredRead(sqlite3_stmt* s, int first, StoredRead& read) {
  CardInfo& card = read.card;
  TakeField(s, first + 0, card.name);
  TakeField(s, first + 1, card.sex);
  TakeField(s, first + 2, card.nation);
  TakeField(s, first + 3, card.birth);
  TakeField(s, first + 4, card.address);
  TakeField(s, first + 5, card.idNumber);
  TakeField(s, first + 6, card.authority);
  TakeField(s, first + 7, card.validFrom);
  TakeField(s, first + 8, card.validTo);
  read.readtime = sqlite3_column_int64(s, first + 9);
  TakeField(s, first + 10, card.newAddress);
  read.datetag = static_cast<std::uint32_t>(sqlite3_column_int64(s, first + 11));
}

void BindPhotoBytes(sqlite3_stmt* s, int index, const CardPhotoBytes& photo) {
  if (photo.size == 0) {
    sqlite3_bind_null(s, index);
  } else {
    sqlite3_bind_blob(s, index, photo.bytes, static_cast<int>(photo.size), SQLITE_STATIC);
  }
}

void TakePhotoBytes(sqlite3_stmt* s, int column, CardPhotoBytes& photo) {
  photo.size = 0;
  const void* bytes = sqlite3_column_blob(s, column);
  const int size = sqlite3_column_bytes(s, column);
  if (bytes == nullptr || size <= 0 || static_cast<std::size_t>(size) > kLargestPhotoBytes) return;
  std::memcpy(photo.bytes, bytes, static_cast<std::size_t>(size));
  photo.size = static_cast<std::uint32_t>(size);
}

StoredRead MakeStoredRead(const CardInfo& card, SYSTEMTIME& time) {
  time.wMilliseconds = 0;
  return {card, FileTimeTicks(time), DateTag(time), {}};
}

int InsertStoredRead(const StoredRead& read, int waitMs) {
  Database db;
  if (const int opened = OpenCardDatabase(db, waitMs); opened != SQLITE_OK) return opened;
  if (g_companion.inTransaction == nullptr) return InsertRow(db, read);
  // The write lock is taken at the start, so that the row and its companion
  // wait for another program's lock once, not half-way.
  if (const int begun = sqlite3_exec(db.get(), kBeginStore, nullptr, nullptr, nullptr); begun != SQLITE_OK) {
    return begun;
  }
  int result = InsertRow(db, read);
  if (result == SQLITE_OK) result = g_companion.inTransaction(db.get(), read);
  if (result == SQLITE_OK) result = sqlite3_exec(db.get(), kCommitStore, nullptr, nullptr, nullptr);
  if (result == SQLITE_OK) {
    if (g_companion.committed != nullptr) g_companion.committed();
    return result;
  }
  // A commit that failed busy leaves the transaction open; either way
  // nothing of this store may stay.
  sqlite3_exec(db.get(), kRollbackStore, nullptr, nullptr, nullptr);
  return result;
}

void SetStoredReadCompanion(StoredReadCompanion companion) { g_companion = companion; }

int HasStoredRead(const StoredRead& read, int waitMs) {
  Database db;
  if (const int opened = OpenCardDatabase(db, waitMs); opened != SQLITE_OK) return -opened;
  Statement select;
  if (const int prepared = Prepare(db, kSelectEqualRead, select); prepared != SQLITE_OK) return -prepared;
  BindStoredRead(select.get(), read);
  const int stepped = sqlite3_step(select.get());
  if (stepped == SQLITE_ROW) return 1;
  return stepped == SQLITE_DONE ? 0 : -stepped;
}

int StoreCardRead(const CardInfo& card, SYSTEMTIME& time, int waitMs) {
  return InsertStoredRead(MakeStoredRead(card, time), waitMs);
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
