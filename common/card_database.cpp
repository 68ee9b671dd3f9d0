#include "common/card_database.h"

#include <sqlite3.h>

#include <cwchar>
#include <string>
#include <vector>

#include "card/photo.h"
#include "common/reader_settings.h"
#include "common/sqlite_handles.h"
#include "common/working_folders.h"

namespace {
constexpr wchar_t kInsertRead[] = L"insert into cardinfo values (?,?,?,?,?, ?,?,?,?,?, ?,?);";
constexpr wchar_t kSelectBlacklisted[] = L"select reason from blacklist where cardid=?;";
constexpr wchar_t kSelectPurged[] =
    L"select distinct datetag,cardid from cardinfo where datetag<? order by datetag asc;";
constexpr wchar_t kDeletePurged[] = L"delete from cardinfo where datetag<?;";
// The indices of the query tool's searches, as the prepared database has them.
constexpr char kAddQueryIndexes[] =
    "create index if not exists cardinfo_readtime on cardinfo (readtime, cardname, cardid, sex);"
    "create index if not exists cardinfo_name on cardinfo (cardname collate nocase, readtime, cardid, sex);"
    "create index if not exists cardinfo_number on cardinfo (cardid collate nocase, readtime, cardname, sex);";

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

struct PurgedRow {
  std::uint32_t tag;
  std::wstring cardid;
};

int SelectPurgedRows(const Database& db, std::uint32_t limit, std::vector<PurgedRow>& rows) {
  Statement select;
  if (const int prepared = Prepare(db, kSelectPurged, select); prepared != SQLITE_OK) return prepared;
  sqlite3_bind_int64(select.get(), 1, static_cast<sqlite3_int64>(limit));
  int step;
  while ((step = sqlite3_step(select.get())) == SQLITE_ROW) {
    const auto* cardid = static_cast<const wchar_t*>(sqlite3_column_text16(select.get(), 1));
    rows.push_back({static_cast<std::uint32_t>(sqlite3_column_int64(select.get(), 0)), cardid ? cardid : L""});
  }
  return DoneIsSuccess(step);
}

int DeletePurgedRows(const Database& db, std::uint32_t limit) {
  Statement remove;
  if (const int prepared = Prepare(db, kDeletePurged, remove); prepared != SQLITE_OK) return prepared;
  sqlite3_bind_int64(remove.get(), 1, static_cast<sqlite3_int64>(limit));
  return DoneIsSuccess(sqlite3_step(remove.get()));
}

struct Month {
  int year;
  int month;
};

// A month whose reads are gone: its thumbnail cache and the folder itself,
// which stays while it still holds later photos.
void FinishMonth(Month month) {
  wchar_t path[kPathCapacity];
  if (std::swprintf(path, kPathCapacity, L"%ls%04d%02d\\Thumbs.db", GetSavePath(), month.year, month.month) > 0) {
    DeleteFileW(path);
  }
  if (std::swprintf(path, kPathCapacity, L"%ls%04d%02d", GetSavePath(), month.year, month.month) > 0) {
    RemoveDirectoryW(path);
  }
}

void DeleteArchivedPhotos(const std::vector<PurgedRow>& rows) {
  bool anyMonth = false;
  Month previous{};
  for (const auto& row : rows) {
    const Month month{static_cast<int>(row.tag >> 16), static_cast<int>((row.tag >> 8) & 0xFF)};
    const int day = static_cast<int>(row.tag & 0xFF);
    wchar_t photo[kPathCapacity];
    // Only a number that cannot lead out of the archive names a file.
    if (IsArchivableIdNumber(row.cardid.c_str()) &&
        std::swprintf(photo, kPathCapacity, L"%ls%04d%02d\\%02d_%ls.bmp", GetSavePath(), month.year, month.month, day,
                      row.cardid.c_str()) > 0) {
      DeleteFileW(photo);
    }
    if (anyMonth && (previous.year != month.year || previous.month != month.month)) FinishMonth(previous);
    previous = month;
    anyMonth = true;
  }
  if (anyMonth) FinishMonth(previous);
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

int OpenCardDatabase(sqlite3** handle) {
  *handle = nullptr;
  wchar_t path[kPathCapacity];
  if (std::swprintf(path, kPathCapacity, L"%ls%ls", GetSavePath(), kDatabaseFileName) < 0) return SQLITE_CANTOPEN;
  // Opened without the create flag: a missing database must fail rather
  // than leave an empty file that the start-up preparation would not replace.
  char utf8Path[kPathCapacity * 3];
  if (WideCharToMultiByte(CP_UTF8, 0, path, -1, utf8Path, sizeof(utf8Path), nullptr, nullptr) == 0) return SQLITE_CANTOPEN;
  const int result = sqlite3_open_v2(utf8Path, handle, SQLITE_OPEN_READWRITE, nullptr);
  if (result == SQLITE_OK) sqlite3_busy_timeout(*handle, kDatabaseBusyTimeoutMs);
  return result;
}

int OpenCardDatabase(Database& db) {
  sqlite3* raw = nullptr;
  const int result = OpenCardDatabase(&raw);
  db.reset(raw);
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

int IsBlacklisted(const wchar_t* cardid) {
  Database db;
  if (Open(db) != SQLITE_OK) return 0;
  Statement select;
  if (Prepare(db, kSelectBlacklisted, select) != SQLITE_OK) return 0;
  sqlite3_bind_text16(select.get(), 1, cardid, -1, SQLITE_STATIC);
  return sqlite3_step(select.get()) == SQLITE_ROW ? 1 : 0;
}

int PurgeReadsBefore(std::uint32_t limit) {
  Database db;
  if (const int opened = Open(db); opened != SQLITE_OK) return opened;
  // The rows go first and the photos only once they are gone, so a purge
  // that fails half-way never leaves a stored read without its photo.
  std::vector<PurgedRow> rows;
  if (const int selected = SelectPurgedRows(db, limit, rows); selected != SQLITE_OK) return selected;
  if (const int deleted = DeletePurgedRows(db, limit); deleted != SQLITE_OK) return deleted;
  DeleteArchivedPhotos(rows);
  return SQLITE_OK;
}

int AddQueryIndexes() {
  Database db;
  if (const int opened = Open(db); opened != SQLITE_OK) return opened;
  return sqlite3_exec(db.get(), kAddQueryIndexes, nullptr, nullptr, nullptr);
}
