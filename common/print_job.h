// The print command of both programs: the printer dialog, then one page
// named "IDCard" carrying the composed card.
#pragma once

#include <windows.h>

#include "common/card_face_text.h"

// Lets the user choose a printer (the dialog owned by owner) and prints one
// page with the card sides the settings select. count is the number of
// texts, always kFaceSlotCount. Cancelling prints nothing; nothing is shown.
void PrintCardFace(HWND owner, const CardFaceText& text, int count, const wchar_t* photoPath);
