// Composing the printed card: the front (template, photo, texts, citizen
// number in digit glyphs) and the back (template, authority, validity),
// each drawn at the printer's resolution into one card image and copied
// onto the page at its print position.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/card_face_text.h"
#include "common/card_units.h"
#include "common/reader_settings.h"

// Mode bits: which sides go on the page.
inline constexpr std::int32_t kPrintFront = 1;
inline constexpr std::int32_t kPrintBack = 2;

// Where and how the sides go on the page. Page positions are in tenths of a
// millimetre from the top-left corner of the printable area.
struct CardPlacement {
  DeviceResolution dpi;
  std::int32_t mode;
  PrintPosition front;
  PrintPosition back;
};

// Composes the sides that the settings' Mode selects onto printer, the
// drawing surface of a started page, at its resolution and the settings'
// print positions. 1 when done; 0 when the card image or its drawing
// surface cannot be had, and nothing is drawn.
int ComposeCardFaces(HDC printer, const CardFaceText& text, const wchar_t* photoPath);

// The same on any surface, with the resolution and placement given: the
// benchmark and the tests compose into memory surfaces this way, which
// report the screen's resolution rather than a printer's.
int ComposeCardSides(HDC page, const CardPlacement& placement, const CardFaceText& text, const wchar_t* photoPath);
