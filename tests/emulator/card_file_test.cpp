// Card files and the text block the emulated reader hands out.
#include "emulator/card_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <string>

#include "emulator/scratch_folder.h"
#include "photo_decoder/bmp_file.h"
#include "photo_decoder/wlt_codec.h"

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
  RgbImage photo;
  EXPECT_TRUE(DecodeWltPhoto(card.photo, photo));
}

// Every shipped card must load, carry a decodable photo and a citizen number
// whose check digit is right; together they cover the cases a reader
// program has to show.
TEST(CardFile, ShippedSampleCardsAreCompleteAndValid) {
  std::set<std::u16string> sexes, nations, validTo;
  bool spacedName = false, twoCharacterName = false, endsInX = false;
  int cards = 0;
  for (const auto& entry : std::filesystem::directory_iterator(SAMPLE_CARD_FOLDER)) {
    if (entry.path().extension() != ".card") continue;
    ++cards;
    Card card;
    std::string error;
    ASSERT_EQ(LoadCardFile(entry.path().string(), card, error), kCardFileOk) << entry.path() << error;
    RgbImage photo;
    EXPECT_TRUE(DecodeWltPhoto(card.photo, photo)) << entry.path();
    const std::u16string id = Slot(card.textBlock, card_slots::kIdNumber);
    EXPECT_EQ(CitizenCheckDigit(id), id[17]) << entry.path();
    // The 17th digit is odd for men, even for women.
    EXPECT_EQ((id[16] - u'0') % 2 == 1, Slot(card.textBlock, card_slots::kSex) == u"1") << entry.path();
    const std::u16string name = Slot(card.textBlock, card_slots::kName);
    const std::u16string trimmed = name.substr(0, name.find_last_not_of(u' ') + 1);
    spacedName |= trimmed.find(u' ') != std::u16string::npos;
    twoCharacterName |= trimmed.size() == 2;
    endsInX |= id[17] == u'X';
    sexes.insert(Slot(card.textBlock, card_slots::kSex));
    nations.insert(Slot(card.textBlock, card_slots::kNation));
    validTo.insert(Slot(card.textBlock, card_slots::kValidTo));
  }
  EXPECT_GE(cards, 5);
  EXPECT_TRUE(spacedName && twoCharacterName && endsInX);
  EXPECT_EQ(sexes, (std::set<std::u16string>{u"1", u"2"}));
  for (const auto* code : {u"01", u"56", u"98", u"57"}) EXPECT_TRUE(nations.contains(code)) << "nation";
  EXPECT_TRUE(validTo.contains(Padded(u"长期", 8)));
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

TEST(CardFile, PortraitIsFittedAndEncodedOrRefused) {
  ScratchFolder folder;
  ASSERT_FALSE(folder.Path().empty());
  const auto cardPath = (folder.Path() / "card.txt").string();
  WriteFile(cardPath, WithKey("portrait", "face.bmp"));
  Card card;
  std::string error;

  const std::vector<std::uint8_t> wide = EncodeBmp(RgbImage::Blank(400, 90));
  WriteFile(folder.Path() / "face.bmp", std::string(wide.begin(), wide.end()));
  ASSERT_EQ(LoadCardFile(cardPath, card, error), kCardFileOk) << error;
  RgbImage photo;
  ASSERT_TRUE(DecodeWltPhoto(card.photo, photo));
  EXPECT_EQ(photo.width, kWltPhotoWidth);
  EXPECT_EQ(photo.height, kWltPhotoHeight);

  WriteFile(folder.Path() / "face.bmp", "BM not really a picture");
  EXPECT_EQ(LoadCardFile(cardPath, card, error), kCardPortraitUnusable);
  EXPECT_NE(error.find("not a PNG"), std::string::npos);
  std::filesystem::remove(folder.Path() / "face.bmp");
  EXPECT_EQ(LoadCardFile(cardPath, card, error), kCardPhotoUnreadable);

  CardFileFields fields;
  EXPECT_EQ(ParseCardFileText(WithKey("portrait", "a.png") + "photo_wlt=a.wlt\n", fields, error), kCardFileMalformed);
  EXPECT_NE(error.find("both"), std::string::npos);
}
