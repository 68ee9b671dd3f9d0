// Speed of the card database at the size of years of use: one million
// stored reads and a hundred thousand blacklisted numbers.
//
//   database_bench.exe        (run under Wine by scripts/bench, or on Windows)
//
// Prints the median of IsBlacklisted, of StoreCardRead beside a bare SQLite
// open-insert-close of the same row, and the time to purge one month.
#include <sqlite3.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "bench/bench_clock.h"
#include "bench/bench_save_folder.h"
#include "central/outbox.h"
#include "common/card_database.h"
#include "support/temp_folder.h"

namespace {
namespace fs = std::filesystem;

constexpr int kStoredReads = 1'000'000;
constexpr int kBlacklisted = 100'000;
constexpr int kReadsPerMonth = 8'000;
constexpr int kSamples = 300;

// 18-character citizen numbers, distinct for distinct n.
std::wstring CitizenNumber(int n) {
  wchar_t text[20];
  swprintf(text, 20, L"4401%014d", n);
  return text;
}

CardInfo SampleCard(int n) {
  CardInfo card{};
  wcscpy(card.name, L"韩川");
  wcscpy(card.sex, L"男");
  wcscpy(card.nation, L"汉");
  wcscpy(card.birth, L"19800507");
  wcscpy(card.address, L"南湖省青石市江滨路100号");
  wcscpy(card.idNumber, CitizenNumber(n).c_str());
  wcscpy(card.authority, L"青石市公安局江滨分局");
  wcscpy(card.validFrom, L"20100101");
  wcscpy(card.validTo, L"20300101");
  return card;
}

// The month of the nth stored read, oldest first, kReadsPerMonth a month.
SYSTEMTIME MonthOf(int n) {
  const int months = n / kReadsPerMonth;
  SYSTEMTIME time{};
  time.wYear = static_cast<WORD>(2000 + months / 12);
  time.wMonth = static_cast<WORD>(months % 12 + 1);
  time.wDay = static_cast<WORD>(n % 28 + 1);
  time.wHour = 12;
  return time;
}

bool Fill(const std::wstring& database) {
  sqlite3* db = nullptr;
  if (sqlite3_open16(database.c_str(), &db) != SQLITE_OK) return false;
  sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare16_v2(db, L"insert into cardinfo values (?,?,?,?,?, ?,?,?,?,?, ?,?);", -1, &insert, nullptr);
  for (int n = 0; n < kStoredReads; ++n) {
    const CardInfo card = SampleCard(n % 200'000);
    const SYSTEMTIME time = MonthOf(n);
    const wchar_t* texts[] = {card.name, card.sex, card.nation, card.birth, card.address,
                              card.idNumber, card.authority, card.validFrom, card.validTo};
    for (int i = 0; i < 9; ++i) sqlite3_bind_text16(insert, i + 1, texts[i], -1, SQLITE_STATIC);
    sqlite3_bind_int64(insert, 10, 0);
    sqlite3_bind_text16(insert, 11, L"", -1, SQLITE_STATIC);
    sqlite3_bind_int(insert, 12, static_cast<int>(DateTag(time)));
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  sqlite3_prepare16_v2(db, L"insert into blacklist values (?, 'bench');", -1, &insert, nullptr);
  for (int n = 0; n < kBlacklisted; ++n) {
    const std::wstring number = CitizenNumber(n * 2);
    sqlite3_bind_text16(insert, 1, number.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  const bool committed = sqlite3_exec(db, "commit", nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return committed;
}

// What a store costs at the least: open, insert one row, close.
double BareInsertMs(const std::wstring& database, const CardInfo& card) {
  const double start = NowMs();
  sqlite3* db = nullptr;
  sqlite3_open16(database.c_str(), &db);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare16_v2(db, L"insert into cardinfo values (?,?,?,?,?, ?,?,?,?,?, ?,?);", -1, &insert, nullptr);
  const wchar_t* texts[] = {card.name, card.sex, card.nation, card.birth, card.address,
                            card.idNumber, card.authority, card.validFrom, card.validTo};
  for (int i = 0; i < 9; ++i) sqlite3_bind_text16(insert, i + 1, texts[i], -1, SQLITE_STATIC);
  sqlite3_bind_int64(insert, 10, 0);
  sqlite3_bind_text16(insert, 11, L"", -1, SQLITE_STATIC);
  sqlite3_bind_int(insert, 12, 0x07DA0507);
  sqlite3_step(insert);
  sqlite3_finalize(insert);
  sqlite3_close(db);
  return NowMs() - start;
}

// The archived photos of the oldest month, as the reader program leaves them.
// A store as the polling loop makes it with central records on: the row
// with the photo bytes the reader delivered, queued for the server in the
// same transaction. Central records are off again afterwards.
double CentralStoreMs(const CardInfo& card) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  StoredRead read = MakeStoredRead(card, now);
  read.photo.size = kLargestPhotoBytes;
  for (std::size_t i = 0; i < kLargestPhotoBytes; ++i) read.photo.bytes[i] = static_cast<std::uint8_t>(i * 7);
  QueueStoredReadsFor(L"bench");
  const double start = NowMs();
  const int stored = InsertStoredRead(read, kDatabaseBusyTimeoutMs);
  const double took = NowMs() - start;
  SetStoredReadCompanion({nullptr, nullptr});
  return stored == 0 ? took : 1e9;
}

void WriteArchivedPhotos(const std::wstring& saveFolder) {
  for (int n = 0; n < kReadsPerMonth; ++n) {
    const SYSTEMTIME time = MonthOf(n);
    wchar_t path[MAX_PATH];
    swprintf(path, MAX_PATH, L"%ls%04d%02d\\%02d_%ls.bmp", saveFolder.c_str(), time.wYear, time.wMonth, time.wDay,
             CitizenNumber(n % 200'000).c_str());
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(fs::path(path), std::ios::binary) << "BM";
  }
}
}  // namespace

int wmain() {
  ScopedTempFolder folder;
  const std::wstring database = UseBenchSaveFolder(folder);

  double start = NowMs();
  if (!Fill(database)) {
    std::fprintf(stderr, "database_bench: could not fill the database\n");
    return 1;
  }
  std::printf("filled %d reads and %d blacklisted numbers in %.0f ms\n", kStoredReads, kBlacklisted, NowMs() - start);

  std::vector<double> lookups;
  int hits = 0;
  for (int i = 0; i < kSamples; ++i) {
    const std::wstring number = CitizenNumber(i * 331);  // every other one is listed
    start = NowMs();
    hits += IsBlacklisted(number.c_str());
    lookups.push_back(NowMs() - start);
  }

  std::vector<double> stores, bare, central;
  if (CreateCentralOutbox(kDatabaseBusyTimeoutMs) != 0) return 1;
  for (int i = 0; i < kSamples; ++i) {
    const CardInfo card = SampleCard(i);
    SYSTEMTIME now;
    GetLocalTime(&now);
    start = NowMs();
    if (StoreCardRead(card, now) != 0) return 1;
    stores.push_back(NowMs() - start);
    bare.push_back(BareInsertMs(database, card));
    central.push_back(CentralStoreMs(SampleCard(kSamples + i)));
  }
  const std::int64_t queued = CountOutbox(kDatabaseBusyTimeoutMs);

  WriteArchivedPhotos(folder.Path());
  const SYSTEMTIME limit = MonthOf(kReadsPerMonth);
  start = NowMs();
  const int purged = PurgeReadsBefore(DateTag(limit));
  const double purgeMs = NowMs() - start;

  std::printf("IsBlacklisted median            %8.3f ms  (target 2 ms; %d of %d listed)\n", Median(lookups), hits, kSamples);
  std::printf("StoreCardRead median            %8.3f ms\n", Median(stores));
  std::printf("bare open, insert, close median %8.3f ms  (ratio %.2f, target 1.5)\n", Median(bare),
              Median(stores) / Median(bare));
  std::printf("same with central records on     %8.3f ms  (ratio %.2f, target 1.2; %lld queued)\n", Median(central),
              Median(central) / Median(stores), static_cast<long long>(queued));
  std::printf("PurgeReadsBefore, one month     %8.0f ms  (%d reads with photos, result %d, target 2000 ms)\n", purgeMs,
              kReadsPerMonth, purged);
  // A lookup that never finds a listed number, or a purge that failed, did
  // not do the work timed.
  return hits > 0 && purged == 0 && queued == kSamples ? 0 : 1;
}
