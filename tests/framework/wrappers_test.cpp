// The thin wrappers over controls, image lists and GDI objects, seen from a
// live dialog, and the screenshot helper's refusals.
#include <gtest/gtest.h>

#include <string>

#include "support/modal_driver.h"
#include "support/screenshot.h"
#include "test_dialog.h"

namespace {

TEST(WrappersTest, ListAndTreeGiveBackWhatWasInserted) {
  CTestDlg dialog;
  RunModal(dialog, [&](HWND) {
    CListCtrl& list = dialog.m_list;
    ASSERT_EQ(list.GetItemCount(), 2);
    EXPECT_EQ(list.GetItemText(0, 0), L"韩川");
    EXPECT_EQ(list.GetItemText(0, 1), L"临河市清溪区望山路18号");
    EXPECT_EQ(list.GetItemText(1, 1), std::wstring(100, L'路'));
    EXPECT_TRUE(list.SetItemData(1, 42));
    EXPECT_EQ(list.GetItemData(1), 42);
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(list.GetItemCount(), 0);

    CTreeCtrl& tree = dialog.m_tree;
    EXPECT_EQ(tree.GetCount(), 13);
    HTREEITEM year = tree.GetRootItem();
    EXPECT_EQ(tree.GetItemText(year), L"2024年");
    EXPECT_EQ(tree.GetItemData(year), 0);
    HTREEITEM january = tree.GetChildItem(year);
    EXPECT_EQ(tree.GetItemText(january), L"1月");
    EXPECT_EQ(tree.GetItemData(january), 2024 * 256 + 1);
  });
}

TEST(WrappersTest, ToolbarShowsButtonsOfItsImageList) {
  CTestDlg dialog;
  RunModal(dialog, [&](HWND window) {
    EXPECT_EQ(dialog.m_imageList.GetImageCount(), 2);
    EXPECT_EQ(dialog.m_toolBar.GetButtonCount(), 2);
    EXPECT_EQ(GetDlgItem(window, IDC_TOOLBAR), dialog.m_toolBar.m_hWnd);
    TBBUTTON second{};
    SendMessageW(dialog.m_toolBar.m_hWnd, TB_GETBUTTON, 1, reinterpret_cast<LPARAM>(&second));
    EXPECT_EQ(second.idCommand, ID_TOOL_SECOND);
    EXPECT_EQ(second.iBitmap, 1);
  });
  // Freed in WM_DESTROY, while the dialog went away.
  EXPECT_EQ(dialog.m_imageList.Get(), nullptr);
}

TEST(WrappersTest, RegionBelongsToWindowOnceApplied) {
  CTestDlg dialog(true);
  RunModal(dialog, [&](HWND window) {
    EXPECT_FALSE(dialog.m_rgnWindow);
    CRgn shape;
    ASSERT_TRUE(shape.CreateRoundRectRgn(0, 0, 1, 1, 0, 0));
    EXPECT_NE(GetWindowRgn(window, shape), ERROR);
    RECT box{};
    GetRgnBox(shape, &box);
    RECT frame{};
    GetWindowRect(window, &frame);
    // The region's right and bottom edges are exclusive.
    EXPECT_GE(box.right - box.left, frame.right - frame.left - 1);
    EXPECT_GE(box.bottom - box.top, frame.bottom - frame.top - 1);
    // Rounded: the top-left corner is cut away, the middle is not.
    EXPECT_FALSE(PtInRegion(shape, 1, 1));
    EXPECT_TRUE(PtInRegion(shape, box.right / 2, box.bottom / 2));
    SaveWindowScreenshot(window, "framework_dialog_rounded");
  });
}

TEST(WrappersTest, GdiObjectOwnsExactlyOneHandle) {
  CBrush first;
  ASSERT_TRUE(first.CreateSolidBrush(RGB(1, 2, 3)));
  HBRUSH handle = first;
  first.Attach(handle);  // the same handle again must not delete it
  EXPECT_EQ(GetObjectType(handle), static_cast<DWORD>(OBJ_BRUSH));

  CBrush second(std::move(first));
  EXPECT_FALSE(first);
  EXPECT_EQ(second.Get(), handle);
  second.Reset();
  EXPECT_EQ(GetObjectType(handle), 0u);

  CBitmap missing;
  EXPECT_FALSE(missing.LoadFromFile(L"C:\\no such folder\\bg.bmp", 100, 100));
  EXPECT_FALSE(missing);
}

TEST(ScreenshotTest, RefusesBadNamesAndOverlongPaths) {
  CTestDlg dialog;
  RunModal(dialog, [](HWND window) {
    EXPECT_EQ(SaveWindowScreenshot(window, ""), kScreenshotBadArgument);
    EXPECT_EQ(SaveWindowScreenshot(window, "..\\outside"), kScreenshotBadArgument);
    EXPECT_EQ(SaveWindowScreenshot(window, std::string(300, 'x').c_str()), kScreenshotPathTooLong);
    EXPECT_EQ(SaveWindowScreenshot(nullptr, "nothing"), kScreenshotBadArgument);
  });
}

}  // namespace
