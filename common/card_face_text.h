// The ten texts of a printed card face, and the one routine both programs
// use to fill them from a card read, so that the reader program and the
// query tool print a card alike.
#pragma once

#include "card/card_info.h"

// Slots of CardFaceText, in the order the callers fill them.
enum CardFaceSlot {
  kFaceName,
  kFaceSex,
  kFaceNation,
  kFaceBirthYear,
  kFaceBirthMonth,
  kFaceBirthDay,
  kFaceAddress,
  kFaceAuthority,
  kFaceValidity,
  kFaceIdNumber,
  kFaceSlotCount
};

// Room for the longest field of a card read (the address) and its terminator.
inline constexpr int kFaceTextCapacity = 40;

struct CardFaceText {
  wchar_t slot[kFaceSlotCount][kFaceTextCapacity];
};

// Fills every slot from card: a two-character name spread over four places
// ("韩  川"), the year, month and day of birth (month and day without a
// leading zero), the address, the authority, the period of validity and
// the citizen number. An empty card gives ten empty texts.
void FillCardFaceText(const CardInfo& card, CardFaceText& text);
