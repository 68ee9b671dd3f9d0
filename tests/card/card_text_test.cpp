// Decoding the card's text block into the record that every window shows.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "card/card_info.h"

namespace {
struct CardFields {
  std::wstring name = L"韩川";
  std::wstring sex = L"1";
  std::wstring nation = L"01";
  std::wstring birth = L"19800507";
  std::wstring address = L"临河市清溪区望山路18号";
  std::wstring idNumber = L"11010119800507123X";
  std::wstring authority = L"临河市公安局清溪分局";
  std::wstring validFrom = L"20050301";
  std::wstring validTo = L"20250301";
};

// The block as a card holds it: fixed-width fields filled up with spaces.
std::array<std::uint8_t, kCardTextBytes> EncodeBlock(const CardFields& f) {
  std::array<std::uint8_t, kCardTextBytes> block{};
  std::size_t unit = 0;
  auto put = [&](const std::wstring& text, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i, ++unit) {
      const wchar_t c = i < text.size() ? text[i] : L' ';
      block[2 * unit] = static_cast<std::uint8_t>(c & 0xFF);
      block[2 * unit + 1] = static_cast<std::uint8_t>(c >> 8);
    }
  };
  put(f.name, 15), put(f.sex, 1), put(f.nation, 2), put(f.birth, 8), put(f.address, 35);
  put(f.idNumber, 18), put(f.authority, 15), put(f.validFrom, 8), put(f.validTo, 8), put(L"", 18);
  return block;
}

CardInfo Decode(const CardFields& fields) {
  CardInfo card;
  std::memset(&card, 0x5A, sizeof(card));  // leftovers must not survive
  DecodeCardText(card, EncodeBlock(fields).data());
  return card;
}
}  // namespace

TEST(CardText, DecodesEveryFieldAndTheDisplayTexts) {
  const CardInfo card = Decode({});
  EXPECT_STREQ(card.name, L"韩川");
  EXPECT_STREQ(card.sex, L"男");
  EXPECT_STREQ(card.nation, L"汉");
  EXPECT_STREQ(card.birth, L"19800507");
  EXPECT_STREQ(card.address, L"临河市清溪区望山路18号");
  EXPECT_STREQ(card.idNumber, L"11010119800507123X");
  EXPECT_STREQ(card.authority, L"临河市公安局清溪分局");
  EXPECT_STREQ(card.validFrom, L"20050301");
  EXPECT_STREQ(card.validTo, L"20250301");
  EXPECT_STREQ(card.newAddress, L"");
  EXPECT_STREQ(card.birthText, L"1980年05月07日");
  EXPECT_STREQ(card.validityText, L"2005.03.01-2025.03.01");
}

TEST(CardText, PermanentCardsAndSpacesInsideFields) {
  CardFields fields;
  fields.validTo = L"长期";
  fields.name = L"欧阳 娜娜";
  fields.address = L"临河市 清溪区　望山路 1号";  // an ideographic space stays
  const CardInfo card = Decode(fields);
  EXPECT_STREQ(card.validTo, L"长期");
  EXPECT_STREQ(card.validityText, L"2005.03.01-长期");
  EXPECT_STREQ(card.name, L"欧阳娜娜");
  EXPECT_STREQ(card.address, L"临河市清溪区　望山路1号");
}

TEST(CardText, FullWidthFieldsFillTheirRecordFields) {
  CardFields fields;
  fields.name = L"一二三四五六七八九十一二三四五";
  fields.address = std::wstring(35, L'路');
  fields.authority = std::wstring(15, L'局');
  const CardInfo card = Decode(fields);
  EXPECT_EQ(std::wcslen(card.name), 15u);
  EXPECT_EQ(std::wcslen(card.address), 35u);
  EXPECT_EQ(std::wcslen(card.authority), 15u);
}

TEST(CardText, SexCodes) {
  for (const wchar_t* code : {L"2", L"0", L"9", L" "}) {
    CardFields fields;
    fields.sex = code;
    EXPECT_STREQ(Decode(fields).sex, L"女") << code;
  }
}

TEST(CardText, NationCodes) {
  EXPECT_STREQ(NationName(L"01"), L"汉");
  EXPECT_STREQ(NationName(L"29"), L"柯尔克孜");
  EXPECT_STREQ(NationName(L"56"), L"基诺");
  EXPECT_STREQ(NationName(L"57"), L"其他");
  EXPECT_STREQ(NationName(L"00"), L"其他");
  EXPECT_STREQ(NationName(L"98"), L"外国血统中国籍人士");
  EXPECT_STREQ(NationName(L"99"), L"其他");
  EXPECT_STREQ(NationName(L"5 "), L"维吾尔");  // leading digits only
  EXPECT_STREQ(NationName(L"ab"), L"其他");
}

TEST(CardText, DateFormsAndHelpers) {
  wchar_t out[16];
  FormatCardDate(out, 16, L"19800507", kDateLong);
  EXPECT_STREQ(out, L"1980年05月07日");
  FormatCardDate(out, 16, L"19800507", kDateShort);
  EXPECT_STREQ(out, L"1980.05.07");
  FormatCardDate(out, 16, L"198005", kDateShort);  // a short date stops at its end
  EXPECT_STREQ(out, L"1980.05.");
  FormatCardDate(out, 8, L"19800507", kDateLong);  // a date that does not fit is left out, not cut
  EXPECT_STREQ(out, L"");

  wchar_t text[] = L" a b  c ";
  RemoveSpaces(text);
  EXPECT_STREQ(text, L"abc");
  DropLeadingZero(out, L"05");
  EXPECT_STREQ(out, L"5");
  DropLeadingZero(out, L"12");
  EXPECT_STREQ(out, L"12");
}
