// The photo of the last card read, kept in a file of the window's own in
// the temporary folder. The polling loop rewrites image.bmp in the save
// folder for every card laid, and the save folder may move; printing from
// image.bmp would put another person's photo beside the last card's texts.
#pragma once

#include "common/reader_settings.h"

class LastCardPhoto {
 public:
  LastCardPhoto();
  // Both files go with the window.
  ~LastCardPhoto();
  LastCardPhoto(const LastCardPhoto&) = delete;
  LastCardPhoto& operator=(const LastCardPhoto&) = delete;

  // Replaces the kept photo by a copy of imagePath; when that fails (no
  // photo was decoded), the last card has no photo rather than an older one.
  void Keep(const wchar_t* imagePath);
  // A copy of the kept photo that no read replaces while the printer dialog
  // is open, or an empty path when there is no photo. Valid until
  // ReleasePrintCopy.
  const wchar_t* PrintCopy();
  void ReleasePrintCopy();

 private:
  wchar_t m_kept[kPathCapacity] = {};
  wchar_t m_printed[kPathCapacity] = {};
};
