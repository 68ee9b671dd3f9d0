// The card detail dialog opened from the query window: the archived photo,
// the blacklist alarm, the window's shape, the cases that show nothing, and
// its print button (the print job is the window tests' stand-in, which
// records what would be printed).
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "common/card_compose.h"
#include "common/card_database.h"
#include "framework/gdi_objects.h"
#include "query_tool/card_print.h"
#include "query_tool/id_card_dlg.h"
#include "query_tool/list_row.h"
#include "query_tool/resource_ids.h"
#include "query_window_fixture.h"
#include "reader_app/fake_print_job.h"
#include "reader_app/window_fixture.h"

namespace {

const SYSTEMTIME kReadTime = At(2024, 3, 5, 8, 9, 10);

// The reader program's sample card as it is stored: with its validity dates.
CardInfo StoredCard() {
  CardInfo card = SampleCard();
  wcscpy_s(card.validFrom, L"20100507");
  wcscpy_s(card.validTo, L"20300507");
  return card;
}

CIDCardDlg* DetailOf(HWND window) {
  return dynamic_cast<CIDCardDlg*>(reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, DWLP_USER)));
}

// Double-clicks the result list at a point of its client area, as the mouse
// would; a detail dialog it opens runs the steps.
ModalOutcome DoubleClickList(HWND window, POINT at, const DialogSteps& steps) {
  HWND list = GetDlgItem(window, IDC_RESULT_LIST);
  return DriveModal(
      [&] {
        SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        SendMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
        SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        SendMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
        return INT_PTR{0};
      },
      steps, std::chrono::milliseconds(5000));
}

// Clicks the detail dialog's toolbar button at index as the mouse would.
void ClickToolbarButton(HWND detail, int index) {
  HWND toolbar = GetDlgItem(detail, 104);
  RECT button{};
  SendMessageW(toolbar, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&button));
  const LPARAM at = MAKELPARAM((button.left + button.right) / 2, (button.top + button.bottom) / 2);
  SendMessageW(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(toolbar, WM_LBUTTONUP, 0, at);
}

POINT FirstRow(HWND window) {
  RECT item{};
  ListView_GetItemRect(GetDlgItem(window, IDC_RESULT_LIST), 0, &item, LVIR_LABEL);
  return {(item.left + item.right) / 2, (item.top + item.bottom) / 2};
}

class CardDetailTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(database_.Store(StoredCard(), kReadTime));
    CreateDirectoryW((database_.Folder() + L"202403").c_str(), nullptr);
    WriteSamplePhoto(database_.Folder() + L"202403\\05_" + SampleCard().idNumber + L".bmp");
  }
  // Opens the query window on the read and double-clicks it.
  ModalOutcome OpenDetail(const DialogSteps& steps, const std::function<void()>& beforeClick = {}) {
    ModalOutcome detail;
    RunModal(window_, [&](HWND window) {
      QueryYear(window, 2024);
      if (beforeClick) beforeClick();
      detail = DoubleClickList(window, FirstRow(window), steps);
    });
    return detail;
  }

  QueryDatabase database_;
  CPelloryDlg window_;
};

TEST_F(CardDetailTest, ShowsTheReadWithItsArchivedPhotoAndAlarm) {
  ASSERT_TRUE(database_.Execute("insert into blacklist values ('99052119920314002X', 'test');"));
  const ModalOutcome outcome = OpenDetail([&](HWND detail) {
    CIDCardDlg* dialog = DetailOf(detail);
    ASSERT_NE(dialog, nullptr);
    RECT frame{};
    GetWindowRect(detail, &frame);
    EXPECT_EQ(frame.right - frame.left, 684);
    EXPECT_EQ(frame.bottom - frame.top, 504);
    wchar_t title[16];
    GetWindowTextW(detail, title, 16);
    EXPECT_STREQ(title, L"身份证信息");
    EXPECT_TRUE(dialog->m_bBlacklisted);
    BITMAP photo{};
    ASSERT_NE(GetObjectW(dialog->m_hPhoto, sizeof(photo), &photo), 0);
    EXPECT_EQ(photo.bmWidth, 102);
    EXPECT_NE(dialog->m_hBackground.Get(), nullptr);
    EXPECT_EQ(dialog->m_toolBar.GetButtonCount(), 2);
    CRgn region;
    region.CreateRoundRectRgn(0, 0, 1, 1, 1, 1);
    EXPECT_EQ(GetWindowRgn(detail, region), COMPLEXREGION);
    EXPECT_FALSE(PtInRegion(region, 1, 1));  // the corner is cut
    EXPECT_STREQ(dialog->m_row.name, L"韩晓川");
    EXPECT_STREQ(dialog->m_row.birth, L"19920314");
    EXPECT_STREQ(dialog->m_row.readTimeText, L"2024-03-05 08:09:10");
    SaveScreenshot(detail, "card-detail-alarm");
    SendMessageW(detail, WM_COMMAND, MAKEWPARAM(ID_CARD_CLOSE, 0), 0);
  });
  EXPECT_TRUE(outcome.stepsRan);
  EXPECT_FALSE(outcome.closedByDriver);
}

TEST_F(CardDetailTest, PurgedPhotoIsNotShownAndNoAlarmWithoutListing) {
  const ModalOutcome outcome = OpenDetail(
      [&](HWND detail) {
        CIDCardDlg* dialog = DetailOf(detail);
        ASSERT_NE(dialog, nullptr);
        EXPECT_FALSE(dialog->m_bBlacklisted);
        EXPECT_EQ(dialog->m_hPhoto.Get(), nullptr);
        SaveScreenshot(detail, "card-detail-no-photo");
      },
      [&] { EXPECT_EQ(PurgeReadsBefore(0x07E90101), 0); });
  EXPECT_TRUE(outcome.stepsRan);
}

TEST_F(CardDetailTest, NothingOpensBesideTheRowsOrWithoutTheDatabase) {
  RunModal(window_, [&](HWND window) {
    QueryYear(window, 2024);
    RECT client{};
    GetClientRect(GetDlgItem(window, IDC_RESULT_LIST), &client);
    EXPECT_FALSE(DoubleClickList(window, {client.right / 2, client.bottom - 10}, [](HWND) {}).stepsRan);
    ASSERT_TRUE(DeleteFileW(database_.DatabasePath().c_str()));
    EXPECT_FALSE(DoubleClickList(window, FirstRow(window), [](HWND) {}).stepsRan);
  });
}

TEST_F(CardDetailTest, PrintsTheListedReadWithSpreadNameAndBareMonthAndDay) {
  CardInfo card = StoredCard();
  wcscpy_s(card.name, L"韩川");
  wcscpy_s(card.birth, L"19800805");
  ASSERT_TRUE(database_.Store(card, At(2024, 3, 6)));
  RunModal(window_, [&](HWND window) {
    QueryYear(window, 2024);
    ASSERT_EQ(ListRows(window), 2);
    const CardRow row = ReadListRow(GetDlgItem(window, IDC_RESULT_LIST), 1);
    const CardFaceText text = RowFaceText(row);
    EXPECT_STREQ(text.slot[kFaceName], L"韩  川");
    EXPECT_STREQ(text.slot[kFaceBirthYear], L"1980");
    EXPECT_STREQ(text.slot[kFaceBirthMonth], L"8");
    EXPECT_STREQ(text.slot[kFaceBirthDay], L"5");
    EXPECT_STREQ(text.slot[kFaceValidity], L"2010.05.07-2030.05.07");
    EXPECT_STREQ(text.slot[kFaceIdNumber], L"99052119920314002X");
    // The read is shown without the spread.
    EXPECT_EQ(ListText(window, 1, 0), L"韩川");

    // The composed page takes these texts: the card side is drawn.
    HDC screen = GetDC(nullptr);
    HDC page = CreateCompatibleDC(screen);
    HBITMAP surface = CreateCompatibleBitmap(screen, 1100, 700);
    HGDIOBJ previous = SelectObject(page, surface);
    EXPECT_EQ(ComposeCardSides(page, {{300, 300}, kPrintFront, {0, 0}, {0, 0}}, text, RowPhotoPath(row).c_str()), 1);
    SelectObject(page, previous);
    DeleteObject(surface);
    DeleteDC(page);
    ReleaseDC(nullptr, screen);
  });
}

TEST_F(CardDetailTest, ThePrintButtonPrintsTheReadOnShowWithItsArchivedPhoto) {
  ASSERT_TRUE(database_.Execute("update cardinfo set cardname = '韩川', birth = '19800805';"));
  const std::wstring photo = database_.Folder() + L"202403\\05_" + SampleCard().idNumber + L".bmp";
  ResetFakePrint();
  const ModalOutcome outcome = OpenDetail([&](HWND detail) {
    ClickToolbarButton(detail, 0);
    const FakePrintJob& job = FakePrint();
    EXPECT_EQ(job.calls, 1);
    EXPECT_EQ(job.owner, detail);
    EXPECT_EQ(job.count, kFaceSlotCount);
    EXPECT_STREQ(job.text.slot[kFaceName], L"韩  川");
    EXPECT_STREQ(job.text.slot[kFaceBirthYear], L"1980");
    EXPECT_STREQ(job.text.slot[kFaceBirthMonth], L"8");
    EXPECT_STREQ(job.text.slot[kFaceBirthDay], L"5");
    EXPECT_STREQ(job.text.slot[kFaceValidity], L"2010.05.07-2030.05.07");
    EXPECT_STREQ(job.text.slot[kFaceIdNumber], SampleCard().idNumber);
    EXPECT_FALSE(job.photo.empty());
    EXPECT_EQ(job.photo, ReadWholeFile(photo));
    SendMessageW(detail, WM_COMMAND, MAKEWPARAM(ID_CARD_CLOSE, 0), 0);
  });
  EXPECT_TRUE(outcome.stepsRan);
  EXPECT_FALSE(outcome.closedByDriver) << "printing closed the dialog or the close button did nothing";
}

TEST(RowPhotoPathTest, OnlyNumbersTheArchiveWouldStoreNameAFile) {
  QueryDatabase database;
  CardRow row{};
  wcscpy_s(row.readTimeText, L"2024-03-05 08:09:10");
  wcscpy_s(row.idNumber, L"99052119920314002X");
  EXPECT_EQ(RowPhotoPath(row), database.Folder() + L"202403\\05_99052119920314002X.bmp");
  for (const wchar_t* number : {L"..\\..\\secret", L"C:\\x", L"", L"1234567890123456789", L"99052119920314002x"}) {
    wcscpy_s(row.idNumber, number);
    EXPECT_EQ(RowPhotoPath(row), L"") << number;
  }
  wcscpy_s(row.idNumber, L"99052119920314002X");
  wcscpy_s(row.readTimeText, L"..\\-03-05");
  EXPECT_EQ(RowPhotoPath(row), L"");
}

}  // namespace
