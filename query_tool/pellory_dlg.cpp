#include "query_tool/pellory_dlg.h"

#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

#include "central/central_search.h"
#include "central/central_settings.h"
#include "common/card_database.h"
#include "framework/application.h"
#include "framework/device_context.h"
#include "query_tool/card_query.h"
#include "query_tool/export_command.h"
#include "query_tool/local_read_source.h"
#include "query_tool/month_range.h"
#include "query_tool/resource_ids.h"

namespace {

struct ListColumn {
  const wchar_t* heading;
  int width;
};
constexpr ListColumn kListColumnTable[kListColumns] = {
    {L"姓名", 100},     {L"性别", 40},      {L"民族", 40},      {L"生日", 110},     {L"地址", 250},
    {L"身份证号码", 140}, {L"签发机构", 160}, {L"有效时间", 160}, {L"验卡时间", 150}, {L"最新地址", 200},
};
constexpr ListColumn kStationListColumn = {L"站点", 120};

struct Anchored {
  int id;
  LayoutAnchor anchor;
};
constexpr Anchored kAnchoredControls[] = {
    {IDC_MONTH_TREE, kAnchorHeight}, {IDC_RESULT_LIST, kAnchorStretch}, {IDC_STATUS, kAnchorBottomWidth},
    {IDOK, kAnchorRight},            {IDCANCEL, kAnchorRight},          {IDC_EXPORT, kAnchorRight},
    {IDC_PAGE_SPIN, kAnchorRight},
};

constexpr int kTreeImageSize = 16;
constexpr int kNameCharacters = 31;
constexpr int kNumberCharacters = 19;
constexpr int kNumberEditLimit = 18;
// A month item's data is year * kYearStep + month; a year item's is 0.
constexpr LPARAM kYearStep = 256;

// Spin deltas: the control's default range runs from 100 down to 0, so its
// left arrow reports +1 and its right arrow -1.
constexpr int kSpinPrevious = 1;

// Text of an edit control, at most `characters` characters, with "%" added.
template <std::size_t N>
void ReadPattern(HWND dialog, int id, int characters, wchar_t (&pattern)[N]) {
  static_assert(N > 1);
  GetDlgItemTextW(dialog, id, pattern, characters + 1);
  wcscat_s(pattern, L"%");
}

std::int64_t PickerTicks(HWND picker) {
  SYSTEMTIME time{};
  DateTime_GetSystemtime(picker, &time);
  time.wMilliseconds = 0;
  return FileTimeTicks(time);
}

SYSTEMTIME CalendarTime(std::int64_t ticks) {
  const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(static_cast<std::uint64_t>(ticks) >> 32)};
  SYSTEMTIME calendar{};
  FileTimeToSystemTime(&time, &calendar);
  return calendar;
}

// Holds back a control's painting while many items go in, then repaints
// it once.
class ScopedNoRedraw {
 public:
  explicit ScopedNoRedraw(HWND control) : m_control(control) { SendMessageW(control, WM_SETREDRAW, FALSE, 0); }
  ~ScopedNoRedraw() {
    SendMessageW(m_control, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(m_control, nullptr, TRUE);
  }
  ScopedNoRedraw(const ScopedNoRedraw&) = delete;
  ScopedNoRedraw& operator=(const ScopedNoRedraw&) = delete;

 private:
  HWND m_control;
};

bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

// Column texts taken before a sort, by item data; the list moves its items
// while it sorts, so the comparison must not look them up by position.
struct SortTexts {
  std::vector<std::wstring> texts;
  bool ascending;
};

int CALLBACK CompareSortTexts(LPARAM first, LPARAM second, LPARAM context) {
  const auto& sort = *reinterpret_cast<const SortTexts*>(context);
  // The user's locale order, ignoring case, as people read the column.
  const int order = lstrcmpiW(sort.texts[static_cast<std::size_t>(first)].c_str(),
                              sort.texts[static_cast<std::size_t>(second)].c_str());
  return sort.ascending ? order : -order;
}

// The central server when a search connection is set, else the card
// database.
std::unique_ptr<ReadSource> ChooseReadSource() {
  CentralSettings settings = LoadCentralSettings();
  if (SearchConnection(settings).empty()) return std::make_unique<LocalReadSource>();
  return std::make_unique<CentralSearch>(std::move(settings));
}

}  // namespace

CPelloryDlg::CPelloryDlg() : CDialog(IDD_PELLORY) { m_hIcon.Load(ResourceInstance(), IDR_MAINFRAME); }

const MessageTable* CPelloryDlg::GetMessageTable() const {
  static constexpr MessageEntry kEntries[] = {
      OnMessageThenDefault<WM_PAINT, &CPelloryDlg::OnPaint>(),
      OnMessage<WM_QUERYDRAGICON, &CPelloryDlg::OnQueryDragIcon>(),
      OnMessage<WM_SIZE, &CPelloryDlg::OnSize>(),
      OnMessage<WM_DESTROY, &CPelloryDlg::OnDestroy>(),
      OnNotify<UDN_DELTAPOS, IDC_PAGE_SPIN, &CPelloryDlg::OnPageSpin>(),
      OnNotify<LVN_COLUMNCLICK, IDC_RESULT_LIST, &CPelloryDlg::OnColumnClick>(),
      OnNotify<NM_DBLCLK, IDC_RESULT_LIST, &CPelloryDlg::OnListDoubleClick>(),
      OnNotify<TVN_SELCHANGEDW, IDC_MONTH_TREE, &CPelloryDlg::OnMonthPicked>(),
      OnCommand<IDC_EXPORT, &CPelloryDlg::OnExport>(),
  };
  static const MessageTable kTable{CDialog::GetMessageTable(), kEntries};
  return &kTable;
}

void CPelloryDlg::OnExport() { RunExportCommand(m_hWnd, m_nTotal, m_query, *m_source); }

BOOL CPelloryDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon.Get()));
  SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon.Get()));
  m_list.Attach(GetDlgItem(IDC_RESULT_LIST));
  m_tree.Attach(GetDlgItem(IDC_MONTH_TREE));
  m_source = ChooseReadSource();
  InsertColumns();
  CheckDlgButton(m_hWnd, IDC_MALE, BST_CHECKED);
  CheckDlgButton(m_hWnd, IDC_FEMALE, BST_CHECKED);
  SendDlgItemMessageW(m_hWnd, IDC_NUMBER, EM_SETLIMITTEXT, kNumberEditLimit, 0);
  DateTime_SetFormat(GetDlgItem(IDC_TIME_FROM), L"yyyy-MM-dd HH:mm:ss");
  DateTime_SetFormat(GetDlgItem(IDC_TIME_TO), L"yyyy-MM-dd HH:mm:ss");
  SetUpLayout();
  m_hTreeImages.Create(kTreeImageSize, kTreeImageSize, ILC_COLOR32, 2, 3);
  m_hTreeImages.SetBkColor(GetSysColor(COLOR_WINDOW));
  m_hTreeImages.AddIconResource(ResourceInstance(), IDI_TREE_ITEM);
  m_hTreeImages.AddIconResource(ResourceInstance(), IDI_TREE_SELECTED);
  m_tree.SetImageList(m_hTreeImages);
  FillMonthTree();
  return TRUE;
}

void CPelloryDlg::InsertColumns() {
  for (int column = 0; column < kListColumns; ++column) {
    m_list.InsertColumn(column, kListColumnTable[column].heading, kListColumnTable[column].width);
  }
  if (m_source->HasStations()) {
    m_list.InsertColumn(kStationColumn, kStationListColumn.heading, kStationListColumn.width);
  }
  m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
}

void CPelloryDlg::SetUpLayout() {
  m_layout.SetUp(m_hWnd, static_cast<int>(std::size(kAnchoredControls)));
  for (int i = 0; i < static_cast<int>(std::size(kAnchoredControls)); ++i) {
    m_layout.SetEntry(i, GetDlgItem(kAnchoredControls[i].id), kAnchoredControls[i].anchor);
  }
}

void CPelloryDlg::FillMonthTree() {
  std::int64_t earliest = 0;
  std::int64_t latest = 0;
  {
    const OpenedSource open(*m_source, m_nLockWaitMs);
    if (!open || !m_source->GetReadTimeRange(earliest, latest)) {
      ShowStatus(m_source->MonthTreeFailedText());
      return;
    }
  }
  if (latest == 0) return;
  const ScopedNoRedraw quiet(m_tree.m_hWnd);
  const int firstYear = CalendarTime(earliest).wYear;
  const int lastYear = CalendarTime(latest).wYear;
  for (int year = firstYear; year <= lastYear; ++year) {
    wchar_t text[16];
    std::swprintf(text, std::size(text), L"%d年", year);
    HTREEITEM yearItem = m_tree.InsertItem(text, TVI_ROOT, 0, 0, 1);
    if (yearItem == nullptr) return;
    for (int month = 1; month <= 12; ++month) {
      std::swprintf(text, std::size(text), L"%d月", month);
      if (m_tree.InsertItem(text, yearItem, year * kYearStep + month, 0, 1) == nullptr) return;
    }
  }
}

void CPelloryDlg::OnOK() { RunQuery(); }

void CPelloryDlg::ReadQueryFromControls() {
  ReadPattern(m_hWnd, IDC_NAME, kNameCharacters, m_query.namePattern);
  ReadPattern(m_hWnd, IDC_NUMBER, kNumberCharacters, m_query.numberPattern);
  const bool male = IsChecked(m_hWnd, IDC_MALE);
  const bool female = IsChecked(m_hWnd, IDC_FEMALE);
  const wchar_t* sex = male == female ? L"%" : (male ? L"男" : L"女");
  wcscpy_s(m_query.sexPattern, sex);
  m_query.timeFrom = PickerTicks(GetDlgItem(IDC_TIME_FROM));
  m_query.timeTo = PickerTicks(GetDlgItem(IDC_TIME_TO));
}

void CPelloryDlg::RunQuery() {
  m_list.DeleteAllItems();
  ReadQueryFromControls();
  m_query.offset = 0;
  // Paging and the export take a failed query as one without hits.
  m_nTotal = 0;
  if (!CountAndReadFirstPage()) {
    ShowStatus(m_source->QueryFailedText());
    return;
  }
  wchar_t status[64];
  if (m_nTotal != 0) {
    std::swprintf(status, std::size(status), L"总计：%d条记录 当前记录：1～%d", m_nTotal, m_query.rowCount);
  } else {
    wcscpy_s(status, L"总计：0条记录");
  }
  ShowStatus(status);
}

bool CPelloryDlg::CountAndReadFirstPage() {
  const OpenedSource open(*m_source, m_nLockWaitMs);
  if (!open) return false;
  const std::int32_t total = m_source->CountReads(m_query);
  if (total == kCountFailed || !ReadPage()) return false;
  m_nTotal = total;
  return true;
}

bool CPelloryDlg::ReadPage() {
  const ScopedNoRedraw quiet(m_list.m_hWnd);
  m_list.DeleteAllItems();
  m_query.mode = kQueryOnePage;
  m_query.rowCount = 0;
  m_query.target = m_list.m_hWnd;
  CardRow row{};
  const bool read = m_source->ReadRows(AddListRow, m_query, row);
  // The rows before a failure are not the page, and could pass for it.
  if (!read) {
    m_list.DeleteAllItems();
    m_query.rowCount = 0;
  }
  return read;
}

void CPelloryDlg::ShowStatus(const wchar_t* text) { SetDlgItemTextW(m_hWnd, IDC_STATUS, text); }

LRESULT CPelloryDlg::OnPageSpin(NMHDR* header) {
  const int delta = reinterpret_cast<NMUPDOWN*>(header)->iDelta;
  if (m_nTotal <= kPageRows) return 0;
  int offset = m_query.offset;
  if (delta == kSpinPrevious) {
    if (offset == 0) return 0;
    offset = offset <= kPageRows ? 0 : offset - kPageRows;
  } else {
    offset += kPageRows;
    if (offset >= m_nTotal) return 0;
  }
  const int shownOffset = m_query.offset;
  m_query.offset = offset;
  m_list.DeleteAllItems();
  bool read = false;
  {
    const OpenedSource open(*m_source, m_nLockWaitMs);
    read = open && ReadPage();
  }
  if (!read) {
    // The same arrow asks for the same page again.
    m_query.offset = shownOffset;
    ShowStatus(m_source->QueryFailedText());
    return 0;
  }
  wchar_t status[64];
  std::swprintf(status, std::size(status), L"总计：%d条记录 当前记录：%d～%d", m_nTotal, m_query.offset + 1,
                m_query.offset + m_query.rowCount);
  ShowStatus(status);
  return 0;
}

LRESULT CPelloryDlg::OnColumnClick(NMHDR* header) {
  SortByColumn(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
  return 0;
}

void CPelloryDlg::SortByColumn(int column) {
  if (column < 0 || column >= (m_source->HasStations() ? kMostListColumns : kListColumns)) return;
  m_nSortColumn = column;
  m_bSortAscending[column] = !m_bSortAscending[column];
  SortTexts sort{{}, m_bSortAscending[column]};
  const int count = m_list.GetItemCount();
  sort.texts.reserve(static_cast<std::size_t>(count));
  for (int item = 0; item < count; ++item) {
    m_list.SetItemData(item, item);
    sort.texts.push_back(m_list.GetItemText(item, column));
  }
  m_list.SortItems(CompareSortTexts, reinterpret_cast<LPARAM>(&sort));
}

LRESULT CPelloryDlg::OnListDoubleClick(NMHDR* header) {
  OpenCardDetail(reinterpret_cast<NMITEMACTIVATE*>(header)->iItem);
  return 0;
}

void CPelloryDlg::OpenCardDetail(int item) {
  if (item < 0) return;
  const CardRow row = ReadListRow(m_list.m_hWnd, item);
  // The read is shown whatever the blacklist answers: a lookup that fails
  // says so in the alarm's place, and the dialog asks again while it is open.
  BlacklistRecheck recheck = m_blacklistRecheck;
  recheck.lookUp = [this](const wchar_t* cardid, int waitMs) { return m_source->LookUpBlacklist(cardid, waitMs); };
  // Rows with stations come from the server. A lookup that failed there is
  // not tried every few seconds, as each try may wait out the login time-out
  // with the dialog frozen; opening the dialog again asks again.
  if (m_source->HasStations()) recheck.attempts = 0;
  const BlacklistAnswer blacklist = recheck.lookUp(row.idNumber, recheck.waitMs);
  CIDCardDlg detail(row, blacklist, m_hWnd, recheck);
  detail.m_photoPath = m_source->PhotoPath(row);
  detail.DoModal();
}

LRESULT CPelloryDlg::OnMonthPicked(NMHDR* header) {
  const LPARAM data = m_tree.GetItemData(reinterpret_cast<NMTREEVIEWW*>(header)->itemNew.hItem);
  if (data == 0) return 0;
  const MonthRange range = WholeMonth(static_cast<int>(data / kYearStep), static_cast<int>(data % 16));
  DateTime_SetSystemtime(GetDlgItem(IDC_TIME_FROM), GDT_VALID, &range.first);
  DateTime_SetSystemtime(GetDlgItem(IDC_TIME_TO), GDT_VALID, &range.last);
  SetDlgItemTextW(m_hWnd, IDC_NAME, L"");
  SetDlgItemTextW(m_hWnd, IDC_NUMBER, L"");
  CheckDlgButton(m_hWnd, IDC_MALE, BST_UNCHECKED);
  CheckDlgButton(m_hWnd, IDC_FEMALE, BST_UNCHECKED);
  RunQuery();
  return 0;
}

LRESULT CPelloryDlg::OnSize(WPARAM type, LPARAM size) {
  // A minimised window has no client area to lay out.
  if (type != SIZE_MINIMIZED) m_layout.Resize(LOWORD(size), HIWORD(size));
  return 0;
}

LRESULT CPelloryDlg::OnPaint(WPARAM, LPARAM) {
  if (!IsIconic(m_hWnd)) return 0;
  CPaintDC dc(m_hWnd);
  RECT client{};
  GetClientRect(m_hWnd, &client);
  const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, m_hIcon);
  return 0;
}

LRESULT CPelloryDlg::OnQueryDragIcon(WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(m_hIcon.Get()); }

LRESULT CPelloryDlg::OnDestroy(WPARAM, LPARAM) {
  m_tree.SetImageList(nullptr);
  m_hTreeImages.Destroy();
  return 0;
}
