// Speed of the blacklist editor at 100,000 numbers.
//
//   blacklist_bench.exe       (run under Wine by scripts/bench, or on Windows)
//
// Imports a text list of 100,000 numbers into an empty card database the
// way the editor does (read and check the file, read the table, work out the
// summary, write, read the table again) and prints the whole time and the
// time of the write call. The write lock is held for part of that call only
// (the numbers are staged in a temporary table first), so the call's time
// bounds the lock from above. Meanwhile a second thread stores reads and
// looks up a number as the reader program does; the longest of those calls
// is what a counter would wait. Then it times the filter over the 100,000
// rows.
#include <sqlite3.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
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
#include "common/reader_settings.h"
#include "support/temp_folder.h"

namespace {
namespace fs = std::filesystem;

constexpr int kNumbers = 100'000;

std::string TextListOf(int count) {
  std::string text(kTextListStart);
  for (int n = 0; n < count; ++n) {
    char body[24];
    std::snprintf(body, sizeof(body), "44010519800%06d", n);
    const std::u16string first17(body, body + 17);
    AppendTextListLine(first17 + CitizenCheckDigit(first17), u"通报在逃", text);
  }
  return text;
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
    IsBlacklisted(card.idNumber);
    calls.longestCheckMs = std::max(calls.longestCheckMs, NowMs() - start);
    Sleep(5);
  }
}

}  // namespace

int wmain() {
  ScopedTempFolder folder;
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  fs::copy_file(fs::path(self).parent_path() / L"card2", fs::path(folder / L"card2"));
  SetSavePath(folder.Path().c_str());
  const std::wstring listFile = folder / L"list.txt";
  std::ofstream(fs::path(listFile), std::ios::binary) << TextListOf(kNumbers);

  ReaderCalls calls;
  std::thread reader(ActLikeTheReader, std::ref(calls));
  const double start = NowMs();
  TextList list;
  std::vector<BlacklistRow> rows;
  ReadTextListFile(listFile, list);
  LoadBlacklist(rows);
  std::unordered_set<std::u16string> listed;
  for (const BlacklistRow& row : rows) listed.emplace(row.cardid.begin(), row.cardid.end());
  const ImportPlan plan = PlanImport(std::move(list), listed);
  const double writeStart = NowMs();
  int added = 0;
  const int result = ImportBlacklistEntries(plan.toAdd, added);
  const double writeMs = NowMs() - writeStart;
  LoadBlacklist(rows);
  const double totalMs = NowMs() - start;
  calls.running = false;
  reader.join();

  std::printf("import of %d numbers: result %d, %d added\n", kNumbers, result, added);
  std::printf("  whole import (file, check, summary, write, reload): %.0f ms (target 5000 ms)\n", totalMs);
  std::printf("  write call (staging and the locked copy; bounds the write lock): %.0f ms (target 1000 ms)\n", writeMs);
  std::printf("  reader program meanwhile: longest store %.0f ms, longest look-up %.0f ms, %d failed stores\n",
              calls.longestStoreMs, calls.longestCheckMs, calls.failures);

  const wchar_t* filters[] = {L"4401051980000", L"44010519800999", L"在逃", L"no such reason", L"4"};
  std::vector<double> samples;
  double longest = 0;
  for (int round = 0; round < 20; ++round) {
    for (const wchar_t* filter : filters) {
      const double filterStart = NowMs();
      const std::vector<std::size_t> shown = FilterBlacklist(rows, filter);
      const double elapsed = NowMs() - filterStart;
      samples.push_back(elapsed);
      longest = std::max(longest, elapsed);
      if (shown.size() > rows.size()) return 1;
    }
  }
  std::printf("filter over %d rows: median %.1f ms, longest %.1f ms (target 100 ms)\n", static_cast<int>(rows.size()),
              Median(samples), longest);
  return result == SQLITE_OK ? 0 : 1;
}
