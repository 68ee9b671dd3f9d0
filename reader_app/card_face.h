// The on-screen card face: titles, labels, the card's values, the photo,
// an etched frame, the blacklist alarm and the status line, laid out in card
// units (a 228 x 168 unit card) times the window's scale. It draws into any
// device context, so the main window paints with it and tests draw into a
// memory bitmap.
#pragma once

#include <windows.h>

#include "card/card_info.h"

struct CardFaceView {
  int scale;   // pixels per card unit: 2, 3 or 4
  int width;   // client size in pixels; the frame's bottom and the status
  int height;  // line hang from the bottom edge, not from the card units
  HBITMAP background;  // already at width x height, or null
  HBITMAP photo;       // drawn at half its size times the scale, or null
  bool alarm;
  HICON alarmIcon;
  const CardInfo* card;
  const wchar_t* status;
  bool statusWarning;  // the status drawn in the alarm's colour
};

// Draws everything, whatever part of the device context is due; the
// caller's invalidated region does the clipping.
void DrawCardFace(HDC dc, const CardFaceView& view);

// How many characters of a status text go on its first line so that the
// line stays within maxWidth pixels, in a font of cellHeight pixels, however
// wide the font draws them; the whole length when the text fits.
int StatusLineBreak(const wchar_t* text, int cellHeight, int maxWidth);

// The band at the bottom left that holds the status line and nothing of the
// card; invalidating it alone repaints a new status.
RECT StatusStripRect(int scale, int width, int height);
