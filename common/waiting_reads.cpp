#include "common/waiting_reads.h"

#include <sqlite3.h>

#include <vector>

#include "card/photo.h"
#include "common/checked_format.h"
#include "common/database_handles.h"
#include "common/reader_settings.h"
#include "common/working_folders.h"

namespace {
// The columns of cardinfo in its order, then the photo bitmap, whether a
// store of the row into card2 has begun (it may have committed before a
// kill), and the photo bytes the reader delivered (a later column: queues
// made before it get it added on their next write).
constexpr char kCreateQueue[] =
    "create table if not exists waitingread ("
    " id integer primary key autoincrement,"
    " cardname text not null, sex text not null, nation text not null, birth text not null,"
    " address text not null, cardid text not null, authority text not null, validfrom text not null,"
    " validto text not null, readtime integer not null, newaddress text not null, datetag integer not null,"
    " photo blob, storing integer not null default 0, wlt blob);";
constexpr wchar_t kHasWltColumn[] = L"select 1 from pragma_table_info('waitingread') where name='wlt';";
constexpr char kAddWltColumn[] = "alter table waitingread add column wlt blob;";
constexpr wchar_t kInsertWaiting[] =
    L"insert into waitingread (cardname, sex, nation, birth, address, cardid, authority, validfrom, validto, "
    L"readtime, newaddress, datetag, photo, wlt) values (?,?,?,?,?, ?,?,?,?,?, ?,?, ?,?);";
constexpr wchar_t kCountWaiting[] = L"select count(*) from waitingread;";
constexpr wchar_t kSelectOldest[] = L"select * from waitingread order by id limit 1;";
constexpr wchar_t kMarkStoring[] = L"update waitingread set storing = 1 where id = ?;";
constexpr wchar_t kDeleteWaiting[] = L"delete from waitingread where id = ?;";
// Only this process's programs use the queue; their own steps are short.
constexpr int kQueueBusyTimeoutMs = 5000;
// A photo bitmap is about 40 KB; anything far larger is not one.
constexpr LONGLONG kPhotoSizeLimit = 4 * 1024 * 1024;
constexpr wchar_t kArchivedCopyName[] = L"waiting.bmp";

enum Column { kIdColumn = 0, kFirstReadColumn = 1, kPhotoColumn = 13, kStoringColumn = 14, kWltColumn = 15 };

int OpenQueue(Database& db, int flags) {
  wchar_t path[kPathCapacity];
  wchar_t folder[kPathCapacity];
  if (GetSettingsFolder(kPathCapacity, folder) == 0 ||
      FormatChecked(path, kPathCapacity, L"%ls%ls", folder, kWaitingReadsFileName) < 0) {
    return SQLITE_CANTOPEN;
  }
  return OpenDatabaseFile(path, flags, kQueueBusyTimeoutMs, db);
}

// The photo's bytes; empty when there is none or it cannot be read whole.
std::vector<unsigned char> ReadPhotoBytes(const wchar_t* photo) {
  std::vector<unsigned char> bytes;
  if (photo == nullptr) return bytes;
  HANDLE file = CreateFileW(photo, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart <= kPhotoSizeLimit) {
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size()) {
      bytes.clear();
    }
  }
  CloseHandle(file);
  return bytes;
}

int DoneIsOk(int stepped) { return stepped == SQLITE_DONE ? SQLITE_OK : stepped; }

int RunOnRow(const Database& db, const wchar_t* text, sqlite3_int64 id) {
  Statement statement;
  if (const int prepared = PrepareStatement(db.get(), text, statement); prepared != SQLITE_OK) return prepared;
  sqlite3_bind_int64(statement.get(), 1, id);
  return DoneIsOk(sqlite3_step(statement.get()));
}

// Gives a queue made before the photo bytes were kept their column.
int EnsureQueueTable(const Database& db) {
  if (const int created = sqlite3_exec(db.get(), kCreateQueue, nullptr, nullptr, nullptr); created != SQLITE_OK) {
    return created;
  }
  Statement column;
  if (const int prepared = PrepareStatement(db.get(), kHasWltColumn, column); prepared != SQLITE_OK) return prepared;
  const int stepped = sqlite3_step(column.get());
  if (stepped == SQLITE_ROW) return SQLITE_OK;
  if (stepped != SQLITE_DONE) return stepped;
  return sqlite3_exec(db.get(), kAddWltColumn, nullptr, nullptr, nullptr);
}

// The oldest waiting read as the statement's current row.
struct WaitingRead {
  sqlite3_int64 id;
  StoredRead read;
  bool storing;
};

WaitingRead TakeRow(sqlite3_stmt* s) {
  WaitingRead row{};
  row.id = sqlite3_column_int64(s, kIdColumn);
  TakeStoredRead(s, kFirstReadColumn, row.read);
  row.storing = sqlite3_column_int(s, kStoringColumn) != 0;
  // A queue made before the photo bytes were kept has no column for them.
  if (sqlite3_column_count(s) > kWltColumn) TakePhotoBytes(s, kWltColumn, row.read.photo);
  return row;
}

// Writes the waiting photo to a file of this process's own and archives it
// under the read's date; the archive keeps a photo it already has.
void ArchiveWaitingPhoto(sqlite3_stmt* s, const StoredRead& read) {
  const void* bytes = sqlite3_column_blob(s, kPhotoColumn);
  const int size = sqlite3_column_bytes(s, kPhotoColumn);
  wchar_t path[kPathCapacity];
  if (bytes == nullptr || size <= 0 || FormReadingFolderPath(path, kPathCapacity, kArchivedCopyName) == 0) return;
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  const auto length = static_cast<DWORD>(size);
  const bool whole = WriteFile(file, bytes, length, &written, nullptr) && written == length;
  CloseHandle(file);
  SYSTEMTIME date{};
  date.wYear = static_cast<WORD>(read.datetag >> 16);
  date.wMonth = static_cast<WORD>((read.datetag >> 8) & 0xFF);
  date.wDay = static_cast<WORD>(read.datetag & 0xFF);
  if (whole) ArchivePhoto(date, read.card.idNumber, path);
  DeleteFileW(path);
}

// Stores the row into card2 unless an earlier attempt that was cut short
// already did: a row marked as being stored is looked for first.
int StoreOnce(const Database& queue, const WaitingRead& row, int waitMs) {
  if (row.storing) {
    const int found = HasStoredRead(row.read, waitMs);
    if (found < 0) return -found;
    if (found == 1) return SQLITE_OK;
  } else if (const int marked = RunOnRow(queue, kMarkStoring, row.id); marked != SQLITE_OK) {
    return marked;
  }
  return InsertStoredRead(row.read, waitMs);
}
}  // namespace

int QueueWaitingRead(const StoredRead& read, const wchar_t* photo) {
  Database db;
  if (const int opened = OpenQueue(db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE); opened != SQLITE_OK) return opened;
  if (const int prepared = EnsureQueueTable(db); prepared != SQLITE_OK) return prepared;
  Statement insert;
  if (const int prepared = PrepareStatement(db.get(), kInsertWaiting, insert); prepared != SQLITE_OK) return prepared;
  sqlite3_stmt* s = insert.get();
  BindStoredRead(s, read);
  const std::vector<unsigned char> bytes = ReadPhotoBytes(photo);
  if (bytes.empty()) {
    sqlite3_bind_null(s, 13);
  } else {
    sqlite3_bind_blob(s, 13, bytes.data(), static_cast<int>(bytes.size()), SQLITE_STATIC);
  }
  BindPhotoBytes(s, 14, read.photo);
  return DoneIsOk(sqlite3_step(s));
}

int CountWaitingReads() {
  Database db;
  const int opened = OpenQueue(db, SQLITE_OPEN_READWRITE);
  if (opened == SQLITE_CANTOPEN) return 0;  // no queue file: nothing ever waited
  if (opened != SQLITE_OK) return -opened;
  Statement count;
  const int prepared = PrepareStatement(db.get(), kCountWaiting, count);
  // A file made but never given its table holds no read either.
  if (prepared != SQLITE_OK) return sqlite3_errcode(db.get()) == SQLITE_ERROR ? 0 : -prepared;
  if (sqlite3_step(count.get()) != SQLITE_ROW) return -sqlite3_errcode(db.get());
  return sqlite3_column_int(count.get(), 0);
}

int StoreOldestWaitingRead(int waitMs) {
  Database queue;
  if (const int opened = OpenQueue(queue, SQLITE_OPEN_READWRITE); opened != SQLITE_OK) {
    return opened == SQLITE_CANTOPEN ? SQLITE_DONE : opened;
  }
  Statement oldest;
  if (const int prepared = PrepareStatement(queue.get(), kSelectOldest, oldest); prepared != SQLITE_OK) {
    return prepared;
  }
  const int stepped = sqlite3_step(oldest.get());
  if (stepped != SQLITE_ROW) return stepped;
  const WaitingRead row = TakeRow(oldest.get());
  // The photo goes first: a kill after the row was stored must not leave a
  // stored read whose photo was never archived.
  ArchiveWaitingPhoto(oldest.get(), row.read);
  oldest.reset();
  if (const int stored = StoreOnce(queue, row, waitMs); stored != SQLITE_OK) return stored;
  return RunOnRow(queue, kDeleteWaiting, row.id);
}
