// A stand-in for the print job, linked into the window tests in place of
// the real one: no printer dialog, it records what would be printed.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "common/card_face_text.h"

struct FakePrintJob {
  int calls = 0;
  HWND owner = nullptr;
  int count = 0;
  CardFaceText text{};
  // The photo file's bytes when the page would be composed; empty when the
  // path names no file.
  std::string photo;
  // Runs where the printer dialog would be open, before the photo is read.
  std::function<void()> whileDialogOpen;
};

FakePrintJob& FakePrint();
void ResetFakePrint();
