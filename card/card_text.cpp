#include "card/card_info.h"

#include <cstring>
#include <cwchar>
#include <iterator>

#include "common/checked_format.h"

namespace {
// Offsets and widths, in UTF-16 units, of the fields of the text block.
struct FieldSpan {
  std::size_t offset;
  std::size_t units;
};
constexpr FieldSpan kNameSpan{0, 15};
constexpr FieldSpan kSexSpan{15, 1};
constexpr FieldSpan kNationSpan{16, 2};
constexpr FieldSpan kBirthSpan{18, 8};
constexpr FieldSpan kAddressSpan{26, 35};
constexpr FieldSpan kIdNumberSpan{61, 18};
constexpr FieldSpan kAuthoritySpan{79, 15};
constexpr FieldSpan kValidFromSpan{94, 8};
constexpr FieldSpan kValidToSpan{102, 8};

constexpr const wchar_t* kNations[] = {
    L"汉",   L"蒙古",   L"回",   L"藏",     L"维吾尔", L"苗",   L"彝",   L"壮",     L"布依", L"朝鲜",
    L"满",   L"侗",     L"瑶",   L"白",     L"土家",   L"哈尼", L"哈萨克", L"傣",   L"黎",   L"傈僳",
    L"佤",   L"畲",     L"高山", L"拉祜",   L"水",     L"东乡", L"纳西", L"景颇",   L"柯尔克孜", L"土",
    L"达斡尔", L"仫佬", L"羌",   L"布朗",   L"撒拉",   L"毛南", L"仡佬", L"锡伯",   L"阿昌", L"普米",
    L"塔吉克", L"怒",   L"乌孜别克", L"俄罗斯", L"鄂温克", L"德昂", L"保安", L"裕固", L"京",   L"塔塔尔",
    L"独龙", L"鄂伦春", L"赫哲", L"门巴",   L"珞巴",   L"基诺",
};
constexpr int kForeignOriginCode = 98;
constexpr const wchar_t* kForeignOrigin = L"外国血统中国籍人士";
constexpr const wchar_t* kOtherNation = L"其他";
constexpr const wchar_t* kPermanent = L"长期";

// The block is little-endian UTF-16 whatever the byte order of the host.
wchar_t UnitAt(const std::uint8_t* text, std::size_t unit) {
  return static_cast<wchar_t>(text[2 * unit] | text[2 * unit + 1] << 8);
}

// Copies a field into a destination that already ends in zeros.
void CopyField(wchar_t* destination, const std::uint8_t* text, FieldSpan span) {
  for (std::size_t i = 0; i < span.units; ++i) destination[i] = UnitAt(text, span.offset + i);
}

// Copies up to count units of a date part, stopping at a 0 unit.
void CopyDatePart(wchar_t* out, const wchar_t* date, std::size_t count) {
  std::size_t i = 0;
  for (; i < count && date[i] != L'\0'; ++i) out[i] = date[i];
  out[i] = L'\0';
}

std::size_t TextLength(const wchar_t* text, std::size_t limit) {
  std::size_t length = 0;
  while (length < limit && text[length] != L'\0') ++length;
  return length;
}
}  // namespace

void DecodeCardText(CardInfo& card, const std::uint8_t* text) {
  std::memset(&card, 0, sizeof(card));
  CopyField(card.name, text, kNameSpan);
  std::wcscpy(card.sex, UnitAt(text, kSexSpan.offset) == L'1' ? L"男" : L"女");
  const wchar_t nationCode[3] = {UnitAt(text, kNationSpan.offset), UnitAt(text, kNationSpan.offset + 1), L'\0'};
  std::wcscpy(card.nation, NationName(nationCode));
  CopyField(card.birth, text, kBirthSpan);
  CopyField(card.address, text, kAddressSpan);
  CopyField(card.idNumber, text, kIdNumberSpan);
  CopyField(card.authority, text, kAuthoritySpan);
  CopyField(card.validFrom, text, kValidFromSpan);
  CopyField(card.validTo, text, kValidToSpan);
  RemoveSpaces(card.name);
  RemoveSpaces(card.address);
  RemoveSpaces(card.authority);
  RemoveSpaces(card.validTo);
  FormatCardDates(card);
}

void FormatCardDates(CardInfo& card) {
  FormatCardDate(card.birthText, std::size(card.birthText), card.birth, kDateLong);
  // Start and end of validity, joined by a hyphen where the start's
  // terminator stood.
  FormatCardDate(card.validityText, 12, card.validFrom, kDateShort);
  card.validityText[10] = L'-';
  FormatCardDate(card.validityText + 11, std::size(card.validityText) - 11, card.validTo, kDateShort);
}

const wchar_t* NationName(const wchar_t* code) {
  int number = 0;
  for (int i = 0; i < 2 && code[i] >= L'0' && code[i] <= L'9'; ++i) number = number * 10 + (code[i] - L'0');
  if (number >= 1 && number <= static_cast<int>(std::size(kNations))) return kNations[number - 1];
  return number == kForeignOriginCode ? kForeignOrigin : kOtherNation;
}

void FormatCardDate(wchar_t* out, std::size_t outUnits, const wchar_t* date, int form) {
  if (outUnits == 0) return;
  if (form == kDateShort && std::wcscmp(date, kPermanent) == 0) {
    FormatChecked(out, outUnits, L"%ls", kPermanent);
    return;
  }
  wchar_t year[5], month[3], day[3];
  const std::size_t length = TextLength(date, 8);
  CopyDatePart(year, date, length < 4 ? length : 4);
  CopyDatePart(month, length > 4 ? date + 4 : L"", 2);
  CopyDatePart(day, length > 6 ? date + 6 : L"", 2);
  const wchar_t* pattern = form == kDateLong ? L"%ls年%ls月%ls日" : L"%ls.%ls.%ls";
  FormatChecked(out, outUnits, pattern, year, month, day);
}

void RemoveSpaces(wchar_t* text) {
  wchar_t* to = text;
  for (const wchar_t* from = text; *from != L'\0'; ++from) {
    if (*from != L' ') *to++ = *from;
  }
  *to = L'\0';
}

void DropLeadingZero(wchar_t* out, const wchar_t* twoUnits) {
  if (twoUnits[0] == L'0') {
    out[0] = twoUnits[1];
    out[1] = L'\0';
  } else {
    out[0] = twoUnits[0];
    out[1] = twoUnits[1];
    out[2] = L'\0';
  }
}

int DigitsValue(const wchar_t* text, int count) {
  int value = 0;
  for (int i = 0; i < count; ++i) {
    if (text[i] < L'0' || text[i] > L'9') return -1;
    value = value * 10 + (text[i] - L'0');
  }
  return value;
}
