// The printed card composed into memory surfaces at printer resolutions,
// also ones whose dots are not square: sizes and places, every text's place,
// font and side against the layout's own figures, the near-white rule and
// clipping, the sides each Mode puts on the page, the digit glyphs, the
// address box, and bitmap files that cannot be drawn. The test program's
// folder stands in for the program folder; each test writes the templates
// and glyphs it needs there.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

#include "common/bitmap_drawing.h"
#include "common/card_compose.h"
#include "common/card_face_text.h"
#include "photo_decoder/bmp_file.h"
#include "settings_files.h"
#include "support/temp_folder.h"

namespace {

struct Rgb {
  std::uint8_t r, g, b;
  bool operator==(const Rgb&) const = default;
};

void PrintTo(const Rgb& c, std::ostream* out) { *out << "(" << +c.r << "," << +c.g << "," << +c.b << ")"; }

constexpr Rgb kPaper{255, 255, 255};
constexpr Rgb kFrontColour{200, 220, 240};
constexpr Rgb kBackColour{240, 200, 180};
constexpr Rgb kPhotoColour{10, 120, 60};
constexpr Rgb kInk{0, 0, 0};

// A picture of one colour, or with its left and right halves in two.
std::vector<std::uint8_t> SolidBmp(int width, int height, Rgb left, Rgb right) {
  RgbImage image = RgbImage::Blank(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgb c = x < width / 2 ? left : right;
      std::uint8_t* p = image.Pixel(x, y);
      p[0] = c.r;
      p[1] = c.g;
      p[2] = c.b;
    }
  }
  return EncodeBmp(image);
}

std::vector<std::uint8_t> SolidBmp(int width, int height, Rgb colour) { return SolidBmp(width, height, colour, colour); }

// Eleven black 4 x 6 glyphs in their 512-byte slots, cut to `length` bytes.
std::vector<std::uint8_t> GlyphFile(std::size_t length = 5632) {
  const std::vector<std::uint8_t> glyph = SolidBmp(4, 6, kInk);
  std::vector<std::uint8_t> file(5632, 0);
  for (std::size_t slot = 0; slot < 11; ++slot) std::copy(glyph.begin(), glyph.end(), file.begin() + slot * 512);
  file.resize(length);
  return file;
}

// A white page of a printer's size in memory, read back pixel by pixel.
class MemoryPage {
 public:
  MemoryPage(int width, int height) : dc_(CreateCompatibleDC(nullptr)), width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<std::uint8_t*>(bits);
    std::fill_n(bits_, RowBytes() * height, 0xFF);
    previous_ = SelectObject(dc_, bitmap_);
  }
  ~MemoryPage() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC Dc() const { return dc_; }
  Rgb At(int x, int y) const {
    GdiFlush();
    return Pixel(x, y);
  }
  // Pixels darker than the templates within [left, right) x [top, bottom).
  int InkIn(int left, int top, int right, int bottom) const {
    return CountIn(left, top, right, bottom, [](Rgb c) { return c.g < 150; });
  }
  // Pixels of another colour than c within [left, right) x [top, bottom).
  int OtherThanIn(Rgb c, int left, int top, int right, int bottom) const {
    return CountIn(left, top, right, bottom, [c](Rgb p) { return p != c; });
  }
  // Pixels that differ from those of other, laid with its corner at (left, 0).
  int DifferencesFrom(const MemoryPage& other, int left) const {
    GdiFlush();
    int count = 0;
    for (int y = 0; y < other.height_; ++y) {
      for (int x = 0; x < other.width_; ++x) count += Pixel(left + x, y) != other.Pixel(x, y) ? 1 : 0;
    }
    return count;
  }

  void Fill(Rgb c) {
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) SetPixel(x, y, c);
    }
  }
  void FillBox(int left, int top, int width, int height, Rgb c) {
    for (int y = top; y < top + height; ++y) {
      for (int x = left; x < left + width; ++x) SetPixel(x, y, c);
    }
  }
  // One line in the card's font, its character cell cellHeight pixels high,
  // drawn with its cell's corner at (x, y).
  void DrawLine(const wchar_t* text, int x, int y, int cellHeight) {
    LOGFONTW font{};
    font.lfHeight = cellHeight;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    wcscpy_s(font.lfFaceName, L"黑体");
    HFONT handle = CreateFontIndirectW(&font);
    HGDIOBJ previous = SelectObject(dc_, handle);
    SetBkMode(dc_, TRANSPARENT);
    TextOutW(dc_, x, y, text, static_cast<int>(wcslen(text)));
    SelectObject(dc_, previous);
    DeleteObject(handle);
    GdiFlush();
  }

 private:
  std::size_t RowBytes() const { return (static_cast<std::size_t>(width_) * 3 + 3) / 4 * 4; }
  Rgb Pixel(int x, int y) const {
    const std::uint8_t* p = bits_ + RowBytes() * y + static_cast<std::size_t>(x) * 3;
    return {p[2], p[1], p[0]};
  }
  void SetPixel(int x, int y, Rgb c) {
    std::uint8_t* p = bits_ + RowBytes() * y + static_cast<std::size_t>(x) * 3;
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
  }
  template <typename Test>
  int CountIn(int left, int top, int right, int bottom, Test test) const {
    GdiFlush();
    int count = 0;
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < right; ++x) count += test(Pixel(x, y)) ? 1 : 0;
    }
    return count;
  }
  HDC dc_;
  int width_;
  int height_;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  std::uint8_t* bits_ = nullptr;
};

// The card's layout as it is defined, in tenths of a millimetre from the
// card's top-left corner; the tests turn it into pixels themselves.
constexpr int Px(int units, int dotsPerInch) { return units * dotsPerInch / 254; }

constexpr int kCardWidth = 856;
constexpr int kCardHeight = 540;
constexpr int kBackPosition = 900;  // the default: 90 mm right of the front

enum class Side { kFront, kBack };

struct TextBox {
  CardFaceSlot slot;
  int x;  // the corner of the first line's character cell
  int y;
  int cellHeight;  // of its font
  Side side;
};

constexpr TextBox kTextBoxes[] = {
    {kFaceName, 170, 80, 32, Side::kFront},        {kFaceSex, 170, 150, 30, Side::kFront},
    {kFaceNation, 340, 150, 30, Side::kFront},     {kFaceBirthYear, 170, 212, 30, Side::kFront},
    {kFaceBirthMonth, 290, 212, 30, Side::kFront}, {kFaceBirthDay, 370, 212, 30, Side::kFront},
    {kFaceAddress, 170, 280, 30, Side::kFront},    {kFaceAuthority, 365, 390, 30, Side::kBack},
    {kFaceValidity, 365, 460, 30, Side::kBack},
};

// The address box: from (170, 280) to (520, 370).
constexpr RECT kAddressBox{170, 280, 520, 370};

// The citizen number's glyph row: the first glyph's corner, a glyph's size
// and the gap between two glyphs.
constexpr int kGlyphRowX = 300;
constexpr int kGlyphRowY = 450;
constexpr int kGlyphWidth = 20;
constexpr int kGlyphHeight = 30;
constexpr int kGlyphGap = 5;

// Printers whose dots are not square, one each way round, so that a length
// turned into pixels along the wrong axis shows.
constexpr DeviceResolution kUnevenResolutions[] = {{600, 300}, {300, 720}};

CardPlacement Placement(int dpi, int mode) { return {{dpi, dpi}, mode, {0, 0}, {kBackPosition, 0}}; }

// Glyph slot k in a colour of its own.
Rgb GlyphColour(int slot) {
  return {static_cast<std::uint8_t>(20 * slot), 90, static_cast<std::uint8_t>(200 - 15 * slot)};
}

std::vector<std::uint8_t> ColouredGlyphFile() {
  std::vector<std::uint8_t> file(5632, 0);
  for (int slot = 0; slot < 11; ++slot) {
    const std::vector<std::uint8_t> glyph = SolidBmp(4, 6, GlyphColour(slot));
    std::copy(glyph.begin(), glyph.end(), file.begin() + slot * 512);
  }
  return file;
}

class CardPrintTest : public testing::Test {
 protected:
  void SetUp() override {
    WriteFileBytes(TestProgramFolder() + L"front.bmp", SolidBmp(8, 5, kFrontColour));
    WriteFileBytes(TestProgramFolder() + L"back.bmp", SolidBmp(8, 5, kBackColour));
    WriteFileBytes(TestProgramFolder() + L"num.dat", GlyphFile());
    WriteFileBytes(photo_, SolidBmp(102, 126, kPhotoColour));
  }
  void TearDown() override {
    for (const wchar_t* name : {L"front.bmp", L"back.bmp", L"num.dat"}) DeleteFileW((TestProgramFolder() + name).c_str());
  }
  int Compose(const MemoryPage& page, const CardPlacement& placement) {
    return ComposeCardSides(page.Dc(), placement, text_, photo_.c_str());
  }

  ScopedTempFolder folder_;
  std::wstring photo_ = folder_ / L"photo.bmp";
  CardFaceText text_{};
};

TEST_F(CardPrintTest, CardAndPhotoTakeTheirSizeAtEachResolution) {
  struct Case {
    int dpi, cardWidth, cardHeight, photoX, photoY, photoWidth, photoHeight;
  };
  for (const Case& c : {Case{600, 2022, 1275, 1263, 188, 614, 755}, Case{300, 1011, 637, 631, 94, 307, 377}}) {
    SCOPED_TRACE(c.dpi);
    MemoryPage page(c.cardWidth + 10, c.cardHeight + 10);
    ASSERT_EQ(Compose(page, Placement(c.dpi, kPrintFront)), 1);
    EXPECT_EQ(page.At(c.cardWidth - 1, c.cardHeight - 1), kFrontColour);
    EXPECT_EQ(page.At(c.cardWidth, c.cardHeight - 1), kPaper);
    EXPECT_EQ(page.At(c.cardWidth - 1, c.cardHeight), kPaper);
    const int right = c.photoX + c.photoWidth - 1;
    const int bottom = c.photoY + c.photoHeight - 1;
    EXPECT_EQ(page.At(c.photoX, c.photoY), kPhotoColour);
    EXPECT_EQ(page.At(right, bottom), kPhotoColour);
    EXPECT_EQ(page.At(c.photoX - 1, c.photoY), kFrontColour);
    EXPECT_EQ(page.At(c.photoX, c.photoY - 1), kFrontColour);
    EXPECT_EQ(page.At(right + 1, bottom), kFrontColour);
    EXPECT_EQ(page.At(right, bottom + 1), kFrontColour);
  }
}

TEST_F(CardPrintTest, NearWhitePortraitPixelsLetTheTemplateShow) {
  WriteFileBytes(photo_, SolidBmp(2, 2, {245, 245, 245}, {244, 250, 250}));
  MemoryPage page(1011, 637);
  Compose(page, Placement(300, kPrintFront));
  EXPECT_EQ(page.At(700, 200), kFrontColour);
  EXPECT_EQ(page.At(850, 200), (Rgb{244, 250, 250}));
}

TEST_F(CardPrintTest, PicturesAreClippedAtTheCardsRightAndBottomEdges) {
  MemoryPage surface(1, 1);
  std::vector<std::uint8_t> pixels(((50 * 3 + 3) / 4 * 4) * 20, 0xEE);
  const CardImage card{pixels.data(), 50, 20};
  const std::wstring picture = folder_ / L"wide.bmp";
  WriteFileBytes(picture, SolidBmp(30, 10, kPhotoColour));
  ASSERT_EQ(OverlayBitmapFile(surface.Dc(), card, 40, 15, 30, 10, picture.c_str()), 1);
  auto at = [&](int x, int y) {
    const std::uint8_t* p = card.Row(y) + x * 3;
    return Rgb{p[2], p[1], p[0]};
  };
  EXPECT_EQ(at(49, 15), kPhotoColour);
  EXPECT_EQ(at(49, 19), kPhotoColour);
  EXPECT_EQ(at(39, 15), (Rgb{0xEE, 0xEE, 0xEE}));
  // Nothing wraps onto the next row's start.
  EXPECT_EQ(at(0, 16), (Rgb{0xEE, 0xEE, 0xEE}));
  EXPECT_EQ(at(0, 0), (Rgb{0xEE, 0xEE, 0xEE}));
}

TEST_F(CardPrintTest, ModeChoosesTheSidesAndTheirPlaces) {
  // 300 dpi: the card is 1011 x 637, the back 90 mm right at x 1062.
  MemoryPage none(2100, 640);
  EXPECT_EQ(Compose(none, Placement(300, 0)), 1);
  EXPECT_EQ(none.OtherThanIn(kPaper, 0, 0, 2100, 640), 0) << "neither side";

  MemoryPage front(2100, 640);
  Compose(front, Placement(300, kPrintFront));
  EXPECT_EQ(front.At(5, 5), kFrontColour);
  EXPECT_EQ(front.At(1010, 636), kFrontColour);
  EXPECT_EQ(front.OtherThanIn(kPaper, 1011, 0, 2100, 640), 0) << "no back";

  MemoryPage back(2100, 640);
  Compose(back, Placement(300, kPrintBack));
  EXPECT_EQ(back.At(5, 5), kPaper);
  EXPECT_EQ(back.At(1061, 5), kPaper);
  EXPECT_EQ(back.At(1062, 5), kBackColour);
  EXPECT_EQ(back.At(1062 + 1010, 636), kBackColour);

  MemoryPage both(2100, 640);
  Compose(both, Placement(300, kPrintFront | kPrintBack));
  EXPECT_EQ(both.At(5, 5), kFrontColour);
  EXPECT_EQ(both.At(1011, 5), kPaper);
  EXPECT_EQ(both.At(1062, 5), kBackColour);
  EXPECT_EQ(both.At(1062 + 700, 200), kBackColour) << "the back has no photo";
}

TEST_F(CardPrintTest, WithoutABackTemplateTheBackShowsTheFinishedFrontAndTheBackTexts) {
  DeleteFileW((TestProgramFolder() + L"back.bmp").c_str());
  wcscpy_s(text_.slot[kFaceAuthority], L"临河市公安局");
  MemoryPage page(2100, 640);
  Compose(page, Placement(300, kPrintFront | kPrintBack));
  EXPECT_EQ(page.At(1062 + 5, 5), kFrontColour);
  EXPECT_EQ(page.At(1062 + 700, 200), kPhotoColour);
  // The authority at (365, 390): 431, 460 at 300 dpi, one line of 35 pixels.
  EXPECT_GT(page.InkIn(1062 + 431, 460, 1062 + 620, 495), 0);
  EXPECT_EQ(page.InkIn(431, 460, 620, 495), 0) << "the front had no back texts";
}

// At 600 dpi glyph k starts at x 708 + 58 k, y 1062, and is 47 x 70.
int GlyphsDrawn(const MemoryPage& page) {
  int count = 0;
  while (count < 20 && page.At(708 + 58 * count + 20, 1062 + 30) == kInk) ++count;
  return count;
}

TEST_F(CardPrintTest, TheNumberIsDrawnInGlyphsUpToTheFirstOtherCharacter) {
  MemoryPage page(2022, 1275);
  wcscpy_s(text_.slot[kFaceIdNumber], L"99052119920314002X");
  Compose(page, Placement(600, kPrintFront));
  EXPECT_EQ(GlyphsDrawn(page), 18);
  EXPECT_EQ(page.At(708 + 58 * 17 + 46, 1062), kInk);
  EXPECT_EQ(page.At(708 + 58 * 17 + 47, 1062), kFrontColour);

  wcscpy_s(text_.slot[kFaceIdNumber], L"9905211992031400x2");
  MemoryPage lower(2022, 1275);
  Compose(lower, Placement(600, kPrintFront));
  EXPECT_EQ(GlyphsDrawn(lower), 16);
}

TEST_F(CardPrintTest, ABrokenGlyphFileLeavesOutOnlyTheGlyphs) {
  wcscpy_s(text_.slot[kFaceIdNumber], L"123");
  wcscpy_s(text_.slot[kFaceName], L"韩晓川");
  WriteFileBytes(TestProgramFolder() + L"num.dat", GlyphFile(5631));
  MemoryPage shortFile(1011, 637);
  Compose(shortFile, Placement(300, kPrintFront));
  EXPECT_EQ(shortFile.InkIn(354, 531, 700, 566), 0);
  EXPECT_GT(shortFile.InkIn(200, 94, 400, 132), 0) << "the name is still drawn";
  EXPECT_EQ(shortFile.At(700, 200), kPhotoColour);

  // A slot whose picture claims more rows than the slot holds is skipped;
  // the glyphs after it keep their places.
  std::vector<std::uint8_t> glyphs = GlyphFile();
  glyphs[2 * 512 + 22] = 200;  // slot 2: height 200
  WriteFileBytes(TestProgramFolder() + L"num.dat", glyphs);
  MemoryPage badSlot(2022, 1275);
  Compose(badSlot, Placement(600, kPrintFront));
  EXPECT_EQ(badSlot.At(708 + 20, 1092), kInk);
  EXPECT_EQ(badSlot.At(708 + 58 + 20, 1092), kFrontColour);
  EXPECT_EQ(badSlot.At(708 + 116 + 20, 1092), kInk);
}

TEST_F(CardPrintTest, EveryTextStandsAtItsPlaceInItsFontOnItsSide) {
  DeleteFileW(photo_.c_str());
  for (const DeviceResolution dpi : kUnevenResolutions) {
    const int width = Px(kCardWidth, dpi.x);
    const int height = Px(kCardHeight, dpi.y);
    const int backLeft = Px(kBackPosition, dpi.x);
    for (const TextBox& box : kTextBoxes) {
      SCOPED_TRACE(testing::Message() << dpi.x << " x " << dpi.y << " dpi, slot " << box.slot);
      text_ = CardFaceText{};
      wcscpy_s(text_.slot[box.slot], L"汉字Ag8");
      MemoryPage page(backLeft + width, height);
      ASSERT_EQ(Compose(page, {dpi, kPrintFront | kPrintBack, {0, 0}, {kBackPosition, 0}}), 1);
      // Each side as it should look: its template's colour, and the one
      // text on the side it belongs to.
      MemoryPage front(width, height);
      MemoryPage back(width, height);
      front.Fill(kFrontColour);
      back.Fill(kBackColour);
      MemoryPage& written = box.side == Side::kFront ? front : back;
      written.DrawLine(text_.slot[box.slot], Px(box.x, dpi.x), Px(box.y, dpi.y), Px(box.cellHeight, dpi.y));
      ASSERT_GT(written.InkIn(0, 0, width, height), 0);
      EXPECT_EQ(page.DifferencesFrom(front, 0), 0) << "front";
      EXPECT_EQ(page.DifferencesFrom(back, backLeft), 0) << "back";
    }
  }
}

TEST_F(CardPrintTest, TheGlyphRowStandsAtItsPlaceAndXTakesTheLastSlot) {
  DeleteFileW(photo_.c_str());
  WriteFileBytes(TestProgramFolder() + L"num.dat", ColouredGlyphFile());
  wcscpy_s(text_.slot[kFaceIdNumber], L"0123456789X");
  for (const DeviceResolution dpi : kUnevenResolutions) {
    SCOPED_TRACE(testing::Message() << dpi.x << " x " << dpi.y << " dpi");
    const int width = Px(kCardWidth, dpi.x);
    const int height = Px(kCardHeight, dpi.y);
    MemoryPage page(width, height);
    Compose(page, {dpi, kPrintFront, {0, 0}, {0, 0}});
    MemoryPage expected(width, height);
    expected.Fill(kFrontColour);
    // Gap and width are turned into pixels each on its own.
    const int advance = Px(kGlyphGap, dpi.x) + Px(kGlyphWidth, dpi.x);
    for (int k = 0; k < 11; ++k) {
      // Characters 0 to 9 are the digits of their slots; the last, "X", takes slot 10.
      expected.FillBox(Px(kGlyphRowX, dpi.x) + k * advance, Px(kGlyphRowY, dpi.y), Px(kGlyphWidth, dpi.x),
                       Px(kGlyphHeight, dpi.y), GlyphColour(k));
    }
    EXPECT_EQ(page.DifferencesFrom(expected, 0), 0);
  }
}

TEST_F(CardPrintTest, ALongAddressWrapsInsideItsBoxAndIsCutAtItsBottom) {
  DeleteFileW(photo_.c_str());
  // Dots four times as high as wide: the box holds three lines of three or
  // four characters, far fewer than the 35 of a full address.
  const DeviceResolution dpi{150, 600};
  wcscpy_s(text_.slot[kFaceAddress], L"临河市清溪区望山路十八号临河市清溪区望山路十八号临河市清溪区望山路十八");
  ASSERT_EQ(wcslen(text_.slot[kFaceAddress]), 35u);
  const int width = Px(kCardWidth, dpi.x);
  const int height = Px(kCardHeight, dpi.y);
  MemoryPage page(width, height);
  Compose(page, {dpi, kPrintFront, {0, 0}, {0, 0}});
  const int left = Px(kAddressBox.left, dpi.x);
  const int top = Px(kAddressBox.top, dpi.y);
  const int right = Px(kAddressBox.right, dpi.x);
  const int bottom = Px(kAddressBox.bottom, dpi.y);
  const int line = Px(30, dpi.y);
  EXPECT_GT(page.InkIn(left, top, right, top + line), 0) << "the first line";
  EXPECT_GT(page.InkIn(left, bottom - line, right, bottom), 0) << "the text reaches the box's bottom";
  EXPECT_EQ(page.InkIn(0, bottom, width, height), 0) << "below the box";
  EXPECT_EQ(page.InkIn(right, 0, width, height), 0) << "right of the box";
}

TEST_F(CardPrintTest, AnAmpersandInTheAddressIsPrintedAsItStands) {
  DeleteFileW(photo_.c_str());
  wcscpy_s(text_.slot[kFaceAddress], L"望山路&&8号&甲");
  const DeviceResolution dpi{300, 300};
  MemoryPage page(Px(kCardWidth, dpi.x), Px(kCardHeight, dpi.y));
  Compose(page, {dpi, kPrintFront, {0, 0}, {0, 0}});
  MemoryPage expected(Px(kCardWidth, dpi.x), Px(kCardHeight, dpi.y));
  expected.Fill(kFrontColour);
  expected.DrawLine(L"望山路&&8号&甲", Px(kAddressBox.left, dpi.x), Px(kAddressBox.top, dpi.y), Px(30, dpi.y));
  EXPECT_EQ(page.DifferencesFrom(expected, 0), 0);
}

TEST_F(CardPrintTest, BitmapFilesThatCannotBeDrawnAreReportedAndLeftOut) {
  MemoryPage page(20, 20);
  const std::wstring missing = folder_ / L"missing.bmp";
  const std::wstring empty = folder_ / L"empty.bmp";
  const std::wstring topDown = folder_ / L"top-down.bmp";
  const std::wstring truncated = folder_ / L"truncated.bmp";
  WriteFileBytes(empty, {});
  std::vector<std::uint8_t> bytes = SolidBmp(8, 8, kInk);
  bytes[25] = 0xFF;  // height -8 + ... : negative, rows stored top down
  bytes[22] = static_cast<std::uint8_t>(-8);
  bytes[23] = bytes[24] = 0xFF;
  WriteFileBytes(topDown, bytes);
  bytes = SolidBmp(8, 8, kInk);
  bytes.resize(bytes.size() - 1);
  WriteFileBytes(truncated, bytes);
  EXPECT_EQ(DrawBitmapFile(page.Dc(), 0, 0, 20, 20, missing.c_str()), kFileCannotOpen);
  EXPECT_EQ(DrawBitmapFile(page.Dc(), 0, 0, 20, 20, empty.c_str()), kFileEmpty);
  EXPECT_EQ(DrawBitmapFile(page.Dc(), 0, 0, 20, 20, topDown.c_str()), kBitmapMalformed);
  EXPECT_EQ(DrawBitmapFile(page.Dc(), 0, 0, 20, 20, truncated.c_str()), kBitmapMalformed);
  EXPECT_EQ(page.At(10, 10), kPaper);
  // A width of 0 keeps the proportions: 8 x 8 drawn 10 high is 10 wide.
  EXPECT_EQ(DrawBitmapFile(page.Dc(), 0, 0, 0, 10, photo_.c_str()), kFileMapped);
  EXPECT_EQ(page.At(7, 9), kPhotoColour);
  EXPECT_EQ(page.At(8, 9), kPaper);
}

TEST(CardFaceTextTest, FillsTheTenTextsFromACardRead) {
  CardInfo card{};
  wcscpy_s(card.name, L"韩川");
  wcscpy_s(card.birth, L"19920504");
  wcscpy_s(card.idNumber, L"99052119920504002X");
  wcscpy_s(card.validityText, L"2010.05.07-长期");
  CardFaceText text;
  FillCardFaceText(card, text);
  EXPECT_STREQ(text.slot[kFaceName], L"韩  川");
  EXPECT_STREQ(text.slot[kFaceBirthYear], L"1992");
  EXPECT_STREQ(text.slot[kFaceBirthMonth], L"5");
  EXPECT_STREQ(text.slot[kFaceBirthDay], L"4");
  EXPECT_STREQ(text.slot[kFaceValidity], L"2010.05.07-长期");
  EXPECT_STREQ(text.slot[kFaceIdNumber], L"99052119920504002X");

  wcscpy_s(card.birth, L"19921231");
  wcscpy_s(card.name, L"\xD842\xDFB7川");  // a first character outside the basic plane
  FillCardFaceText(card, text);
  EXPECT_STREQ(text.slot[kFaceBirthMonth], L"12");
  EXPECT_STREQ(text.slot[kFaceName], L"\xD842\xDFB7  川");
  wcscpy_s(card.name, L"韩晓川");
  FillCardFaceText(card, text);
  EXPECT_STREQ(text.slot[kFaceName], L"韩晓川");

  FillCardFaceText(CardInfo{}, text);
  for (const auto& slot : text.slot) EXPECT_STREQ(slot, L"");
}

}  // namespace
