// Points the reader program's polling loop at the reader emulator, as the
// end-to-end tests need it.
#pragma once

#include <initializer_list>

struct ProfileValue {
  const wchar_t* section;
  const wchar_t* key;
  const wchar_t* value;
};

// Prepares the working folders of the (redirected) profile, writes a quick
// polling period and the further values into the settings file, since the
// loop reads them from there, loads it, and sets the emulator's serial port,
// no sound and no hide timer. False when the folders cannot be prepared.
bool UseEmulatorAsReader(std::initializer_list<ProfileValue> further = {});
