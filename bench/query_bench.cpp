// Speed of the query tool on a card database of years of use (one million
// reads over ten years, made by scripts/fill-card2): opening the query
// window, a month pick, the searches clerks type over the whole time range
// (a full citizen number, a full three-character name, a two-character name
// prefix, a six-digit number prefix), a deep page, and opening the card
// detail dialog.
//
//   query_bench.exe SAVE_FOLDER [--page-reads]
//
// SAVE_FOLDER holds the filled card2. When its search statistics are due,
// they are gathered first, as the reader program does at its start. Each
// figure is the median of several runs through the window's own handlers,
// with the window on screen; a search's figure runs from the click on
// "查询" to the new total, and its count and first page are also timed on
// their own. Beside each figure stand the file calls SQLite made for it.
// --page-reads refuses the mapping of the file, so that every page comes
// through a read call, as for a save folder on a network share.
//
// Exits 1 when the work did not happen: the database cannot be read, the
// window did not open, a search found nothing, the deep page or the detail
// dialog did not come.
#include <windows.h>

#include <commctrl.h>
#include <sqlite3.h>

#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_clock.h"
#include "bench/file_call_counter.h"
#include "bench/timed_query_window.h"
#include "common/card_database.h"
#include "common/database_handles.h"
#include "common/reader_settings.h"
#include "common/search_statistics.h"
#include "framework/application.h"
#include "query_tool/card_query.h"
#include "query_tool/id_card_dlg.h"
#include "query_tool/list_row.h"
#include "query_tool/pellory_dlg.h"
#include "query_tool/resource_ids.h"

namespace {

constexpr int kRuns = 5;
constexpr int kDeepOffset = 999'950;

std::vector<std::string> g_failures;

void Fail(const std::string& what) { g_failures.push_back(what); }

// One figure: its samples, the hits of its runs, and the file calls of its
// last run.
struct Figure {
  std::vector<double> ms;
  std::vector<double> countMs;
  std::vector<double> pageMs;
  int fewestHits = -1;
  FileCalls calls;

  void AddHits(int hits) { fewestHits = fewestHits < 0 || hits < fewestHits ? hits : fewestHits; }
};

// Times work and counts its file calls into the figure.
void Measure(Figure& figure, const std::function<void()>& work) {
  const FileCalls before = FileCallsSoFar();
  const double start = NowMs();
  work();
  figure.ms.push_back(NowMs() - start);
  figure.calls = FileCallsSoFar() - before;
}

// The detail dialog, timed to the end of its first paint.
class TimedCardDialog : public CIDCardDlg {
 public:
  using CIDCardDlg::CIDCardDlg;
  double paintedAt = 0;

 protected:
  BOOL OnInitDialog() override {
    const BOOL result = CIDCardDlg::OnInitDialog();
    ShowWindow(m_hWnd, SW_SHOW);
    UpdateWindow(m_hWnd);
    paintedAt = NowMs();
    PostMessageW(m_hWnd, WM_COMMAND, ID_CARD_CLOSE, 0);
    return result;
  }
};

// The texts the clerks of the benchmark type, different in each run: full
// numbers and three-character names of stored reads spread over the file,
// and the prefixes of earlier benchmarks.
struct TypedTexts {
  std::wstring fullNumber[kRuns];
  std::wstring fullName[kRuns];
};

std::wstring ColumnText16(sqlite3_stmt* statement, int column) {
  const auto* text = static_cast<const wchar_t*>(sqlite3_column_text16(statement, column));
  return text != nullptr ? text : L"";
}

bool ReadTypedTexts(TypedTexts& texts) {
  Database db;
  if (OpenCardDatabase(db) != SQLITE_OK) return false;
  Statement pick;
  if (PrepareStatement(db,
                       "select cardid, (select cardname from cardinfo where rowid >= ?1 and length(cardname) = 3 "
                       "limit 1) from cardinfo where rowid >= ?1 limit 1;",
                       pick) != SQLITE_OK) {
    return false;
  }
  for (int run = 0; run < kRuns; ++run) {
    sqlite3_bind_int64(pick.get(), 1, 1 + static_cast<sqlite3_int64>(run) * 190'000);
    if (sqlite3_step(pick.get()) != SQLITE_ROW) return false;
    texts.fullNumber[run] = ColumnText16(pick.get(), 0);
    texts.fullName[run] = ColumnText16(pick.get(), 1);
    if (texts.fullNumber[run].size() != 18 || texts.fullName[run].size() != 3) return false;
    sqlite3_reset(pick.get());
  }
  return true;
}

bool ReadWholeRange(std::int64_t& earliest, std::int64_t& latest) {
  Database db;
  return OpenCardDatabase(db) == SQLITE_OK && GetReadTimeRange(db.get(), earliest, latest) == SQLITE_OK &&
         latest != 0;
}

void SetPicker(HWND window, int id, std::int64_t ticks) {
  const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(static_cast<std::uint64_t>(ticks) >> 32)};
  SYSTEMTIME calendar{};
  FileTimeToSystemTime(&time, &calendar);
  DateTime_SetSystemtime(GetDlgItem(window, id), GDT_VALID, &calendar);
}

HTREEITEM MonthItem(const CTreeCtrl& tree, int yearIndex, int month) {
  HTREEITEM year = tree.GetRootItem();
  for (int i = 0; i < yearIndex && year != nullptr; ++i) year = tree.GetNextSiblingItem(year);
  HTREEITEM item = year != nullptr ? tree.GetChildItem(year) : nullptr;
  for (int m = 1; m < month && item != nullptr; ++m) item = tree.GetNextSiblingItem(item);
  return item;
}

int SkipRow(QueryContext&, const CardRow&) { return 1; }

// The search's count and first page on their own, as the window runs them:
// on one connection, opened for them.
void TimeCountAndPage(Figure& figure, const QueryContext& search) {
  QueryContext query = search;
  query.mode = kQueryOnePage;
  query.offset = 0;
  query.rowCount = 0;
  CardRow row{};
  Database db;
  if (OpenCardDatabase(db) != SQLITE_OK) return Fail("the database cannot be opened");
  double start = NowMs();
  CountCardReads(db.get(), query);
  figure.countMs.push_back(NowMs() - start);
  start = NowMs();
  ReadCardRows(db.get(), SkipRow, query, row);
  figure.pageMs.push_back(NowMs() - start);
}

// Types the search into the window over the whole time range and clicks
// "查询".
void RunSearch(TimedQueryWindow& window, Figure& figure, const std::wstring& name, const std::wstring& number,
               std::int64_t earliest, std::int64_t latest) {
  SetDlgItemTextW(window.m_hWnd, IDC_NAME, name.c_str());
  SetDlgItemTextW(window.m_hWnd, IDC_NUMBER, number.c_str());
  CheckDlgButton(window.m_hWnd, IDC_MALE, BST_CHECKED);
  CheckDlgButton(window.m_hWnd, IDC_FEMALE, BST_CHECKED);
  SetPicker(window.m_hWnd, IDC_TIME_FROM, earliest);
  SetPicker(window.m_hWnd, IDC_TIME_TO, latest);
  Measure(figure, [&] { SendMessageW(GetDlgItem(window.m_hWnd, IDOK), BM_CLICK, 0, 0); });
  figure.AddHits(window.m_nTotal);
  TimeCountAndPage(figure, window.m_query);
}

void PickMonth(TimedQueryWindow& window, Figure& figure, int run) {
  Measure(figure, [&] { window.m_tree.SelectItem(MonthItem(window.m_tree, 3 + run, 2 + run)); });
  figure.AddHits(window.m_nTotal);
  TimeCountAndPage(figure, window.m_query);
}

void OpenDetail(HWND list, Figure& figure) {
  const double start = NowMs();
  const FileCalls before = FileCallsSoFar();
  const CardRow row = ReadListRow(list, 0);
  TimedCardDialog detail(row, LookUpBlacklist(row.idNumber), nullptr);
  detail.DoModal();
  if (detail.paintedAt == 0) return Fail("the detail dialog did not paint");
  figure.ms.push_back(detail.paintedAt - start);
  figure.calls = FileCallsSoFar() - before;
}

void ReadDeepPage(Figure& figure) {
  QueryContext query{};
  wcscpy_s(query.namePattern, L"%");
  wcscpy_s(query.numberPattern, L"%");
  wcscpy_s(query.sexPattern, L"%");
  query.timeTo = INT64_MAX;
  query.offset = kDeepOffset;
  CardRow row{};
  Measure(figure, [&] {
    Database db;
    OpenCardDatabase(db);
    ReadCardRows(db.get(), SkipRow, query, row);
  });
  figure.AddHits(query.rowCount);
}

void Report(const char* what, const Figure& figure, const char* target) {
  char label[96];
  if (figure.fewestHits >= 0) {
    std::snprintf(label, sizeof(label), "%s, %d hits", what, figure.fewestHits);
  } else {
    std::snprintf(label, sizeof(label), "%s", what);
  }
  std::printf("%-46s %8.1f ms  %-16s", label, Median(figure.ms), target);
  if (!figure.countMs.empty()) {
    std::printf(" count %.1f ms, first page %.1f ms;", Median(figure.countMs), Median(figure.pageMs));
  }
  std::printf(" file reads %lld, mapped pages %lld, locks %lld\n", static_cast<long long>(figure.calls.reads),
              static_cast<long long>(figure.calls.mappedPages), static_cast<long long>(figure.calls.locks));
}

int Finish() {
  for (const std::string& failure : g_failures) std::fprintf(stderr, "query_bench: %s\n", failure.c_str());
  return g_failures.empty() ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const bool pageReads = argc == 3 && std::wcscmp(argv[2], L"--page-reads") == 0;
  if (argc != 2 && !pageReads) {
    std::fputs("usage: query_bench SAVE_FOLDER [--page-reads]\n", stderr);
    return 2;
  }
  std::wstring folder = argv[1];
  if (folder.back() != L'\\') folder += L'\\';
  SetSavePath(folder.c_str());
  InitDialogControls();
  if (!CountFileCalls(pageReads)) Fail("the file calls cannot be counted");

  Figure statistics;
  if (SearchStatisticsAreDue()) {
    Measure(statistics, [] {
      if (UpdateSearchStatistics() != SQLITE_OK) Fail("the search statistics cannot be gathered");
    });
  }
  std::int64_t earliest = 0, latest = 0;
  TypedTexts typed;
  if (!ReadWholeRange(earliest, latest) || !ReadTypedTexts(typed)) {
    Fail("the database cannot be read, or holds too few reads");
    return Finish();
  }

  Figure open, month, fullNumber, fullName, namePrefix, numberPrefix, deep, detail;
  for (int run = 0; run < kRuns; ++run) {
    TimedQueryWindow window;
    window.work = [&](TimedQueryWindow& w) {
      PickMonth(w, month, run);
      RunSearch(w, fullNumber, L"", typed.fullNumber[run], earliest, latest);
      RunSearch(w, fullName, typed.fullName[run], L"", earliest, latest);
      RunSearch(w, namePrefix, run % 2 == 0 ? L"王伟" : L"李娜", L"", earliest, latest);
      RunSearch(w, numberPrefix, L"", run % 2 == 0 ? L"990521" : L"980301", earliest, latest);
      OpenDetail(w.m_list.m_hWnd, detail);
    };
    const FileCalls callsAtShow = FileCallsSoFar();
    window.opened = [&] { open.calls = FileCallsSoFar() - callsAtShow; };
    window.shownAt = NowMs();
    window.DoModal();
    if (!window.worked) {
      Fail("the query window did not open");
      return Finish();
    }
    open.ms.push_back(window.openMs);
    ReadDeepPage(deep);
  }

  std::printf("%s\n", pageReads ? "every page through a read call (as on a network share)"
                                 : "mapped reads (a save folder on a local disk)");
  if (!statistics.ms.empty()) Report("search statistics gathered first", statistics, "");
  Report("opening the window (time range, month tree)", open, "(target 100 ms)");
  Report("month pick", month, "(target 100 ms)");
  Report("full 18-character number", fullNumber, "(target 50 ms)");
  Report("full three-character name", fullName, "(target 50 ms)");
  Report("two-character name prefix", namePrefix, "(target 300 ms)");
  Report("six-digit number prefix", numberPrefix, "(target 300 ms)");
  Report("page at offset 999,950, whole range", deep, "");
  Report("detail dialog (blacklist, photo, first paint)", detail, "");
  for (const Figure* search : {&month, &fullNumber, &fullName, &namePrefix, &numberPrefix}) {
    if (search->fewestHits <= 0) Fail("a search found nothing");
  }
  if (deep.fewestHits != kPageRows) Fail("the deep page did not come");
  return Finish();
}
