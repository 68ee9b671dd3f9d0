// Card files and the text block the emulated reader hands out.
#include "emulator/card_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>

#include "emulator/scratch_folder.h"

namespace {
const std::map<std::string, std::string> kValidKeys = {
    {"name", "林 一"},           {"sex", "1"},          {"nation", "98"},
    {"birth", "20000229"},       {"address", "某地"},   {"id", "99000020000229001X"},
    {"authority", "某局"},       {"validfrom", "20200101"}, {"validto", "长期"},
};

std::string CardText(const std::map<std::string, std::string>& keys) {
  std::string text;
  for (const auto& [key, value] : keys) text += key + "=" + value + "\n";
  return text;
}

std::string WithKey(const std::string& key, const std::string& value) {
  auto keys = kValidKeys;
  keys[key] = value;
  return CardText(keys);
}

// The units of one slot, as UTF-16 read back from the block.
std::u16string Slot(const CardTextBlock& block, TextFieldSlot slot) {
  std::u16string text;
  for (std::size_t i = 0; i < slot.units; ++i) {
    text += static_cast<char16_t>(block[slot.offset + 2 * i] | block[slot.offset + 2 * i + 1] << 8);
  }
  return text;
}

std::u16string Padded(std::u16string text, std::size_t units) { return text.append(units - text.size(), u' '); }

// ISO 7064 MOD 11-2 over the first 17 digits.
char16_t CitizenCheckDigit(std::u16string_view id) {
  static constexpr int kWeights[17] = {7, 9, 10, 5, 8, 4, 2, 1, 6, 3, 7, 9, 10, 5, 8, 4, 2};
  int sum = 0;
  for (int i = 0; i < 17; ++i) sum += (id[i] - u'0') * kWeights[i];
  return u"10X98765432"[sum % 11];
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}
}  // namespace

TEST(CardFile, SampleCardLaysOutEveryFieldAtItsOffset) {
  Card card;
  std::string error;
  ASSERT_EQ(LoadCardFile(SAMPLE_CARD_PATH, card, error), kCardFileOk) << error;
  const CardTextBlock& block = card.textBlock;
  EXPECT_EQ(block[0], 0xCF);  // 苏 U+82CF, little-endian
  EXPECT_EQ(block[1], 0x82);
  EXPECT_EQ(Slot(block, card_slots::kName), Padded(u"苏映秋", 15));
  EXPECT_EQ(Slot(block, card_slots::kSex), u"2");
  EXPECT_EQ(Slot(block, card_slots::kNation), u"03");
  EXPECT_EQ(Slot(block, card_slots::kBirth), u"19920314");
  EXPECT_EQ(Slot(block, card_slots::kAddress), Padded(u"南湖省青石市云岭县石桥镇溪口村5组", 35));
  EXPECT_EQ(Slot(block, card_slots::kIdNumber), u"99052119920314002X");
  EXPECT_EQ(Slot(block, card_slots::kAuthority), Padded(u"青石市公安局云岭分局", 15));
  EXPECT_EQ(Slot(block, card_slots::kValidFrom), u"20150620");
  EXPECT_EQ(Slot(block, card_slots::kValidTo), u"20350620");
  EXPECT_EQ(Slot(block, card_slots::kReserved), Padded(u"", 18));
  EXPECT_EQ(card_slots::kReserved.offset + 2 * card_slots::kReserved.units, block.size());

  const std::u16string id = Slot(block, card_slots::kIdNumber);
  EXPECT_EQ(CitizenCheckDigit(id), id[17]);
  ASSERT_TRUE(card.newAddress.has_value());
  CardTextBlock newAddress{};
  std::copy(card.newAddress->begin(), card.newAddress->end(), newAddress.begin());
  EXPECT_EQ(Slot(newAddress, {0, 35}), Padded(u"南湖省青石市江滨路66号3栋", 35));
  // Without a photo file the card carries the filler, not zeros.
  EXPECT_NE(std::count(card.photo.begin(), card.photo.end(), 0), static_cast<long>(card.photo.size()));
}

TEST(CardFile, BuiltInCardIsACompleteLongTermCard) {
  const Card card = BuiltInTestCard();
  const std::u16string id = Slot(card.textBlock, card_slots::kIdNumber);
  EXPECT_EQ(CitizenCheckDigit(id), id[17]);
  EXPECT_EQ(Slot(card.textBlock, card_slots::kValidTo), Padded(u"长期", 8));
  EXPECT_TRUE(card.newAddress.has_value());
}

TEST(CardFile, ValuesAreCheckedAgainstTheirSlots) {
  CardFileFields fields;
  std::string error;
  ASSERT_EQ(ParseCardFileText("\xEF\xBB\xBF# comment\r\n\r\n" + CardText(kValidKeys), fields, error), kCardFileOk) << error;
  EXPECT_EQ(fields.text.name, u"林 一");  // inner blanks stay; the host removes them
  EXPECT_FALSE(fields.newAddress.has_value());
  ASSERT_EQ(ParseCardFileText(WithKey("name", "一二三四五六七八九十一二三四五"), fields, error), kCardFileOk);
  ASSERT_EQ(ParseCardFileText(WithKey("validto", "20301231"), fields, error), kCardFileOk);

  const struct {
    std::string text;
    const char* reason;
  } refused[] = {
      {WithKey("name", "一二三四五六七八九十一二三四五六"), "name"},
      {WithKey("name", "一二三四五六七八九十一二三四\xF0\x9F\x98\x80"), "name"},  // a pair of units too many
      {WithKey("name", ""), "name"},
      {WithKey("sex", "0"), "sex"},
      {WithKey("nation", "1"), "nation"},
      {WithKey("birth", "1980-5-7"), "birth"},
      {WithKey("validto", "长期长期"), "validto"},
      {WithKey("id", "99000020000229001"), "id"},
      {WithKey("address", "\xC3\x28"), "UTF-8"},
      {WithKey("address", "\xE0\x80\xAF"), "UTF-8"},  // overlong
      {WithKey("address", "\xED\xA0\x80"), "UTF-8"},  // a surrogate
      {WithKey("colour", "blue"), "unknown key"},
      {CardText(kValidKeys) + "name=again\n", "repeated"},
      {CardText(kValidKeys) + "just text\n", "key=value"},
      {"name=林一\n", "missing key"},
      {std::string(kLongestCardFile + 1, '#'), "too long"},
  };
  for (const auto& c : refused) {
    EXPECT_EQ(ParseCardFileText(c.text, fields, error), kCardFileMalformed) << c.reason;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
  }
}

TEST(CardFile, PhotoIsReadBesideTheCardAndPaddedWithZeros) {
  ScratchFolder folder;
  ASSERT_FALSE(folder.Path().empty());
  std::filesystem::create_directory(folder.Path() / "photos");
  const auto cardPath = (folder.Path() / "card.txt").string();
  WriteFile(cardPath, WithKey("photo_wlt", "photos/face.wlt"));
  Card card;
  std::string error;

  WriteFile(folder.Path() / "photos/face.wlt", "WLT");
  ASSERT_EQ(LoadCardFile(cardPath, card, error), kCardFileOk) << error;
  EXPECT_EQ(card.photo[0], 'W');
  EXPECT_EQ(card.photo[2], 'T');
  EXPECT_EQ(std::count(card.photo.begin() + 3, card.photo.end(), 0), 1021);

  WriteFile(folder.Path() / "photos/face.wlt", "");
  ASSERT_EQ(LoadCardFile(cardPath, card, error), kCardFileOk);
  EXPECT_EQ(std::count(card.photo.begin(), card.photo.end(), 0), 1024);

  WriteFile(folder.Path() / "photos/face.wlt", std::string(kCardPhotoBytes, '\x5A'));
  ASSERT_EQ(LoadCardFile(cardPath, card, error), kCardFileOk);
  EXPECT_EQ(card.photo.back(), 0x5A);

  WriteFile(folder.Path() / "photos/face.wlt", std::string(kCardPhotoBytes + 1, '\x5A'));
  EXPECT_EQ(LoadCardFile(cardPath, card, error), kCardPhotoTooLarge);
  std::filesystem::remove(folder.Path() / "photos/face.wlt");
  EXPECT_EQ(LoadCardFile(cardPath, card, error), kCardPhotoUnreadable);
  EXPECT_EQ(LoadCardFile((folder.Path() / "absent.card").string(), card, error), kCardFileUnreadable);
  EXPECT_EQ(LoadCardFile(std::string(kLongestPath + 1, 'c'), card, error), kCardFilePathTooLong);
}
