// The print command of both programs: the printer dialog, then one page
// named "IDCard" carrying the composed card.
#pragma once

#include <windows.h>

#include <functional>

#include "common/card_face_text.h"

// Lets the user choose a printer (the dialog owned by owner) and prints one
// page with the card sides the settings select. count is the number of
// texts, always kFaceSlotCount. Cancelling prints nothing; nothing is shown.
void PrintCardFace(HWND owner, const CardFaceText& text, int count, const wchar_t* photoPath);

// Draws the page of a started document on the printer's surface; 0 when the
// page could not be drawn.
using PageDrawing = std::function<int(HDC printer)>;

// One document named "IDCard" of one page on printer, drawn by drawPage. A
// page that cannot be started or drawn is not sent: the document is
// abandoned, never ended with a blank page. True when the page was handed
// to the printing system.
bool PrintOnePage(HDC printer, const PageDrawing& drawPage);
