// Card files for the reader emulator made by a test: the sample card under
// other citizen numbers, optionally with a photo the decoder refuses. They
// go into a folder of the build tree, which the emulator (a native program)
// opens by its own path and the test writes through drive Z:.
#pragma once

#include <string>

class EmulatorCards {
 public:
  // folder and sampleCard: host paths.
  EmulatorCards(std::string folder, std::string sampleCard);

  // Writes the variant numbered index (0 to 999) and returns the host path
  // to lay on the emulated reader.
  std::string Variant(int index, bool undecodablePhoto = false) const;
  // The citizen number of the variant numbered index.
  static std::wstring IdNumber(int index);

 private:
  std::string folder_;
  std::string sampleCard_;
};
