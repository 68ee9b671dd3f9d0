// Speed of the query tool on a card database of years of use (one million
// reads over ten years, made by scripts/fill-card2): opening the query
// window, a month pick, name and number prefix searches over the whole
// time range, a deep page, and opening the card detail dialog.
//
//   query_bench.exe SAVE_FOLDER   (the folder that holds the filled card2)
//
// Each figure is the median of several runs through the window's own
// handlers, with the window on screen.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_clock.h"
#include "common/card_database.h"
#include "common/database_handles.h"
#include "common/reader_settings.h"
#include "framework/application.h"
#include "query_tool/card_query.h"
#include "query_tool/id_card_dlg.h"
#include "query_tool/list_row.h"
#include "query_tool/pellory_dlg.h"
#include "query_tool/resource_ids.h"

namespace {

constexpr int kRuns = 5;

// The query window, timed from the call that shows it to the end of its
// initialisation (columns, layout, time range and month tree); then the
// benchmark's work runs inside its modal loop.
class TimedQueryWindow : public CPelloryDlg {
 public:
  double shownAt = 0;
  double openMs = 0;
  std::function<void(TimedQueryWindow&)> work;

 protected:
  BOOL OnInitDialog() override {
    const BOOL result = CPelloryDlg::OnInitDialog();
    openMs = NowMs() - shownAt;
    s_pending = this;
    SetTimer(nullptr, 0, 0, RunWork);
    return result;
  }

 private:
  static void CALLBACK RunWork(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    TimedQueryWindow* window = s_pending;
    if (window->work) window->work(*window);
    window->EndDialog(IDCANCEL);
  }
  static inline TimedQueryWindow* s_pending = nullptr;
};

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

double TimeIt(const std::function<void()>& work) {
  const double start = NowMs();
  work();
  return NowMs() - start;
}

HTREEITEM MonthItem(const CTreeCtrl& tree, int yearIndex, int month) {
  HTREEITEM year = tree.GetRootItem();
  for (int i = 0; i < yearIndex && year != nullptr; ++i) year = tree.GetNextSiblingItem(year);
  HTREEITEM item = year != nullptr ? tree.GetChildItem(year) : nullptr;
  for (int m = 1; m < month && item != nullptr; ++m) item = tree.GetNextSiblingItem(item);
  return item;
}

void SetWholeRange(HWND window) {
  Database db;
  OpenCardDatabase(db);
  std::int64_t earliest = 0, latest = 0;
  GetReadTimeRange(db.get(), earliest, latest);
  for (auto [id, ticks] : {std::pair{IDC_TIME_FROM, earliest}, std::pair{IDC_TIME_TO, latest}}) {
    const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(static_cast<std::uint64_t>(ticks) >> 32)};
    SYSTEMTIME calendar{};
    FileTimeToSystemTime(&time, &calendar);
    DateTime_SetSystemtime(GetDlgItem(window, id), GDT_VALID, &calendar);
  }
}

double PrefixSearchMs(TimedQueryWindow& window, const wchar_t* name, const wchar_t* number) {
  SetDlgItemTextW(window.m_hWnd, IDC_NAME, name);
  SetDlgItemTextW(window.m_hWnd, IDC_NUMBER, number);
  CheckDlgButton(window.m_hWnd, IDC_MALE, BST_CHECKED);
  CheckDlgButton(window.m_hWnd, IDC_FEMALE, BST_CHECKED);
  SetWholeRange(window.m_hWnd);
  return TimeIt([&] { SendMessageW(GetDlgItem(window.m_hWnd, IDOK), BM_CLICK, 0, 0); });
}

int SkipRow(QueryContext&, const CardRow&) { return 1; }

double DeepPageMs(int offset) {
  QueryContext query{};
  wcscpy_s(query.namePattern, L"%");
  wcscpy_s(query.numberPattern, L"%");
  wcscpy_s(query.sexPattern, L"%");
  query.timeTo = INT64_MAX;
  query.offset = offset;
  CardRow row{};
  return TimeIt([&] {
    Database db;
    OpenCardDatabase(db);
    ReadCardRows(db.get(), SkipRow, query, row);
  });
}

double DetailOpenMs(HWND list) {
  const double start = NowMs();
  const CardRow row = ReadListRow(list, 0);
  TimedCardDialog detail(row, LookUpBlacklist(row.idNumber), nullptr);
  detail.DoModal();
  return detail.paintedAt - start;
}

void Report(const char* what, const std::vector<double>& samples, const char* target) {
  std::printf("%-44s %8.1f ms  %s\n", what, Median(samples), target);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: query_bench SAVE_FOLDER\n", stderr);
    return 2;
  }
  std::wstring folder = argv[1];
  if (folder.back() != L'\\') folder += L'\\';
  SetSavePath(folder.c_str());
  InitDialogControls();

  std::vector<double> open, month, name, number, deep, detail;
  int monthHits = 0, nameHits = 0, numberHits = 0;
  for (int run = 0; run < kRuns; ++run) {
    TimedQueryWindow window;
    window.work = [&](TimedQueryWindow& w) {
      month.push_back(TimeIt([&] { w.m_tree.SelectItem(MonthItem(w.m_tree, 3 + run, 2 + run)); }));
      monthHits = w.m_nTotal;
      name.push_back(PrefixSearchMs(w, run % 2 == 0 ? L"王伟" : L"李娜", L""));
      nameHits = w.m_nTotal;
      number.push_back(PrefixSearchMs(w, L"", run % 2 == 0 ? L"990521" : L"980301"));
      numberHits = w.m_nTotal;
      detail.push_back(DetailOpenMs(w.m_list.m_hWnd));
    };
    window.shownAt = NowMs();
    window.DoModal();
    open.push_back(window.openMs);
    deep.push_back(DeepPageMs(999'950));
  }
  Report("opening the window (time range, month tree)", open, "(target 100 ms)");
  std::printf("%-44s %8d hits\n", "  month pick", monthHits);
  Report("month pick (count and first page)", month, "(target 100 ms)");
  std::printf("%-44s %8d hits\n", "  two-character name prefix", nameHits);
  Report("name prefix, whole range", name, "(target 300 ms)");
  std::printf("%-44s %8d hits\n", "  six-digit number prefix", numberHits);
  Report("number prefix, whole range", number, "(target 300 ms)");
  Report("page at offset 999,950, whole range", deep, "");
  Report("detail dialog (blacklist, photo, first paint)", detail, "");
  return 0;
}
