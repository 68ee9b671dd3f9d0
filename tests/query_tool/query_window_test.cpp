// The query window against real card2 files: the month tree, the query
// with its filters, paging through the spin control, sorting, resizing.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/tree_ctrl.h"
#include "query_tool/month_range.h"
#include "query_tool/resource_ids.h"
#include "query_window_fixture.h"

namespace {

bool SameSecond(const SYSTEMTIME& a, const SYSTEMTIME& b) {
  return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay && a.wHour == b.wHour &&
         a.wMinute == b.wMinute && a.wSecond == b.wSecond;
}

RECT ControlRect(HWND window, int id) {
  RECT rect{};
  GetWindowRect(GetDlgItem(window, id), &rect);
  MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

class QueryWindowTest : public testing::Test {
 protected:
  // Stores count reads in January of year, one a second.
  void StoreReads(int count, int year = 2024) {
    for (int n = 0; n < count; ++n) {
      ASSERT_TRUE(database_.Store(NumberedCard(n, n % 2 == 0 ? L"男" : L"女"), At(year, 1, 1, 0, n / 60, n % 60)));
    }
  }
  ModalOutcome Run(const DialogSteps& steps) { return RunModal(window_, steps); }

  QueryDatabase database_;
  CPelloryDlg window_;
};

TEST_F(QueryWindowTest, EmptyDatabaseGivesNoTreeAndNoHits) {
  Run([&](HWND window) {
    EXPECT_EQ(window_.m_tree.GetCount(), 0);
    EXPECT_EQ(window_.m_hTreeImages.GetImageCount(), 2);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(window, WM_QUERYDRAGICON, 0, 0)), window_.m_hIcon.Get());
    EXPECT_EQ(StatusText(window), L"总计：0");
    QueryYear(window, 2024);
    EXPECT_EQ(StatusText(window), L"总计：0条记录");
    EXPECT_EQ(ListRows(window), 0);
  });
}

TEST_F(QueryWindowTest, MissingDatabaseOpensEmptyAndSaysItCannotBeRead) {
  StoreReads(3);
  ASSERT_TRUE(DeleteFileW(database_.DatabasePath().c_str()));
  Run([&](HWND window) {
    EXPECT_EQ(window_.m_tree.GetCount(), 0);
    EXPECT_EQ(StatusText(window), kMonthTreeFailedText);
    QueryYear(window, 2024);
    EXPECT_EQ(StatusText(window), kQueryFailedText);
    EXPECT_EQ(ListRows(window), 0);
  });
  // The query tool never creates the database.
  EXPECT_EQ(GetFileAttributesW(database_.DatabasePath().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(QueryWindowTest, ASearchOrPageThatCannotReadTheDatabaseSaysSo) {
  StoreReads(51);
  window_.m_nLockWaitMs = 20;
  Run([&](HWND window) {
    QueryYear(window, 2024);
    ASSERT_EQ(StatusText(window), L"总计：51条记录 当前记录：1～50");
    {
      // Another program holds the file past the wait: neither no hits nor
      // the last total over an empty list.
      ExclusiveLock lock(database_.DatabasePath());
      ASSERT_TRUE(lock.Held());
      QueryYear(window, 2024);
      EXPECT_EQ(StatusText(window), kQueryFailedText);
      EXPECT_EQ(ListRows(window), 0);
      EXPECT_EQ(window_.m_nTotal, 0) << "paging and the export have nothing to act on";
    }
    QueryYear(window, 2024);
    ASSERT_EQ(StatusText(window), L"总计：51条记录 当前记录：1～50");
    {
      ExclusiveLock lock(database_.DatabasePath());
      ClickSpinArrow(window, true);
      EXPECT_EQ(StatusText(window), kQueryFailedText);
      EXPECT_EQ(ListRows(window), 0);
    }
    // The same arrow asks for the page that could not be read.
    ClickSpinArrow(window, true);
    EXPECT_EQ(StatusText(window), L"总计：51条记录 当前记录：51～51");
    EXPECT_EQ(ListText(window, 0, 0), L"Reader 0050");

    database_.CutTo(8 * 1024);
    QueryYear(window, 2024);
    EXPECT_EQ(StatusText(window), kQueryFailedText);
    EXPECT_EQ(ListRows(window), 0);
  });
}

TEST_F(QueryWindowTest, AMonthTreeThatCannotBeReadSaysSo) {
  StoreReads(3);
  window_.m_nLockWaitMs = 20;
  {
    ExclusiveLock lock(database_.DatabasePath());
    ASSERT_TRUE(lock.Held());
    Run([&](HWND window) {
      EXPECT_EQ(window_.m_tree.GetCount(), 0);
      EXPECT_EQ(StatusText(window), kMonthTreeFailedText);
    });
  }
  database_.CutTo(8 * 1024);
  CPelloryDlg damaged;
  RunModal(damaged, [&](HWND window) {
    EXPECT_EQ(damaged.m_tree.GetCount(), 0);
    EXPECT_EQ(StatusText(window), kMonthTreeFailedText);
  });
}

TEST_F(QueryWindowTest, PagesThroughFiftyOneHitsWithTheSpinArrows) {
  StoreReads(51);
  Run([&](HWND window) {
    QueryYear(window, 2024);
    EXPECT_EQ(StatusText(window), L"总计：51条记录 当前记录：1～50");
    EXPECT_EQ(ListRows(window), 50);
    ClickSpinArrow(window, false);  // previous at offset 0
    EXPECT_EQ(window_.m_query.offset, 0);
    EXPECT_EQ(ListRows(window), 50);
    ClickSpinArrow(window, true);
    EXPECT_EQ(StatusText(window), L"总计：51条记录 当前记录：51～51");
    EXPECT_EQ(ListRows(window), 1);
    EXPECT_EQ(ListText(window, 0, 0), L"Reader 0050");
    ClickSpinArrow(window, true);  // next on the last page
    EXPECT_EQ(window_.m_query.offset, 50);
    EXPECT_EQ(ListRows(window), 1);
    ClickSpinArrow(window, false);
    EXPECT_EQ(window_.m_query.offset, 0);
    EXPECT_EQ(StatusText(window), L"总计：51条记录 当前记录：1～50");
  });
}

TEST_F(QueryWindowTest, FiftyHitsHaveNoSecondPage) {
  StoreReads(50);
  Run([&](HWND window) {
    QueryYear(window, 2024);
    ClickSpinArrow(window, true);
    EXPECT_EQ(window_.m_query.offset, 0);
    EXPECT_EQ(StatusText(window), L"总计：50条记录 当前记录：1～50");
  });
}

TEST_F(QueryWindowTest, SexBoxesAndWildcardsFilterTheHits) {
  StoreReads(4);  // 0 and 2 male, 1 and 3 female
  Run([&](HWND window) {
    auto hits = [&](bool male, bool female) {
      CheckDlgButton(window, IDC_MALE, male ? BST_CHECKED : BST_UNCHECKED);
      CheckDlgButton(window, IDC_FEMALE, female ? BST_CHECKED : BST_UNCHECKED);
      QueryYear(window, 2024);
      return ListRows(window);
    };
    EXPECT_EQ(IsDlgButtonChecked(window, IDC_MALE), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(window, IDC_FEMALE), BST_CHECKED);
    EXPECT_EQ(hits(true, false), 2);
    EXPECT_EQ(ListText(window, 0, 1), L"男");
    EXPECT_EQ(hits(false, true), 2);
    EXPECT_EQ(ListText(window, 0, 1), L"女");
    EXPECT_EQ(hits(true, true), 4);
    EXPECT_EQ(hits(false, false), 4);

    SetControlText(window, IDC_NAME, L"R_ader 000%3");
    SetControlText(window, IDC_NUMBER, L"1101011990");
    EXPECT_EQ(hits(true, true), 1);
    EXPECT_STREQ(window_.m_query.namePattern, L"R_ader 000%3%");
    EXPECT_STREQ(window_.m_query.numberPattern, L"1101011990%");
    SetControlText(window, IDC_NUMBER, L"2201");
    EXPECT_EQ(hits(true, true), 0);
  });
}

TEST_F(QueryWindowTest, OnlyReadsInsideThePickerRangeAreFound) {
  Run([&](HWND window) {
    // Both pickers start at the moment the window opened.
    const SYSTEMTIME opened = PickerTime(window, IDC_TIME_FROM);
    EXPECT_TRUE(SameSecond(opened, PickerTime(window, IDC_TIME_TO)));
    SYSTEMTIME before = opened, after = opened;
    FILETIME ticks{};
    SystemTimeToFileTime(&opened, &ticks);
    ULARGE_INTEGER value{{ticks.dwLowDateTime, ticks.dwHighDateTime}};
    for (auto [time, offset] : {std::pair{&before, -1}, std::pair{&after, 1}}) {
      ULARGE_INTEGER moved{};
      moved.QuadPart = value.QuadPart + static_cast<ULONGLONG>(offset * 10'000'000LL);
      const FILETIME shifted{moved.LowPart, moved.HighPart};
      FileTimeToSystemTime(&shifted, time);
    }
    EXPECT_TRUE(database_.Store(NumberedCard(1), before));
    EXPECT_TRUE(database_.Store(NumberedCard(2), opened));
    EXPECT_TRUE(database_.Store(NumberedCard(3), after));
    ClickButton(window, IDOK);
    EXPECT_EQ(ListRows(window), 1);
    EXPECT_EQ(ListText(window, 0, 0), L"Reader 0002");
  });
}

TEST_F(QueryWindowTest, MonthTreeSpansTheYearsOfTheReadsAndPicksWholeMonths) {
  ASSERT_TRUE(database_.Store(NumberedCard(1), At(2000, 2, 29, 23, 59, 59)));
  ASSERT_TRUE(database_.Store(NumberedCard(2), At(2000, 3, 1)));
  ASSERT_TRUE(database_.Store(NumberedCard(3), At(2003, 7, 4)));
  Run([&](HWND window) {
    EXPECT_EQ(window_.m_tree.GetCount(), 4 * 13);
    EXPECT_EQ(window_.m_tree.GetItemText(window_.m_tree.GetRootItem()), L"2000年");
    SetControlText(window, IDC_NAME, L"nobody");

    ASSERT_TRUE(PickMonth(window, 2000, 2));
    EXPECT_TRUE(SameSecond(PickerTime(window, IDC_TIME_FROM), At(2000, 2, 1)));
    EXPECT_TRUE(SameSecond(PickerTime(window, IDC_TIME_TO), At(2000, 2, 29, 23, 59, 59)));
    EXPECT_EQ(ControlText(window, IDC_NAME), L"");
    EXPECT_EQ(IsDlgButtonChecked(window, IDC_MALE), BST_UNCHECKED);
    EXPECT_EQ(StatusText(window), L"总计：1条记录 当前记录：1～1");

    // A year item leaves everything as it was.
    CTreeCtrl& tree = window_.m_tree;
    ASSERT_TRUE(tree.SelectItem(tree.GetNextSiblingItem(tree.GetRootItem())));
    EXPECT_TRUE(SameSecond(PickerTime(window, IDC_TIME_FROM), At(2000, 2, 1)));
    EXPECT_EQ(ListRows(window), 1);

    TreeView_Expand(tree.m_hWnd, tree.GetRootItem(), TVE_EXPAND);
    SaveScreenshot(window, "query-window-month-tree");
  });
}

TEST(MonthRangeTest, LastDayFollowsTheGregorianLeapYears) {
  EXPECT_EQ(WholeMonth(2000, 2).last.wDay, 29);
  EXPECT_EQ(WholeMonth(1900, 2).last.wDay, 28);
  EXPECT_EQ(WholeMonth(2024, 2).last.wDay, 29);
  EXPECT_EQ(WholeMonth(2023, 2).last.wDay, 28);
  EXPECT_EQ(WholeMonth(2023, 4).last.wDay, 30);
  EXPECT_EQ(WholeMonth(2023, 12).last.wDay, 31);
}

TEST_F(QueryWindowTest, HeaderClickSortsTheWholePageByThatColumn) {
  // Numbers stored in a scrambled order; the number column sorts the same
  // way in every collation, since it holds digits only.
  for (int n = 0; n < 50; ++n) {
    const int scrambled = n * 17 % 50;
    ASSERT_TRUE(database_.Store(NumberedCard(scrambled), At(2024, 1, 1, 0, 0, n)));
  }
  Run([&](HWND window) {
    QueryYear(window, 2024);
    auto clickHeader = [&](int column) {
      NMLISTVIEW click{};
      click.hdr.hwndFrom = GetDlgItem(window, IDC_RESULT_LIST);
      click.hdr.idFrom = IDC_RESULT_LIST;
      click.hdr.code = LVN_COLUMNCLICK;
      click.iItem = -1;
      click.iSubItem = column;
      SendMessageW(window, WM_NOTIFY, IDC_RESULT_LIST, reinterpret_cast<LPARAM>(&click));
    };
    auto numbers = [&] {
      std::vector<std::wstring> column;
      for (int item = 0; item < ListRows(window); ++item) column.push_back(ListText(window, item, 5));
      return column;
    };
    clickHeader(5);
    std::vector<std::wstring> ascending = numbers();
    ASSERT_EQ(ascending.size(), 50u);
    for (int n = 0; n < 50; ++n) EXPECT_EQ(ascending[static_cast<std::size_t>(n)], NumberedCard(n).idNumber);
    // The rows move whole: each name still stands beside its number.
    EXPECT_EQ(ListText(window, 17, 0), L"Reader 0017");
    clickHeader(5);
    std::vector<std::wstring> descending = numbers();
    std::reverse(descending.begin(), descending.end());
    EXPECT_EQ(descending, ascending);
    EXPECT_EQ(window_.m_nSortColumn, 5);
  });
}

TEST_F(QueryWindowTest, ResizingMovesAndStretchesTheAnchoredControls) {
  StoreReads(60);
  Run([&](HWND window) {
    QueryYear(window, 2024);
    const RECT tree = ControlRect(window, IDC_MONTH_TREE), list = ControlRect(window, IDC_RESULT_LIST);
    const RECT status = ControlRect(window, IDC_STATUS), query = ControlRect(window, IDOK);
    const RECT spin = ControlRect(window, IDC_PAGE_SPIN), name = ControlRect(window, IDC_NAME);
    RECT frame{};
    GetWindowRect(window, &frame);
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left + 200, frame.bottom - frame.top + 120,
                 SWP_NOMOVE | SWP_NOZORDER);
    auto moved = [&](int id, const RECT& old, int dl, int dt, int dr, int db) {
      const RECT now = ControlRect(window, id);
      EXPECT_EQ(now.left - old.left, dl) << id;
      EXPECT_EQ(now.top - old.top, dt) << id;
      EXPECT_EQ(now.right - old.right, dr) << id;
      EXPECT_EQ(now.bottom - old.bottom, db) << id;
    };
    moved(IDC_MONTH_TREE, tree, 0, 0, 0, 120);
    moved(IDC_RESULT_LIST, list, 0, 0, 200, 120);
    moved(IDC_STATUS, status, 0, 120, 200, 120);
    moved(IDOK, query, 200, 0, 200, 0);
    moved(IDC_PAGE_SPIN, spin, 200, 0, 200, 0);
    moved(IDC_NAME, name, 0, 0, 0, 0);
    SaveScreenshot(window, "query-window-resized");
  });
}

}  // namespace
