// Shared set-up of the reader program's window tests: settings in memory
// pointed at a temporary application-data folder, a sample card and photo,
// and a look into an open context menu.
#pragma once

#include <windows.h>

#include <string>

#include "card/card_info.h"
#include "support/app_data_folder.h"

// A card as the loop hands it to the window.
CardInfo SampleCard();

// Writes a 102 x 126 photo as the decoder leaves it in image.bmp.
void WriteSamplePhoto(const std::wstring& path);

// The folder of the running test program, with a trailing backslash.
std::wstring TestProgramFolder();

// Defaults for a window test: serial port 3, timed clearing on, no hide
// timer, sound on, the shipped background, the save folder given.
void UseWindowTestSettings(const std::wstring& saveFolder);

// The check marks of the context menu while it is open.
struct MenuChecks {
  bool opened = false;
  bool sound = false;
  bool large = false;
  bool medium = false;
  bool small = false;
};

// Opens the window's context menu with a right click, reads its check
// marks from another thread and closes it again.
MenuChecks ReadContextMenu(HWND window);
