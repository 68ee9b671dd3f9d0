#include "support/emulator_reader.h"

#include <windows.h>

#include "common/reader_settings.h"
#include "common/working_folders.h"
#include "support/emulator_control.h"

bool UseEmulatorAsReader(std::initializer_list<ProfileValue> further) {
  if (PrepareWorkingFolders() != 1) return false;
  wchar_t file[kPathCapacity];
  if (GetSettingsFilePath(kPathCapacity, file) <= 0) return false;
  WritePrivateProfileStringW(L"Card", L"Period", L"100", file);
  for (const ProfileValue& value : further) WritePrivateProfileStringW(value.section, value.key, value.value, file);
  LoadSettings();
  SetPortType(0);
  SetComPort(EmulatorComPort());
  SetSound(0);
  SetReservedTime(0);
  return true;
}
