// Printing one stored read as a card face, through the suite's print job.
#pragma once

#include <windows.h>

#include <string>

#include "common/card_face_text.h"
#include "query_tool/card_row.h"

// The ten printed texts of a read as the detail dialog holds it (birth
// recovered from the listed birth date, the validity in its listed form).
CardFaceText RowFaceText(const CardRow& row);

// Prints row with the photo at photoPath (none when empty), the printer
// dialog owned by owner.
void PrintCardRow(HWND owner, const CardRow& row, const std::wstring& photoPath);
