#include "emulator/card_file.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <vector>

#include "emulator/card_photo.h"
#include "emulator/file_bytes.h"
#include "emulator/utf8_to_utf16.h"

namespace {
enum class ValueRule { kText, kSexCode, kTwoDigits, kDate, kDateOrLongTerm, kExactLength };

struct KeyRule {
  std::string_view key;
  ValueRule rule;
  std::size_t units;  // the longest value, or the exact length for kExactLength
  bool required;
};

constexpr KeyRule kKeyRules[] = {
    {"name", ValueRule::kText, card_slots::kName.units, true},
    {"sex", ValueRule::kSexCode, 1, true},
    {"nation", ValueRule::kTwoDigits, 2, true},
    {"birth", ValueRule::kDate, 8, true},
    {"address", ValueRule::kText, card_slots::kAddress.units, true},
    {"id", ValueRule::kExactLength, card_slots::kIdNumber.units, true},
    {"authority", ValueRule::kText, card_slots::kAuthority.units, true},
    {"validfrom", ValueRule::kDate, 8, true},
    {"validto", ValueRule::kDateOrLongTerm, 8, true},
    {"newaddress", ValueRule::kText, kNewAddressUnits, false},
    {"photo_wlt", ValueRule::kText, kLongestPath, false},
    {"portrait", ValueRule::kText, kLongestPath, false},
};

constexpr std::u16string_view kLongTerm = u"长期";

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

bool AllDigits(std::u16string_view text) {
  return std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

bool ValueFits(const KeyRule& rule, std::u16string_view value) {
  switch (rule.rule) {
    case ValueRule::kText:
      return !value.empty() && value.size() <= rule.units;
    case ValueRule::kSexCode:
      return value == u"1" || value == u"2";
    case ValueRule::kTwoDigits:
    case ValueRule::kDate:
      return value.size() == rule.units && AllDigits(value);
    case ValueRule::kDateOrLongTerm:
      return value == kLongTerm || (value.size() == rule.units && AllDigits(value));
    case ValueRule::kExactLength:
      return value.size() == rule.units;
  }
  return false;
}

const char* RuleText(const KeyRule& rule) {
  switch (rule.rule) {
    case ValueRule::kText: return "empty or too long";
    case ValueRule::kSexCode: return "not 1 or 2";
    case ValueRule::kTwoDigits: return "not two digits";
    case ValueRule::kDate: return "not a date YYYYMMDD";
    case ValueRule::kDateOrLongTerm: return "not a date YYYYMMDD or 长期";
    case ValueRule::kExactLength: return "not 18 characters";
  }
  return "invalid";
}

void StoreValue(std::string_view key, std::u16string value, std::string_view raw, CardFileFields& fields) {
  CardTextFields& text = fields.text;
  if (key == "name") text.name = std::move(value);
  else if (key == "sex") text.sex = std::move(value);
  else if (key == "nation") text.nation = std::move(value);
  else if (key == "birth") text.birth = std::move(value);
  else if (key == "address") text.address = std::move(value);
  else if (key == "id") text.idNumber = std::move(value);
  else if (key == "authority") text.authority = std::move(value);
  else if (key == "validfrom") text.validFrom = std::move(value);
  else if (key == "validto") text.validTo = std::move(value);
  else if (key == "newaddress") fields.newAddress = std::move(value);
  else if (key == "photo_wlt") fields.photoPath = std::string(raw);
  else if (key == "portrait") fields.portraitPath = std::string(raw);
}

const KeyRule* FindRule(std::string_view key) {
  for (const KeyRule& rule : kKeyRules) {
    if (rule.key == key) return &rule;
  }
  return nullptr;
}

int Fail(std::string& error, std::size_t lineNumber, const std::string& reason) {
  error = "line " + std::to_string(lineNumber) + ": " + reason;
  return kCardFileMalformed;
}

// Deterministic stand-in for a photo when the card file names none.
void FillPhotoFiller(std::array<std::uint8_t, kCardPhotoBytes>& photo) {
  for (std::size_t i = 0; i < photo.size(); ++i) photo[i] = static_cast<std::uint8_t>(i * 7 + 3);
}

}  // namespace

int ParseCardFileText(std::string_view text, CardFileFields& fields, std::string& error) {
  fields = CardFileFields{};
  if (text.size() > kLongestCardFile) return Fail(error, 0, "file too long");
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::set<std::string_view> seen;
  std::size_t lineNumber = 0;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    const std::string_view line = Trim(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
    ++lineNumber;
    if (line.empty() || line.front() == '#') continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return Fail(error, lineNumber, "expected key=value");
    const std::string_view key = Trim(line.substr(0, equals));
    const std::string_view raw = Trim(line.substr(equals + 1));
    const KeyRule* rule = FindRule(key);
    if (rule == nullptr) return Fail(error, lineNumber, "unknown key '" + std::string(key) + "'");
    if (!seen.insert(rule->key).second) return Fail(error, lineNumber, "repeated key " + std::string(key));
    std::u16string value;
    if (!Utf8ToUtf16(raw, value)) return Fail(error, lineNumber, "value is not UTF-8");
    if (!ValueFits(*rule, value)) return Fail(error, lineNumber, std::string(key) + " " + RuleText(*rule));
    StoreValue(rule->key, std::move(value), raw, fields);
  }
  for (const KeyRule& rule : kKeyRules) {
    if (rule.required && !seen.contains(rule.key)) return Fail(error, lineNumber, "missing key " + std::string(rule.key));
  }
  if (seen.contains("photo_wlt") && seen.contains("portrait")) {
    return Fail(error, lineNumber, "photo_wlt and portrait both given");
  }
  return kCardFileOk;
}

Card MakeCard(const CardFileFields& fields, std::optional<std::span<const std::uint8_t>> photo) {
  Card card;
  EncodeCardTextBlock(fields.text, card.textBlock);
  if (photo) {
    std::copy_n(photo->begin(), std::min(photo->size(), card.photo.size()), card.photo.begin());
  } else {
    FillPhotoFiller(card.photo);
  }
  if (fields.newAddress) {
    card.newAddress.emplace();
    EncodeTextField(*fields.newAddress, kNewAddressUnits, card.newAddress->data());
  }
  return card;
}

int LoadCardFile(const std::string& path, Card& card, std::string& error) {
  if (path.size() > kLongestPath) {
    error = "card file path longer than 259 characters";
    return kCardFilePathTooLong;
  }
  std::string text;
  if (ReadWholeFile(path, kLongestCardFile, text) != 0) {
    error = "cannot read card file " + path;
    return kCardFileUnreadable;
  }
  CardFileFields fields;
  if (const int result = ParseCardFileText(text, fields, error); result != kCardFileOk) return result;
  if (fields.photoPath.empty() && fields.portraitPath.empty()) {
    card = MakeCard(fields, std::nullopt);
    return kCardFileOk;
  }
  const bool raw = !fields.photoPath.empty();
  const std::filesystem::path photoPath =
      std::filesystem::path(path).parent_path() / (raw ? fields.photoPath : fields.portraitPath);
  if (photoPath.native().size() > kLongestPath) {
    error = "photo path longer than 259 characters";
    return kCardFilePathTooLong;
  }
  std::vector<std::uint8_t> photo;
  const int result = raw ? ReadRawPhoto(photoPath, photo, error) : EncodePortrait(photoPath, photo, error);
  if (result != kCardFileOk) return result;
  card = MakeCard(fields, photo);
  return kCardFileOk;
}

Card BuiltInTestCard() {
  CardFileFields fields;
  fields.text = {u"韩晓川", u"1", u"01", u"19800507", u"北川省临河市清溪区望山路18号",
                 u"990102198005071232", u"临河市公安局清溪分局", u"20100115", u"长期"};
  fields.newAddress = u"北川省临河市清溪区柳岸街7号";
  return MakeCard(fields, std::nullopt);
}
