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

  // The file that holds the last card's photo, for the taking of a read to
  // replace (or delete, when the read has none); null when no such file
  // could be named.
  const wchar_t* KeptPath() const { return m_kept[0] != L'\0' ? m_kept : nullptr; }
  // A copy of the kept photo that no read replaces while the printer dialog
  // is open, or an empty path when there is no photo. Valid until
  // ReleasePrintCopy.
  const wchar_t* PrintCopy();
  void ReleasePrintCopy();

 private:
  wchar_t m_kept[kPathCapacity] = {};
  wchar_t m_printed[kPathCapacity] = {};
};
