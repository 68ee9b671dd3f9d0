#include "tools/hex_text.h"

#include <gtest/gtest.h>

TEST(HexText, ParsesPairsWithOrWithoutSeparators) {
  const std::vector<std::uint8_t> expected = {0xAA, 0x96, 0x0F};
  EXPECT_EQ(ParseHexBytes("AA 96 0f"), expected);
  EXPECT_EQ(ParseHexBytes("aa960F"), expected);
  EXPECT_EQ(ParseHexBytes("AA:96,0F"), expected);
  EXPECT_EQ(FormatHexBytes(expected), "AA 96 0F");
}

TEST(HexText, RefusesBrokenText) {
  EXPECT_FALSE(ParseHexBytes("AA 9"));
  EXPECT_FALSE(ParseHexBytes("A A"));
  EXPECT_FALSE(ParseHexBytes("GG"));
  EXPECT_TRUE(ParseHexBytes("")->empty());
}
