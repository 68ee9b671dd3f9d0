// Speed of the reader program's conversion of an old-form card database
// (UTF-16, made by tests/support/make-old-card2 and filled by
// scripts/fill-card2 with a million reads): the form check every start
// makes, then the conversion as the reader program runs it, with the time
// until each tenth of the reported progress.
//
//   database_upgrade_bench.exe SAVE_FOLDER   (the folder that holds card2;
//                                             it is converted in place)
//
// The prepared card2 stands beside the benchmark program, as in the
// program folder. Exits 1 when the file was not of the old form, the
// conversion failed, or the new card2 is not of the new form with every row.
#include <windows.h>

#include <sqlite3.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_clock.h"
#include "common/card_database.h"
#include "common/card_database_upgrade.h"
#include "common/database_handles.h"
#include "common/reader_settings.h"

namespace {

std::int64_t CountReads() {
  Database db;
  if (OpenCardDatabase(db) != SQLITE_OK) return -1;
  Statement count;
  if (PrepareStatement(db, "select count(*) from cardinfo;", count) != SQLITE_OK ||
      sqlite3_step(count.get()) != SQLITE_ROW) {
    return -1;
  }
  return sqlite3_column_int64(count.get(), 0);
}

int Fail(const char* what) {
  std::fprintf(stderr, "database_upgrade_bench: %s\n", what);
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: database_upgrade_bench SAVE_FOLDER\n", stderr);
    return 2;
  }
  std::wstring folder = argv[1];
  if (folder.back() != L'\\') folder += L'\\';
  SetSavePath(folder.c_str());

  const double checkStart = NowMs();
  const DatabaseForm form = CardDatabaseForm();
  const double checkMs = NowMs() - checkStart;
  if (form != DatabaseForm::kOld) return Fail("card2 is not of the old form");
  const std::int64_t reads = CountReads();
  if (reads <= 0) return Fail("card2 holds no reads");

  std::vector<double> tenths;
  const double start = NowMs();
  const UpgradeResult result = UpgradeCardDatabase([&](int permille) {
    while (permille >= 100 * static_cast<int>(tenths.size() + 1)) tenths.push_back(NowMs() - start);
  });
  const double wholeMs = NowMs() - start;
  if (result.failedAt != UpgradeStep::kNone) {
    std::fprintf(stderr, "database_upgrade_bench: the conversion stopped at step %d, code %d\n",
                 static_cast<int>(result.failedAt), result.code);
    return 1;
  }
  if (CardDatabaseForm() != DatabaseForm::kCurrent) return Fail("card2 is not of the new form afterwards");
  if (CountReads() != reads) return Fail("card2 lost reads");

  std::printf("%-44s %8.1f ms\n", "form check at the reader program's start", checkMs);
  std::printf("%-44s %8.1f ms  (%lld reads, %.0f a second)\n", "conversion, whole", wholeMs,
              static_cast<long long>(reads), static_cast<double>(reads) * 1000.0 / wholeMs);
  std::printf("%-44s", "  progress at each tenth");
  for (const double ms : tenths) std::printf(" %.0f", ms);
  std::printf(" ms\n");
  return 0;
}
