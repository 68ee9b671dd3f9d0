// The query window on a card2 of the old form (tests/support/make-old-card2),
// which the query tool reads as it finds it and never converts.
#include <windows.h>

#include <gtest/gtest.h>

#include "query_tool/resource_ids.h"
#include "query_window_fixture.h"
#include "support/old_form_database.h"

namespace {

TEST(OldFormQueryTest, MonthPickAndNameSearchFindTheReadsOfAnOldFile) {
  QueryDatabase database;
  ASSERT_TRUE(PlaceOldFormDatabase(database.Folder()));
  CPelloryDlg window;
  const ModalOutcome outcome = RunModal(window, [&](HWND dialog) {
    EXPECT_EQ(window.m_tree.GetCount(), 13);  // 2024 and its months
    ASSERT_TRUE(PickMonth(dialog, 2024, 3));
    EXPECT_EQ(StatusText(dialog), L"总计：3条记录 当前记录：1～3");
    EXPECT_EQ(ListText(dialog, 0, 0), L"韩川");
    EXPECT_EQ(ListText(dialog, 2, 0), L"韩晓梅");
    EXPECT_EQ(ListText(dialog, 2, 8), L"2024-03-31 23:59:59");

    SetControlText(dialog, IDC_NAME, L"韩");
    QueryYear(dialog, 2024);
    EXPECT_EQ(StatusText(dialog), L"总计：3条记录 当前记录：1～3");
    SetControlText(dialog, IDC_NAME, L"韩晓");
    QueryYear(dialog, 2024);
    EXPECT_EQ(StatusText(dialog), L"总计：1条记录 当前记录：1～1");
    EXPECT_EQ(ListText(dialog, 0, 9), L"");
    SaveScreenshot(dialog, "query-window-old-form");
  });
  EXPECT_TRUE(outcome.stepsRan);
  EXPECT_EQ(DatabaseEncoding(database.DatabasePath()), "UTF-16le");
}

}  // namespace
