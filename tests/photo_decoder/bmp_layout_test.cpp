#include "photo_decoder/bmp_layout.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "photo_decoder/bmp_file.h"

namespace {

void Write32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A 20 x 30 picture of 4 bits with its full 16-entry colour table, as the
// digit glyphs are stored: 478 bytes.
std::vector<std::uint8_t> Glyph() {
  std::vector<std::uint8_t> bytes = EncodeBmp(RgbImage::Blank(20, 30));
  bytes.resize(14 + 40 + 64 + 12 * 30, 0);
  bytes[28] = 4;
  Write32(bytes, 10, 14 + 40 + 64);
  return bytes;
}

TEST(BmpLayout, FindsTheTableAndTheRowsOfAGlyph) {
  BmpLayout layout;
  ASSERT_TRUE(ReadBmpLayout(Glyph(), layout));
  EXPECT_EQ(layout.width, 20);
  EXPECT_EQ(layout.height, 30);
  EXPECT_FALSE(layout.topDown);
  EXPECT_EQ(layout.paletteOffset, 54u);
  EXPECT_EQ(layout.paletteCount, 16u);
  EXPECT_EQ(layout.pixelOffset, 118u);
  EXPECT_EQ(layout.rowLength, 12u);
}

TEST(BmpLayout, RefusesHeadersThatReachBeyondTheBytes) {
  struct Case {
    const char* what;
    std::size_t at;
    std::uint32_t value;
  };
  const Case cases[] = {
      {"pixel offset past the end", 10, 479},
      {"pixel offset leaving too few rows", 10, 119},
      {"information header shorter than 40", 14, 12},
      {"information header past the end", 14, 500},
      {"width 0", 18, 0},
      {"negative width", 18, 0xFFFFFFF0u},
      {"height 0", 22, 0},
      {"height with no positive value", 22, 0x80000000u},
      {"rows past the end", 22, 31},
      {"rows whose size overflows", 22, 0x7FFFFFFF},
      {"width whose rows overflow", 18, 0x7FFFFFFF},
      {"run-length compression", 30, 2},
      {"bit fields on 4 bits", 30, 3},
      {"more colours than 4 bits can use", 46, 17},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> bytes = Glyph();
    Write32(bytes, c.at, c.value);
    BmpLayout layout;
    EXPECT_FALSE(ReadBmpLayout(bytes, layout)) << c.what;
  }
  std::vector<std::uint8_t> depth = Glyph();
  depth[28] = 2;
  BmpLayout layout;
  EXPECT_FALSE(ReadBmpLayout(depth, layout)) << "two bits";
}

TEST(BmpLayout, ChecksMasksAndColourTablesOfDeepPictures) {
  // 32 bits with bit fields: the three masks follow a 40-byte header.
  std::vector<std::uint8_t> masked = EncodeBmp(RgbImage::Blank(1, 1));
  masked[28] = 32;
  Write32(masked, 30, kBmpBitFields);
  masked.resize(54 + 4);
  BmpLayout layout;
  EXPECT_FALSE(ReadBmpLayout(masked, layout)) << "masks outside the file";
  masked.resize(54 + 12 + 4);
  Write32(masked, 10, 54 + 12);
  ASSERT_TRUE(ReadBmpLayout(masked, layout));
  EXPECT_EQ(layout.paletteOffset, 66u);

  // A 24-bit picture may carry a table of biClrUsed entries; it must fit.
  std::vector<std::uint8_t> deep = EncodeBmp(RgbImage::Blank(1, 1));
  Write32(deep, 46, 0x40000001);
  EXPECT_FALSE(ReadBmpLayout(deep, layout));
}

}  // namespace
