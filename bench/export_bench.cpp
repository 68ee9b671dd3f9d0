// Speed of the spreadsheet export at its largest: 65,535 hits out of a
// database of 1,000,000 stored reads, from the moment the save-file dialog
// closes to the closed file.
//
//   export_bench.exe        (run under Wine by scripts/bench, with the
//                            spreadsheet driver registered through ODBCSYSINI)
#include <sqlite3.h>
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/bench_clock.h"
#include "bench/bench_save_folder.h"
#include "common/card_database.h"
#include "common/message_box.h"
#include "query_tool/export_command.h"
#include "query_tool/local_read_source.h"
#include "query_tool/save_file_dialog.h"
#include "support/temp_folder.h"

namespace {
namespace fs = std::filesystem;

constexpr int kStoredReads = 1'000'000;
constexpr double kTargetMs = 5000;

// One read a second from the start of 2024, with Chinese names, the full
// 35-character address and a newest address on every other read.
bool Fill(const std::wstring& database, std::int64_t start) {
  sqlite3* db = nullptr;
  if (sqlite3_open16(database.c_str(), &db) != SQLITE_OK) return false;
  const std::string sql =
      "with recursive n(i) as (select 0 union all select i + 1 from n where i < " + std::to_string(kStoredReads - 1) +
      ") insert into cardinfo select '韩川' || i, '男', '汉', '19800507', "
      "'南湖省青石市江滨路一百号南湖省青石市江滨路一百号南湖省青石市江滨路', printf('4401%014d', i), "
      "'青石市公安局江滨分局', '20100101', '20300101', " +
      std::to_string(start) + " + i * 10000000, case i % 2 when 0 then '' else '青石市江滨路二号' end, 0 from n;";
  const bool filled = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return filled;
}

}  // namespace

int wmain() {
  ScopedTempFolder folder;
  const std::wstring database = UseBenchSaveFolder(folder);
  SYSTEMTIME start{};
  start.wYear = 2024;
  start.wMonth = 1;
  start.wDay = 1;
  const std::int64_t first = FileTimeTicks(start);
  std::printf("filling %d reads...\n", kStoredReads);
  if (!Fill(database, first)) return 1;

  std::wstring message;
  SetMessageBoxHandler([&](HWND, const wchar_t* text, const wchar_t*, UINT) {
    message = text;
    return IDOK;
  });
  const std::wstring exported = folder / L"export.xls";
  double dialogClosed = 0;
  SetSaveFileDialogHandler([&](OPENFILENAMEW& dialog) {
    wcscpy_s(dialog.lpstrFile, dialog.nMaxFile, exported.c_str());
    dialogClosed = NowMs();
    return TRUE;
  });
  QueryContext query{};
  query.timeFrom = first;
  query.timeTo = first + static_cast<std::int64_t>(kMaxExportRows - 1) * 10'000'000;
  wcscpy_s(query.namePattern, L"%");
  wcscpy_s(query.numberPattern, L"%");
  wcscpy_s(query.sexPattern, L"%");
  LocalReadSource source;
  RunExportCommand(nullptr, kMaxExportRows, query, source);
  const double elapsed = NowMs() - dialogClosed;

  if (!message.empty() || query.rowCount != kMaxExportRows) {
    std::printf("export failed after %d rows: %ls\n", query.rowCount, message.c_str());
    return 1;
  }
  std::printf("export of %d rows (%.1f MB): %.0f ms (target %.0f ms)\n", query.rowCount,
              static_cast<double>(fs::file_size(fs::path(exported))) / 1e6, elapsed, kTargetMs);
  return 0;
}
