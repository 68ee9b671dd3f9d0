// Speed of the query tool searching the central server: ten million reads
// of thirty counters over ten years, made on the server itself, then
// through the driver and the query window's own handlers: opening the
// window (login, time range, month tree), a month pick, a full citizen
// number and a two-character name prefix over the whole range. Each
// search's count and first page are also timed on their own, on one login.
//
//   tests/support/with-central-server -- wine central_query_bench.exe
//
// The figures are medians of five runs. Exits 1 when the work did not
// happen: the server could not be filled or searched, the window did not
// open, or a search found nothing.
#include <windows.h>

#include <commctrl.h>
#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_clock.h"
#include "bench/timed_query_window.h"
#include "central/central_password.h"
#include "central/central_search.h"
#include "central/central_settings.h"
#include "central/odbc_session.h"
#include "common/suite_folders.h"
#include "framework/application.h"
#include "query_tool/card_query.h"
#include "query_tool/pellory_dlg.h"
#include "query_tool/resource_ids.h"
#include "support/app_data_folder.h"

namespace {

constexpr int kRuns = 5;
constexpr long long kReads = 10'000'000;
constexpr double kTargetMs = 300;
// The reads, one every 31.5 seconds from the start of 2015 to the end of
// 2024, the stations in turn; names of a surname and one or two given
// characters, so that a two-character prefix matches one read in a
// hundred.
constexpr wchar_t kFill[] =
    L"insert into card_reads (station, cardname, sex, nation, birth, address, cardid, authority, validfrom, "
    L"validto, newaddress, readtime, datetag) "
    L"select '柜台' || (n % 30), "
    L"(array['王','李','张','刘','陈','杨','赵','黄','周','吴'])[n % 10 + 1] || "
    L"(array['伟','娜','芳','敏','静','丽','强','磊','军','洋'])[n / 10 % 10 + 1] || "
    L"(array['','华','平','刚','英','明','红','霞','杰','玲'])[n / 100 % 10 + 1], "
    L"case when n % 2 = 0 then '男' else '女' end, '汉', '19900101', '北京市东城区某街道' || n, "
    L"'11010119' || lpad((n % 10000000000)::text, 10, '0'), '北京市公安局东城分局', '20150101', '20350101', '', "
    L"t, extract(year from t)::int << 16 | extract(month from t)::int << 8 | extract(day from t)::int "
    L"from generate_series(0, 9999999) n, lateral (select timestamp '2015-01-01' + n * interval '31.5 seconds') s(t)";

std::vector<std::string> g_failures;
void Fail(const std::string& what) { g_failures.push_back(what); }

std::wstring Environment(const wchar_t* name) {
  wchar_t value[1024] = {};
  const DWORD length = GetEnvironmentVariableW(name, value, 1024);
  return length > 0 && length < 1024 ? value : L"";
}

bool Execute(OdbcSession& session, const wchar_t* sql) {
  SQLHSTMT statement = SQL_NULL_HSTMT;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, session.Handle(), &statement))) return false;
  const SQLRETURN result = SQLExecDirectW(statement, reinterpret_cast<SQLWCHAR*>(const_cast<wchar_t*>(sql)), SQL_NTS);
  const bool done = SQL_SUCCEEDED(result) || result == SQL_NO_DATA;
  if (!done) {
    std::fprintf(stderr, "%ls\n",
                 OdbcSession::Failure(SQL_HANDLE_STMT, statement, CentralFault::kFailed).message.c_str());
  }
  SQLFreeHandle(SQL_HANDLE_STMT, statement);
  return done;
}

// Fills the server as its superuser, without the statement time-out of the
// programs, and brings its statistics and visibility map up to date.
bool Fill(const std::wstring& office) {
  std::wstring superuser = office;
  const std::size_t user = superuser.find(L"Uid=office1;");
  if (user == std::wstring::npos) return false;
  superuser.replace(user, 12, L"Uid=central;");
  OdbcSession admin;
  if (!admin.Connect(superuser, L"central").ok()) return false;
  const double start = NowMs();
  const bool filled = Execute(admin, kFill) && Execute(admin, L"vacuum analyze card_reads");
  std::printf("filled %lld reads in %.0f s\n", kReads, (NowMs() - start) / 1000);
  return filled;
}

struct Figure {
  std::vector<double> ms;
  std::vector<double> countMs;
  std::vector<double> pageMs;
  int fewestHits = -1;
  void AddHits(int hits) { fewestHits = fewestHits < 0 || hits < fewestHits ? hits : fewestHits; }
};

int SkipRow(QueryContext&, const CardRow&) { return 1; }

// The search's count and first page on their own, on one login.
void TimeCountAndPage(Figure& figure, const QueryContext& search) {
  QueryContext query = search;
  query.mode = kQueryOnePage;
  query.offset = 0;
  query.rowCount = 0;
  CentralSearch source(LoadCentralSettings());
  const OpenedSource open(source, 0);
  if (!open) return Fail("the server cannot be reached");
  double start = NowMs();
  source.CountReads(query);
  figure.countMs.push_back(NowMs() - start);
  CardRow row{};
  start = NowMs();
  if (!source.ReadRows(SkipRow, query, row) || query.rowCount == 0) Fail("a first page did not come");
  figure.pageMs.push_back(NowMs() - start);
}

void Measure(TimedQueryWindow& window, Figure& figure, const std::function<void()>& work) {
  const double start = NowMs();
  work();
  figure.ms.push_back(NowMs() - start);
  figure.AddHits(window.m_nTotal);
  TimeCountAndPage(figure, window.m_query);
}

void SetPicker(HWND window, int id, const SYSTEMTIME& time) {
  DateTime_SetSystemtime(GetDlgItem(window, id), GDT_VALID, &time);
}

void RunSearch(TimedQueryWindow& window, Figure& figure, const std::wstring& name, const std::wstring& number) {
  SetDlgItemTextW(window.m_hWnd, IDC_NAME, name.c_str());
  SetDlgItemTextW(window.m_hWnd, IDC_NUMBER, number.c_str());
  CheckDlgButton(window.m_hWnd, IDC_MALE, BST_CHECKED);
  CheckDlgButton(window.m_hWnd, IDC_FEMALE, BST_CHECKED);
  SetPicker(window.m_hWnd, IDC_TIME_FROM, SYSTEMTIME{2015, 1, 0, 1, 0, 0, 0, 0});
  SetPicker(window.m_hWnd, IDC_TIME_TO, SYSTEMTIME{2024, 12, 0, 31, 23, 59, 59, 0});
  Measure(window, figure, [&] { SendMessageW(GetDlgItem(window.m_hWnd, IDOK), BM_CLICK, 0, 0); });
}

HTREEITEM MonthItem(const CTreeCtrl& tree, int yearIndex, int month) {
  HTREEITEM year = tree.GetRootItem();
  for (int i = 0; i < yearIndex && year != nullptr; ++i) year = tree.GetNextSiblingItem(year);
  HTREEITEM item = year != nullptr ? tree.GetChildItem(year) : nullptr;
  for (int m = 1; m < month && item != nullptr; ++m) item = tree.GetNextSiblingItem(item);
  return item;
}

// The citizen number of read n, as the fill makes it.
std::wstring NumberOfRead(long long n) {
  wchar_t number[24];
  std::swprintf(number, 24, L"11010119%010lld", n);
  return number;
}

void Report(const char* what, const Figure& figure, bool withParts) {
  char label[96];
  std::snprintf(label, sizeof label, figure.fewestHits >= 0 ? "%s, %d hits" : "%s", what, figure.fewestHits);
  std::printf("%-46s %8.1f ms  (target %.0f ms)", label, Median(figure.ms), kTargetMs);
  if (withParts) std::printf("  count %.1f ms, first page %.1f ms", Median(figure.countMs), Median(figure.pageMs));
  std::printf("\n");
}

int Finish() {
  for (const std::string& failure : g_failures) std::fprintf(stderr, "central_query_bench: %s\n", failure.c_str());
  return g_failures.empty() ? 0 : 1;
}

}  // namespace

int wmain() {
  const std::wstring office = Environment(L"CENTRAL_OFFICE");
  if (office.empty()) {
    std::fputs("usage: tests/support/with-central-server -- wine central_query_bench.exe\n", stderr);
    return 2;
  }
  ScopedAppDataFolder appData;
  wchar_t folder[kPathCapacity];
  if (GetSettingsFolder(kPathCapacity, folder) == 0) return Fail("no settings folder"), Finish();
  CreateDirectoryW(folder, nullptr);
  CentralSettings settings = LoadCentralSettings();
  settings.officeConnection = office;
  if (!SaveCentralSettings(settings) || !SaveCentralPassword(kOfficePasswordFile, L"office1")) {
    return Fail("the settings cannot be written"), Finish();
  }
  if (!Fill(office)) return Fail("the server cannot be filled"), Finish();
  InitDialogControls();

  Figure open, month, fullNumber, namePrefix;
  for (int run = 0; run < kRuns; ++run) {
    TimedQueryWindow window;
    window.work = [&](TimedQueryWindow& w) {
      Measure(w, month, [&] { w.m_tree.SelectItem(MonthItem(w.m_tree, 3 + run, 2 + run)); });
      RunSearch(w, fullNumber, L"", NumberOfRead(1 + run * 1'999'999LL));
      RunSearch(w, namePrefix, run % 2 == 0 ? L"王伟" : L"李娜", L"");
    };
    window.shownAt = NowMs();
    window.DoModal();
    if (!window.worked || window.m_tree.m_hWnd == nullptr) return Fail("the query window did not open"), Finish();
    open.ms.push_back(window.openMs);
  }
  Report("opening the window (login, time range, tree)", open, false);
  Report("month pick", month, true);
  Report("full 18-character number", fullNumber, true);
  Report("two-character name prefix", namePrefix, true);
  for (const Figure* search : {&month, &fullNumber, &namePrefix}) {
    if (search->fewestHits <= 0) Fail("a search found nothing");
  }
  return Finish();
}
