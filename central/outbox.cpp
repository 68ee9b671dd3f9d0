#include "central/outbox.h"

#include <sqlite3.h>


#include "central/central_state.h"
#include "common/checked_format.h"
#include "common/database_handles.h"

namespace {
constexpr char kCreateOutbox[] =
    "create table if not exists central_outbox ("
    " id integer primary key autoincrement,"
    " cardname text not null, sex text not null, nation text not null, birth text not null,"
    " address text not null, cardid text not null, authority text not null, validfrom text not null,"
    " validto text not null, readtime integer not null, newaddress text not null, datetag integer not null,"
    " station text not null, photo blob);"
    // The purge looks up each old read here before it deletes it.
    "create index if not exists central_outbox_read on central_outbox (cardid, readtime);"
    "create table if not exists central_state (name text primary key, value text not null);";
constexpr wchar_t kQueueRead[] =
    L"insert into central_outbox (cardname, sex, nation, birth, address, cardid, authority, validfrom, validto, "
    L"readtime, newaddress, datetag, station, photo) values (?,?,?,?,?, ?,?,?,?,?, ?,?, ?,?);";
constexpr wchar_t kSelectBatch[] =
    L"select id, cardname, sex, nation, birth, address, cardid, authority, validfrom, validto, readtime, "
    L"newaddress, datetag, station, photo from central_outbox order by id limit ?;";
constexpr wchar_t kDeleteSent[] = L"delete from central_outbox where id <= ?;";
constexpr wchar_t kSelectState[] = L"select name, value from central_state;";
constexpr wchar_t kCountQueued[] = L"select count(*) from central_outbox;";
constexpr wchar_t kLastSent[] = L"last_sent";
constexpr wchar_t kLastFailure[] = L"last_failure";
constexpr wchar_t kLastFailureTime[] = L"last_failure_time";
enum BatchColumn { kIdColumn = 0, kFirstReadColumn = 1, kStationColumn = 13, kPhotoColumn = 14 };

std::wstring g_station;

int DoneIsOk(int stepped) { return stepped == SQLITE_DONE ? SQLITE_OK : stepped; }

std::wstring ColumnString(sqlite3_stmt* s, int column) {
  const auto* text = static_cast<const wchar_t*>(sqlite3_column_text16(s, column));
  const auto bytes = static_cast<std::size_t>(sqlite3_column_bytes16(s, column));
  return text == nullptr ? std::wstring() : std::wstring(text, bytes / sizeof(wchar_t));
}

std::wstring LocalTimeText() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  wchar_t text[32];
  FormatChecked(text, 32, L"%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
                now.wMinute, now.wSecond);
  return text;
}

int QueueInStore(sqlite3* db, const StoredRead& read) {
  Statement queue;
  if (const int prepared = PrepareStatement(db, kQueueRead, queue); prepared != SQLITE_OK) return prepared;
  sqlite3_stmt* s = queue.get();
  BindStoredRead(s, read);
  sqlite3_bind_text16(s, 13, g_station.c_str(), -1, SQLITE_STATIC);
  BindPhotoBytes(s, 14, read.photo);
  return DoneIsOk(sqlite3_step(s));
}

// A card2 replaced since the start (a restored copy, a moved save folder)
// may lack the outbox: it is made in the same transaction.
int QueueStoredRead(sqlite3* db, const StoredRead& read) {
  const int queued = QueueInStore(db, read);
  if (queued != SQLITE_ERROR) return queued;
  if (const int created = sqlite3_exec(db, kCreateOutbox, nullptr, nullptr, nullptr); created != SQLITE_OK) {
    return created;
  }
  return QueueInStore(db, read);
}

void WakeSender() {
  if (HANDLE event = OutboxQueuedEvent(); event != nullptr) SetEvent(event);
}

}  // namespace

int CreateCentralOutbox(int waitMs) {
  Database db;
  if (const int opened = OpenCardDatabase(db, waitMs); opened != SQLITE_OK) return opened;
  return sqlite3_exec(db.get(), kCreateOutbox, nullptr, nullptr, nullptr);
}

void QueueStoredReadsFor(const std::wstring& station) {
  g_station = station;
  SetStoredReadCompanion({QueueStoredRead, WakeSender});
}

HANDLE OutboxQueuedEvent() {
  static const HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  return event;
}

int ReadOutboxBatch(int limit, int waitMs, std::vector<OutboxRead>& batch) {
  batch.clear();
  Database db;
  if (const int opened = OpenCardDatabase(db, waitMs); opened != SQLITE_OK) return opened;
  Statement select;
  if (const int prepared = PrepareStatement(db.get(), kSelectBatch, select); prepared != SQLITE_OK) return prepared;
  sqlite3_bind_int(select.get(), 1, limit);
  int stepped;
  while ((stepped = sqlite3_step(select.get())) == SQLITE_ROW) {
    OutboxRead& row = batch.emplace_back();
    row.id = sqlite3_column_int64(select.get(), kIdColumn);
    TakeStoredRead(select.get(), kFirstReadColumn, row.read);
    row.station = ColumnString(select.get(), kStationColumn);
    TakePhotoBytes(select.get(), kPhotoColumn, row.read.photo);
  }
  if (stepped != SQLITE_DONE) batch.clear();
  return DoneIsOk(stepped);
}

int RemoveSentReads(std::int64_t lastId, int waitMs) {
  Database db;
  if (const int opened = OpenCardDatabase(db, waitMs); opened != SQLITE_OK) return opened;
  return InWriteTransaction(db, [&] {
    Statement remove;
    if (const int prepared = PrepareStatement(db.get(), kDeleteSent, remove); prepared != SQLITE_OK) return prepared;
    sqlite3_bind_int64(remove.get(), 1, lastId);
    if (const int removed = DoneIsOk(sqlite3_step(remove.get())); removed != SQLITE_OK) return removed;
    return SetCentralState(db, kLastSent, LocalTimeText());
  });
}

int RecordSendFailure(const std::wstring& message, int waitMs) {
  Database db;
  if (const int opened = OpenCardDatabase(db, waitMs); opened != SQLITE_OK) return opened;
  return InWriteTransaction(db, [&] {
    const int noted = SetCentralState(db, kLastFailure, message);
    return noted != SQLITE_OK ? noted : SetCentralState(db, kLastFailureTime, LocalTimeText());
  });
}

std::int64_t CountOutbox(int waitMs) {
  Database db;
  if (const int opened = OpenCardDatabase(db, waitMs); opened != SQLITE_OK) return -opened;
  Statement count;
  if (const int prepared = PrepareStatement(db.get(), kCountQueued, count); prepared != SQLITE_OK) return -prepared;
  const int stepped = sqlite3_step(count.get());
  return stepped == SQLITE_ROW ? sqlite3_column_int64(count.get(), 0) : -stepped;
}

int ReadOutboxState(int waitMs, OutboxState& state) {
  state = {};
  const std::int64_t waiting = CountOutbox(waitMs);
  if (waiting < 0) return static_cast<int>(-waiting);
  state.waiting = waiting;
  Database db;
  if (const int opened = OpenCardDatabase(db, waitMs); opened != SQLITE_OK) return opened;
  Statement select;
  if (const int prepared = PrepareStatement(db.get(), kSelectState, select); prepared != SQLITE_OK) return prepared;
  int stepped;
  while ((stepped = sqlite3_step(select.get())) == SQLITE_ROW) {
    const std::wstring name = ColumnString(select.get(), 0);
    const std::wstring value = ColumnString(select.get(), 1);
    if (name == kLastSent) state.lastSent = value;
    if (name == kLastFailure) state.lastFailure = value;
    if (name == kLastFailureTime) state.lastFailureTime = value;
  }
  return DoneIsOk(stepped);
}
