// A stand-in for the card polling loop, linked into the window tests in
// place of the real one: the tests post the loop's messages themselves and
// decide which card the window takes. It records how the window drives it.
#pragma once

#include <windows.h>

#include "card/card_info.h"

struct FakeCardPoll {
  // The card that TakeCardInfo hands out.
  CardInfo card{};
  // Threads started and ended, and the last status strip the window gave.
  LONG started = 0;
  LONG finished = 0;
  LONG takes = 0;
  RECT statusRect{};
  // The window handle the last thread was given.
  HWND window = nullptr;
};

// The record shared by the fake's routines; Reset clears it.
FakeCardPoll& FakePoll();
void ResetFakePoll();
