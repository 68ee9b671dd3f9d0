// The card detail dialog opened from the query window: the archived photo,
// the blacklist alarm, the window's shape, the cases that show nothing, and
// its print button (the print job is the window tests' stand-in, which
// records what would be printed).
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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
#include "support/message_pump.h"
#include "support/temp_folder.h"

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

// Where the detail dialog shows a failed check, and the alarm icon's place.
constexpr RECT kNoticeBand{30, 465, 370, 489};
constexpr RECT kAlarmIconBox{507, 119, 539, 135};  // the part above the photo

// Pixels of the alarm's red inside box of the window's client area, as the
// window shows it once it has painted.
int AlarmRedPixels(HWND window, const RECT& box) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  const int width = box.right - box.left;
  const int height = box.bottom - box.top;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC screen = GetDC(window);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP surface = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memory, surface);
  BitBlt(memory, 0, 0, width, height, screen, box.left, box.top, SRCCOPY);
  GdiFlush();
  int red = 0;
  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  for (int i = 0; pixels != nullptr && i < width * height; ++i) {
    const std::uint32_t pixel = pixels[i];
    const int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
    if (r > 180 && g < 90 && b < 90) ++red;
  }
  SelectObject(memory, previous);
  DeleteObject(surface);
  DeleteDC(memory);
  ReleaseDC(window, screen);
  return red;
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
    EXPECT_EQ(dialog->m_blacklist, BlacklistAnswer::kListed);
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
        EXPECT_EQ(dialog->m_blacklist, BlacklistAnswer::kNotListed);
        EXPECT_EQ(dialog->m_hPhoto.Get(), nullptr);
        SaveScreenshot(detail, "card-detail-no-photo");
      },
      [&] { EXPECT_EQ(PurgeReadsBefore(0x07E90101), 0); });
  EXPECT_TRUE(outcome.stepsRan);
}

TEST_F(CardDetailTest, NothingOpensBesideTheRows) {
  RunModal(window_, [&](HWND window) {
    QueryYear(window, 2024);
    RECT client{};
    GetClientRect(GetDlgItem(window, IDC_RESULT_LIST), &client);
    EXPECT_FALSE(DoubleClickList(window, {client.right / 2, client.bottom - 10}, [](HWND) {}).stepsRan);
  });
}

TEST_F(CardDetailTest, ALockedBlacklistShowsTheFailedCheckUntilTheAnswerComes) {
  ASSERT_TRUE(database_.Execute("insert into blacklist values ('99052119920314002X', 'test');"));
  window_.m_blacklistRecheck = {20, 50, 200};
  std::optional<ExclusiveLock> lock;
  const ModalOutcome outcome = OpenDetail(
      [&](HWND detail) {
        CIDCardDlg* dialog = DetailOf(detail);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->m_blacklist, BlacklistAnswer::kUnknown) << "a failed check is no listing";
        EXPECT_GT(AlarmRedPixels(detail, kNoticeBand), 0) << "the failed check is shown";
        EXPECT_EQ(AlarmRedPixels(detail, kAlarmIconBox), 0);
        SaveScreenshot(detail, "card-detail-check-failed");
        lock.reset();
        EXPECT_TRUE(PumpUntil([&] { return dialog->m_blacklist != BlacklistAnswer::kUnknown; }, 5000));
        EXPECT_EQ(dialog->m_blacklist, BlacklistAnswer::kListed);
        EXPECT_EQ(AlarmRedPixels(detail, kNoticeBand), 0);
        EXPECT_GT(AlarmRedPixels(detail, kAlarmIconBox), 0) << "the alarm is raised when the answer comes";
      },
      [&] {
        lock.emplace(database_.DatabasePath());
        ASSERT_TRUE(lock->Held());
      });
  EXPECT_TRUE(outcome.stepsRan);
}

TEST_F(CardDetailTest, ARemovedDatabaseShowsTheReadWithTheFailedCheck) {
  ASSERT_TRUE(database_.Execute("insert into blacklist values ('99052119920314002X', 'test');"));
  window_.m_blacklistRecheck = {20, 20, 3};
  const ModalOutcome outcome = OpenDetail(
      [&](HWND detail) {
        CIDCardDlg* dialog = DetailOf(detail);
        ASSERT_NE(dialog, nullptr);
        EXPECT_STREQ(dialog->m_row.idNumber, L"99052119920314002X");
        EXPECT_EQ(dialog->m_blacklist, BlacklistAnswer::kUnknown);
        // After its attempts the dialog stops asking and goes on showing
        // the failed check.
        EXPECT_TRUE(PumpUntil([&] { return dialog->m_nRechecks == 3; }, 5000));
        PumpUntil([] { return false; }, 200);
        EXPECT_EQ(dialog->m_nRechecks, 3);
        EXPECT_EQ(dialog->m_blacklist, BlacklistAnswer::kUnknown);
        EXPECT_GT(AlarmRedPixels(detail, kNoticeBand), 0);
      },
      [&] { ASSERT_TRUE(DeleteFileW(database_.DatabasePath().c_str())); });
  EXPECT_TRUE(outcome.stepsRan);
  EXPECT_FALSE(FileExists(database_.DatabasePath())) << "the lookups never create the file";
}

TEST_F(CardDetailTest, ADamagedDatabaseShowsTheFailedCheckUntilItIsPutBack) {
  ASSERT_TRUE(database_.Execute("insert into blacklist values ('99052119920314002X', 'test');"));
  const std::string intact = ReadWholeFile(database_.DatabasePath());
  window_.m_blacklistRecheck = {20, 50, 200};
  const ModalOutcome outcome = OpenDetail(
      [&](HWND detail) {
        CIDCardDlg* dialog = DetailOf(detail);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->m_blacklist, BlacklistAnswer::kUnknown);
        EXPECT_GT(AlarmRedPixels(detail, kNoticeBand), 0);
        WriteFileBytes(database_.DatabasePath(), std::vector<std::uint8_t>(intact.begin(), intact.end()));
        EXPECT_TRUE(PumpUntil([&] { return dialog->m_blacklist == BlacklistAnswer::kListed; }, 5000));
      },
      [&] { database_.CutTo(8 * 1024); });
  EXPECT_TRUE(outcome.stepsRan);
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
