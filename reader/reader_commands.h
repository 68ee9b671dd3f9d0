// The reader commands the polling loop uses: find, read (select, base
// message, photo), newest address, and the one-time radio frame set-up.
#pragma once

#include "card/card_info.h"
#include "reader/reader_link.h"

// 0x9F when a card was found, 0x80 when none, else the failure.
int FindCard(ReaderLink& link);
// 0x90 with card filled and the photo decoded into image.bmp; else the
// failing command's result, -1 when the photo file cannot be created, or
// the photo decoder's result. A response too short for what it announces
// fails with 0x41 and leaves card cleared. photo, when given, receives the
// photo bytes as the reader sent them (size 0 when none came).
int ReadCard(ReaderLink& link, CardInfo& card, CardPhotoBytes* photo = nullptr);
// Reads the newest address into card.newAddress; the exchange result, or
// 0x41 for a response without the whole address. card is unchanged unless 0x90.
int ReadNewAddress(ReaderLink& link, CardInfo& card);
// Sets the largest radio frame the reader exchanges with the card.
void SetMaxRfBytes(ReaderLink& link);

inline constexpr int kStatusReadFailed = 0x41;
