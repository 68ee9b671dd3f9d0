#include "common/card_face_text.h"

#include <cwchar>
#include <iterator>

namespace {

static_assert(sizeof(CardInfo::address) / sizeof(wchar_t) <= kFaceTextCapacity, "an address must fit its slot");

bool IsLowSurrogate(wchar_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Where the second character of a two-character name starts, or 0 when the
// name has another length. A character outside the basic plane takes two
// units, so counting units alone would miss such names.
std::size_t SecondCharacterOfPair(const wchar_t* name) {
  std::size_t characters = 0;
  std::size_t second = 0;
  for (std::size_t i = 0; name[i] != L'\0'; ++i) {
    if (IsLowSurrogate(name[i])) continue;
    if (++characters == 2) second = i;
  }
  return characters == 2 ? second : 0;
}

void CopyText(wchar_t (&out)[kFaceTextCapacity], const wchar_t* text) {
  wcsncpy_s(out, kFaceTextCapacity, text, _TRUNCATE);
}

void CopyName(const wchar_t* name, wchar_t (&out)[kFaceTextCapacity]) {
  const std::size_t second = SecondCharacterOfPair(name);
  if (second == 0) {
    CopyText(out, name);
    return;
  }
  std::swprintf(out, kFaceTextCapacity, L"%.*ls  %ls", static_cast<int>(second), name, name + second);
}

}  // namespace

void FillCardFaceText(const CardInfo& card, CardFaceText& text) {
  text = CardFaceText{};
  CopyName(card.name, text.slot[kFaceName]);
  CopyText(text.slot[kFaceSex], card.sex);
  CopyText(text.slot[kFaceNation], card.nation);
  // A short or empty date reads as zeros past its end, never beyond it.
  wchar_t birth[9] = {};
  wcsncpy_s(birth, std::size(birth), card.birth, _TRUNCATE);
  wcsncpy_s(text.slot[kFaceBirthYear], kFaceTextCapacity, birth, 4);
  DropLeadingZero(text.slot[kFaceBirthMonth], birth + 4);
  DropLeadingZero(text.slot[kFaceBirthDay], birth + 6);
  CopyText(text.slot[kFaceAddress], card.address);
  CopyText(text.slot[kFaceAuthority], card.authority);
  CopyText(text.slot[kFaceValidity], card.validityText);
  CopyText(text.slot[kFaceIdNumber], card.idNumber);
}
