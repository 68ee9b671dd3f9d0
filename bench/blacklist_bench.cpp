// Speed of the blacklist editor's import and filter.
//
//   blacklist_bench.exe       (run under Wine by scripts/bench, or on Windows)
//
// An import holds the card database's write lock for one write transaction,
// and the reader program waits at most kDatabaseBusyTimeoutMs for a lock; the
// editor refuses a list of more than kMaxImportNumbers numbers so that the
// transaction stays well within a second. The benchmark shows where that
// limit stands:
//
// 1. The write transaction by import size: lists of a quarter of the limit
//    up to four times it, each imported into its own copy of a card database
//    that already lists kListedBefore numbers. The numbers are spread over
//    the whole range, as real ones are, so every insert lands between listed
//    numbers in the index (the costly case). A thread with a connection of
//    its own watches the write lock meanwhile; the longest time it was held
//    is the transaction's time.
// 2. A whole import at the limit the way the editor does it (read and check
//    the file, read the table, work out the summary, write, read the table
//    again), while a second thread stores reads and looks up a number as the
//    reader program does; the longest of those calls is what a counter
//    would wait.
// 3. The editor's filter over the rows the table then holds.
//
// The exit code is non-zero when an import failed or did not add every
// number it was given.
#include <sqlite3.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "bench/bench_clock.h"
#include "blacklist_editor/blacklist_filter.h"
#include "blacklist_editor/blacklist_store.h"
#include "blacklist_editor/citizen_number.h"
#include "blacklist_editor/import_plan.h"
#include "blacklist_editor/text_list_file.h"
#include "common/card_database.h"
#include "common/database_handles.h"
#include "common/reader_settings.h"
#include "support/temp_folder.h"

namespace {
namespace fs = std::filesystem;

constexpr int kListedBefore = 100'000;
constexpr double kLockTargetMs = 1000;

// Two sets of made-up numbers that never meet but interleave over the whole
// range: the serial is scattered by a multiplication that is one-to-one
// modulo 2^48, and the set is the lowest digit's parity.
enum class NumberSet { kListed, kImported };

std::u16string SpreadNumber(std::uint64_t serial, NumberSet set) {
  const std::uint64_t scattered = (serial * 0x9E3779B97F4Bull) & ((1ull << 48) - 1);
  const std::uint64_t body = scattered * 2 + (set == NumberSet::kImported ? 1 : 0);
  char digits[24];
  std::snprintf(digits, sizeof(digits), "44%015llu", static_cast<unsigned long long>(body));
  const std::u16string first17(digits, digits + 17);
  return first17 + CitizenCheckDigit(first17);
}

std::vector<TextListLine> SpreadLines(int count, NumberSet set) {
  std::vector<TextListLine> lines;
  lines.reserve(static_cast<std::size_t>(count));
  for (int n = 0; n < count; ++n) {
    lines.push_back({n + 1, SpreadNumber(static_cast<std::uint64_t>(n), set), u"通报在逃"});
  }
  return lines;
}

std::string TextListOf(const std::vector<TextListLine>& lines) {
  std::string text(kTextListStart);
  for (const TextListLine& line : lines) AppendTextListLine(line.number, line.reason, text);
  return text;
}

// Whether any connection holds the write lock of the card database that
// `watcher` has open. It asks the file through SQLite's own check, which
// holds a lock for no longer than the moment of the test.
bool WriteLockHeld(sqlite3* watcher) {
  sqlite3_file* file = nullptr;
  if (sqlite3_file_control(watcher, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || file == nullptr ||
      file->pMethods == nullptr) {
    return false;
  }
  int held = 0;
  return file->pMethods->xCheckReservedLock(file, &held) == SQLITE_OK && held != 0;
}

// Watches the write lock of the card database in the save folder on a
// thread of its own, about once a millisecond, until stopped.
class WriteLockWatch {
 public:
  WriteLockWatch() {
    m_watched = OpenCardDatabase(m_db, 0) == SQLITE_OK;
    if (m_watched) m_thread = std::thread([this] { Watch(); });
  }
  ~WriteLockWatch() { Stop(); }
  WriteLockWatch(const WriteLockWatch&) = delete;
  WriteLockWatch& operator=(const WriteLockWatch&) = delete;

  void Stop() {
    m_running = false;
    if (m_thread.joinable()) m_thread.join();
  }
  // The longest time the lock was held; valid after Stop.
  double LongestHeldMs() const { return m_longestMs; }
  bool Watched() const { return m_watched; }

 private:
  void Watch() {
    double heldSince = -1;
    while (m_running) {
      const bool held = WriteLockHeld(m_db.get());
      const double now = NowMs();
      if (held && heldSince < 0) heldSince = now;
      if (!held && heldSince >= 0) {
        m_longestMs = std::max(m_longestMs, now - heldSince);
        heldSince = -1;
      }
      Sleep(1);
    }
    if (heldSince >= 0) m_longestMs = std::max(m_longestMs, NowMs() - heldSince);
  }

  Database m_db;
  bool m_watched = false;
  std::atomic<bool> m_running = true;
  double m_longestMs = 0;
  std::thread m_thread;
};

// A card database in folder that lists kListedBefore numbers, made once and
// copied for every measurement.
class ListedDatabase {
 public:
  explicit ListedDatabase(const ScopedTempFolder& folder) : m_folder(folder) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    fs::create_directory(fs::path(folder / L"listed"));
    fs::copy_file(fs::path(self).parent_path() / L"card2", fs::path(folder / L"listed\\card2"));
    SetSavePath((folder / L"listed").c_str());
    int added = 0;
    m_ok = ImportBlacklistEntries(SpreadLines(kListedBefore, NumberSet::kListed), added) == SQLITE_OK &&
           added == kListedBefore;
  }
  bool Ok() const { return m_ok; }

  // A fresh copy in its own folder, made the save folder.
  void UseCopy(const std::wstring& name) const {
    const std::wstring copy = m_folder / name;
    fs::create_directory(fs::path(copy));
    fs::copy_file(fs::path(m_folder / L"listed\\card2"), fs::path(copy + L"\\card2"));
    SetSavePath(copy.c_str());
  }

 private:
  const ScopedTempFolder& m_folder;
  bool m_ok = false;
};

// Imports `count` new numbers into a fresh copy; false when the import
// failed. Prints the write call's time and the time the lock was held.
bool MeasureTransaction(const ListedDatabase& listed, int count, double& lockMs) {
  listed.UseCopy(L"size-" + std::to_wstring(count));
  const std::vector<TextListLine> lines = SpreadLines(count, NumberSet::kImported);
  WriteLockWatch watch;
  const double start = NowMs();
  int added = 0;
  const int result = ImportBlacklistEntries(lines, added);
  const double callMs = NowMs() - start;
  watch.Stop();
  lockMs = watch.LongestHeldMs();
  std::printf("  %7d numbers%s: write lock held %5.0f ms, write call %5.0f ms, result %d, %d added\n", count,
              static_cast<std::size_t>(count) == kMaxImportNumbers ? " (the limit)" : "             ", lockMs, callMs,
              result, added);
  return result == SQLITE_OK && added == count && watch.Watched();
}

struct ReaderCalls {
  std::atomic<bool> running = true;
  double longestStoreMs = 0;
  double longestCheckMs = 0;
  int failures = 0;
};

// What the reader program does at each read, as often as it can.
void ActLikeTheReader(ReaderCalls& calls) {
  CardInfo card{};
  wcscpy(card.idNumber, L"44010519800000001X");
  while (calls.running) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    double start = NowMs();
    if (StoreCardRead(card, now) != SQLITE_OK) ++calls.failures;
    calls.longestStoreMs = std::max(calls.longestStoreMs, NowMs() - start);
    start = NowMs();
    if (LookUpBlacklist(card.idNumber) == BlacklistAnswer::kUnknown) ++calls.failures;
    calls.longestCheckMs = std::max(calls.longestCheckMs, NowMs() - start);
    Sleep(5);
  }
}

// The editor's whole import of a file at the limit; false when it failed.
bool MeasureWholeImport(const ListedDatabase& listed, const ScopedTempFolder& folder, std::vector<BlacklistRow>& rows) {
  listed.UseCopy(L"whole");
  const std::wstring listFile = folder / L"list.txt";
  std::ofstream(fs::path(listFile), std::ios::binary)
      << TextListOf(SpreadLines(static_cast<int>(kMaxImportNumbers), NumberSet::kImported));

  ReaderCalls calls;
  std::thread reader(ActLikeTheReader, std::ref(calls));
  WriteLockWatch watch;
  const double start = NowMs();
  TextList list;
  const ListFileResult read = ReadTextListFile(listFile, list);
  const int loaded = LoadBlacklist(rows);
  std::unordered_set<std::u16string> numbers;
  numbers.reserve(rows.size());
  for (const BlacklistRow& row : rows) numbers.emplace(row.cardid.begin(), row.cardid.end());
  const ImportPlan plan = PlanImport(std::move(list), numbers);
  int added = 0;
  const int result = ImportBlacklistEntries(plan.toAdd, added);
  const int reloaded = LoadBlacklist(rows);
  const double totalMs = NowMs() - start;
  watch.Stop();
  calls.running = false;
  reader.join();

  std::printf("whole import of %d numbers: result %d, %d added\n", static_cast<int>(kMaxImportNumbers), result, added);
  std::printf("  file, check, summary, write, reload: %.0f ms (target 5000 ms); write lock held %.0f ms\n", totalMs,
              watch.LongestHeldMs());
  std::printf("  reader program meanwhile: longest store %.0f ms, longest look-up %.0f ms, %d failed calls\n",
              calls.longestStoreMs, calls.longestCheckMs, calls.failures);
  return read == ListFileResult::kOk && loaded == SQLITE_OK && reloaded == SQLITE_OK && result == SQLITE_OK &&
         static_cast<std::size_t>(added) == kMaxImportNumbers && calls.failures == 0 && watch.Watched();
}

// False when the filter showed rows that are not there.
bool MeasureFilter(const std::vector<BlacklistRow>& rows) {
  const wchar_t* filters[] = {L"4401051980000", L"44010519800999", L"在逃", L"no such reason", L"4"};
  std::vector<double> samples;
  double longest = 0;
  bool sound = true;
  for (int round = 0; round < 20; ++round) {
    for (const wchar_t* filter : filters) {
      const double start = NowMs();
      const std::vector<std::size_t> shown = FilterBlacklist(rows, filter);
      const double elapsed = NowMs() - start;
      samples.push_back(elapsed);
      longest = std::max(longest, elapsed);
      sound &= shown.size() <= rows.size();
    }
  }
  std::printf("filter over %d rows: median %.1f ms, longest %.1f ms (target 100 ms)\n", static_cast<int>(rows.size()),
              Median(samples), longest);
  return sound;
}

}  // namespace

int wmain() {
  ScopedTempFolder folder;
  const ListedDatabase listed(folder);
  if (!listed.Ok()) {
    std::printf("could not list %d numbers beforehand\n", kListedBefore);
    return 1;
  }
  std::printf("write transaction of an import into a list of %d numbers (target %.0f ms at the limit):\n",
              kListedBefore, kLockTargetMs);
  bool done = true;
  double atLimitMs = 0;
  for (const std::size_t count : {kMaxImportNumbers / 4, kMaxImportNumbers / 2, kMaxImportNumbers,
                                  kMaxImportNumbers * 2, kMaxImportNumbers * 4}) {
    double lockMs = 0;
    done &= MeasureTransaction(listed, static_cast<int>(count), lockMs);
    if (count == kMaxImportNumbers) atLimitMs = lockMs;
  }
  std::printf("  at the limit the lock is held %.0f%% of the target\n", 100 * atLimitMs / kLockTargetMs);

  std::vector<BlacklistRow> rows;
  done &= MeasureWholeImport(listed, folder, rows);
  done &= MeasureFilter(rows);
  return done ? 0 : 1;
}
