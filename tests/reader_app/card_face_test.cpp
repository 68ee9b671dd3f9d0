// The card face drawn into a memory bitmap at the smallest and largest
// scale, checked at the pixels its layout fixes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "face_pixels.h"
#include "framework/application.h"
#include "framework/gdi_objects.h"
#include "framework/icon.h"
#include "reader_app/card_face.h"
#include "reader_app/resource_ids.h"
#include "reader_app/size_mode.h"

namespace {

constexpr COLORREF kPaper = RGB(255, 255, 255);
constexpr std::uint32_t kPhotoGreen = 0x00A000;

CardInfo SampleCard() {
  CardInfo card{};
  wcscpy_s(card.name, L"韩晓川");
  wcscpy_s(card.sex, L"男");
  wcscpy_s(card.nation, L"汉");
  wcscpy_s(card.birthText, L"1992年03月14日");
  wcscpy_s(card.address, L"临河市清溪区望山路十八号柳岸花园东区二期七栋三单元一百零八号");
  wcscpy_s(card.idNumber, L"99052119920314002X");
  wcscpy_s(card.authority, L"临河市公安局清溪分局");
  wcscpy_s(card.validityText, L"2010.05.07-2030.05.07");
  // Three words that each fill a line: the third line runs past the box.
  wcscpy_s(card.newAddress, L"北原省白桦市林场新区 松涛东路一百号院三号楼 二单元八层八零二室东侧");
  return card;
}

// A 102 x 126 photo of one colour, as the decoder makes them.
CBitmap MakePhoto(HDC dc) {
  CBitmap photo;
  photo.Attach(CreateCompatibleBitmap(dc, 102, 126));
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ previous = SelectObject(memory, photo);
  CBrush green;
  green.CreateSolidBrush(RGB(0, 0xA0, 0));
  const RECT all{0, 0, 102, 126};
  FillRect(memory, &all, green);
  SelectObject(memory, previous);
  DeleteDC(memory);
  return photo;
}

class CardFaceTest : public testing::TestWithParam<int> {
 protected:
  void Draw(const CardFaceView& view) {
    canvas_.Fill(kPaper);
    DrawCardFace(canvas_.dc(), view);
    GdiFlush();
  }
  CardFaceView View(const wchar_t* status = L"读卡成功！请放下一张卡...") const {
    return {s_, width_, height_, nullptr, nullptr, false, nullptr, &card_, status, false};
  }

  const int mode_ = SizeModeForScale(GetParam());
  const int s_ = GetParam();
  const int width_ = kSizeModes[mode_].width;
  const int height_ = kSizeModes[mode_].height;
  const CardInfo card_ = SampleCard();
  FaceCanvas canvas_{width_, height_};
};

TEST_P(CardFaceTest, LabelsAndValuesStartAtTheirCardUnits) {
  Draw(View());
  const int s = s_;
  // "公民身份证号码" at (10, 100) card units: (20, 200) at scale 2, (40, 400) at 4.
  const RECT label = InkBounds(canvas_, {0, 90 * s, 68 * s, 110 * s}, IsLabelInk);
  EXPECT_GE(label.left, 10 * s);
  EXPECT_LE(label.left, 10 * s + 2);
  EXPECT_GE(label.top, 100 * s);
  EXPECT_LE(label.top, 100 * s + 2 * s);
  // The citizen number at (70, 100): (140, 200) and (280, 400).
  const RECT number = InkBounds(canvas_, {68 * s, 100 * s, 168 * s, 110 * s}, IsValueInk);
  EXPECT_GE(number.left, 70 * s);
  EXPECT_LE(number.left, 70 * s + 2);
  EXPECT_GE(number.top, 100 * s);
  EXPECT_LE(number.top, 100 * s + 2 * s);
  // The name at (28, 45), right of its label.
  const RECT name = InkBounds(canvas_, {20 * s, 45 * s, 100 * s, 55 * s}, IsValueInk);
  EXPECT_GE(name.left, 28 * s);
  EXPECT_LE(name.left, 28 * s + 2);
}

TEST_P(CardFaceTest, LongValuesWrapAndStayInsideTheirBoxes) {
  Draw(View());
  const int s = s_;
  // The address box (28, 75)-(160, 100): several lines, nothing outside.
  const RECT address = InkBounds(canvas_, {20 * s, 70 * s, 168 * s, 100 * s}, IsValueInk);
  EXPECT_GE(address.left, 28 * s);
  EXPECT_LE(address.right, 160 * s);
  EXPECT_GE(address.bottom, 84 * s) << "the address did not wrap onto a second line";
  // The newest address box (45, 130)-(220, 150) holds two and a half lines:
  // the third line is cut at the bottom edge (or left out).
  const RECT newest = InkBounds(canvas_, {40 * s, 128 * s, 228 * s, 170 * s}, IsValueInk);
  EXPECT_GE(newest.left, 45 * s);
  EXPECT_LE(newest.right, 220 * s);
  EXPECT_GT(newest.bottom, 140 * s);
  EXPECT_LE(newest.bottom, 150 * s);
  EXPECT_LT(newest.bottom, height_ - 39) << "the newest address runs into the status line";
}

TEST_P(CardFaceTest, StatusLineAndFrameHangFromTheBottomEdge) {
  Draw(View());
  const int h = height_;
  const RECT status = InkBounds(canvas_, {0, 0, width_, h}, IsStatusInk);
  EXPECT_GE(status.left, 10 * s_);
  EXPECT_LE(status.left, 10 * s_ + 2);
  EXPECT_GE(status.top, h - 39);
  EXPECT_LE(status.top, h - 39 + 2 * s_);
  EXPECT_LT(status.right, width_ - 284) << "the status runs under the toolbar";
  // The etched frame: its outer bottom edge dark on the last row above
  // H - 48, the inner one light just above it.
  // Left of the labels, where no text can cover the frame.
  const int x = 7 * s_;
  EXPECT_EQ(canvas_.Pixel(x, h - 49), 0x808080u);
  EXPECT_EQ(canvas_.Pixel(x, h - 50), 0xC0C0C0u);
  EXPECT_EQ(canvas_.Pixel(x, h - 48), 0xFFFFFFu);
  EXPECT_EQ(canvas_.Pixel(x, 42 * s_), 0xC0C0C0u);
  EXPECT_EQ(canvas_.Pixel(x, 42 * s_ + 1), 0x808080u);
  EXPECT_EQ(canvas_.Pixel(5 * s_, 100 * s_), 0xC0C0C0u);
  EXPECT_EQ(canvas_.Pixel(5 * s_ + 1, 100 * s_), 0x808080u);
  EXPECT_EQ(canvas_.Pixel(223 * s_ - 1, 100 * s_), 0x808080u);
}

TEST_P(CardFaceTest, PhotoScalesWithTheFaceAndTheAlarmSitsAboveIt) {
  CIcon alarm;
  ASSERT_TRUE(alarm.Load(ResourceInstance(), IDI_ALARM));
  const CBitmap photo = MakePhoto(canvas_.dc());
  CardFaceView view = View();
  view.photo = photo;
  view.alarm = true;
  view.alarmIcon = alarm;
  Draw(view);
  const int s = s_;
  const RECT drawn = InkBounds(canvas_, {0, 0, width_, height_}, [](std::uint32_t rgb) { return rgb == kPhotoGreen; });
  EXPECT_EQ(drawn.right, 169 * s + 51 * s);
  EXPECT_EQ(drawn.bottom, 45 * s + 63 * s);
  // The icon covers the photo's top-left corner, 16 pixels above it at
  // every scale.
  const RECT icon = InkBounds(canvas_, {0, 0, width_, height_}, IsAlarmRed);
  EXPECT_NEAR(icon.left, 169 * s, 1);
  EXPECT_NEAR(icon.top, 45 * s - 16, 1);
  EXPECT_NE(canvas_.Pixel(169 * s + 2, 45 * s + 2), kPhotoGreen);

  view.alarm = false;
  Draw(view);
  EXPECT_EQ(InkBounds(canvas_, {0, 0, width_, height_}, IsAlarmRed).right, 0);
  EXPECT_EQ(canvas_.Pixel(169 * s, 45 * s), kPhotoGreen);
}

TEST_P(CardFaceTest, AnEmptyCardDrawsNoValues) {
  const CardInfo empty{};
  CardFaceView view = View(L"");
  view.card = &empty;
  Draw(view);
  EXPECT_EQ(InkBounds(canvas_, {0, 42 * s_, width_, height_}, IsValueInk).right, 0);
  EXPECT_GT(InkBounds(canvas_, {0, 42 * s_, width_, height_}, IsLabelInk).right, 0);
}

// What the polling loop repaints after a status code is the status strip
// alone; a new status must change nothing outside it.
TEST_P(CardFaceTest, AStatusChangeTouchesOnlyTheStatusStrip) {
  Draw(View(L"请放卡..."));
  std::vector<std::uint32_t> before(static_cast<std::size_t>(width_ * height_));
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) before[y * width_ + x] = canvas_.Pixel(x, y);
  // The longest status text the reader can cause.
  Draw(View(L"SAM_V自检失败，不能接收命令"));
  const RECT strip = StatusStripRect(s_, width_, height_);
  int changed = 0;
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      if (canvas_.Pixel(x, y) == before[y * width_ + x]) continue;
      ++changed;
      const POINT at{x, y};
      ASSERT_TRUE(PtInRect(&strip, at)) << "changed outside the strip at " << x << "," << y;
    }
  }
  EXPECT_GT(changed, 0);
  // The strip lies below the frame and left of the toolbar.
  EXPECT_GT(strip.top, height_ - 48);
  EXPECT_EQ(strip.right, width_ - 206);
}

INSTANTIATE_TEST_SUITE_P(Scales, CardFaceTest, testing::Values(2, 3, 4),
                         [](const testing::TestParamInfo<int>& info) { return "Scale" + std::to_string(info.param); });

TEST(SizeMode, FollowsTheMonitorWidth) {
  EXPECT_EQ(SizeModeForMonitorWidth(1600), 0);
  EXPECT_EQ(SizeModeForMonitorWidth(1024), 0);
  EXPECT_EQ(SizeModeForMonitorWidth(1023), 1);
  EXPECT_EQ(SizeModeForMonitorWidth(800), 1);
  EXPECT_EQ(SizeModeForMonitorWidth(799), 2);
}

TEST(SizeMode, CentresInTheWorkAreaButNeverAboveOrLeftOfIt) {
  const POINT centred = PlaceInWorkArea({0, 0, 1600, 1160}, 912, 672);
  EXPECT_EQ(centred.x, (1600 - 912) / 2);
  EXPECT_EQ(centred.y, (1160 - 672) / 2);
  const POINT offset = PlaceInWorkArea({100, 40, 1124, 808}, 684, 504);
  EXPECT_EQ(offset.x, (100 + 1124 - 684) / 2);
  EXPECT_EQ(offset.y, (40 + 808 - 504) / 2);
  const POINT tooSmall = PlaceInWorkArea({0, 30, 640, 480}, 912, 672);
  EXPECT_EQ(tooSmall.x, 0);
  EXPECT_EQ(tooSmall.y, 30);
}

}  // namespace
