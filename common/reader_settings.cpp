#include "common/reader_settings.h"

#include <windows.h>

#include <cwchar>
#include <limits>
#include <string>

#include "common/profile_path.h"
#include "common/settings_file_rewrite.h"
#include "common/suite_folders.h"

namespace {

constexpr std::int32_t kPeriodMinimum = 100;
constexpr std::int32_t kPeriodMaximum = 1000;

ReaderSettings& Settings() {
  static ReaderSettings settings{};
  return settings;
}

std::int32_t ReadInt(const wchar_t* section, const wchar_t* key, std::int32_t fallback, const wchar_t* file) {
  return static_cast<std::int32_t>(GetPrivateProfileIntW(section, key, fallback, file));
}

std::int32_t ClampPeriod(std::int32_t period) {
  if (period >= kPeriodMaximum) return kPeriodMaximum;
  if (period <= kPeriodMinimum) return kPeriodMinimum;
  return period;
}

// Millimetres from the file to tenths of a millimetre; a hand-edited value
// too large for the result is held at the largest one instead of wrapping.
std::int32_t TenthsOfMillimetre(std::int32_t millimetres) {
  const std::int64_t tenths = static_cast<std::int64_t>(millimetres) * 10;
  if (tenths > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (tenths < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(tenths);
}

// The background picture named in the file, or the shipped bg.bmp of the
// program folder when the file names none (or one too long to be a path).
void LoadBackgroundPicture(const wchar_t* file, wchar_t (&picture)[kPathCapacity]) {
  if (ReadProfilePath(L"Display", L"BgBmp", file, picture) && picture[0] != L'\0') return;
  wchar_t folder[kPathCapacity];
  if (GetProgramFolder(kPathCapacity, folder) == 0 || !JoinPath(folder, L"bg.bmp", picture)) picture[0] = L'\0';
}

bool WriteText(const wchar_t* section, const wchar_t* key, const wchar_t* text, const wchar_t* file) {
  return WritePrivateProfileStringW(section, key, text, file) != FALSE;
}

bool WriteInt(const wchar_t* section, const wchar_t* key, std::int32_t value, const wchar_t* file) {
  return WriteText(section, key, std::to_wstring(value).c_str(), file);
}

// Copies text into field unless it is longer than a path may be; a refused
// text leaves the field as it was.
void SetPathField(wchar_t (&field)[kPathCapacity], const wchar_t* text) {
  const std::size_t length = wcslen(text);
  if (length < kPathCapacity) wmemmove(field, text, length + 1);
}

// The keys a save writes, in the order the file has always had them.
bool WriteEditableKeys(const wchar_t* file) {
  const ReaderSettings& s = Settings();
  // Every write is attempted; the result tells whether all of them landed.
  bool written = WriteInt(L"Display", L"Sound", s.Sound, file);
  written &= WriteInt(L"Display", L"Dialog", s.Dialog, file);
  written &= WriteInt(L"Display", L"Clear", s.Clear, file);
  written &= WriteInt(L"Display", L"ReservedTime", s.ReservedTime, file);
  written &= WriteText(L"Display", L"BgBmp", s.BgBmp, file);
  written &= WriteInt(L"Save", L"AutoSave", s.AutoSave, file);
  written &= WriteText(L"Save", L"SavePath", s.SavePath, file);
  written &= WriteInt(L"Port", L"Type", s.Type, file);
  if (s.Type == kPortTypeUsb) {
    written &= WriteInt(L"Port", L"USBPort", s.USBPort, file);
  } else {
    written &= WriteInt(L"Port", L"COMPort", s.COMPort, file);
  }
  return written;
}

}  // namespace

void LoadSettings() {
  wchar_t file[kPathCapacity];
  if (GetSettingsFilePath(kPathCapacity, file) == 0) return;
  ReaderSettings& s = Settings();
  s.Sound = ReadInt(L"Display", L"Sound", 1, file);
  s.Dialog = ReadInt(L"Display", L"Dialog", 0, file);
  s.Clear = ReadInt(L"Display", L"Clear", 1, file);
  s.ReservedTime = ReadInt(L"Display", L"ReservedTime", 0, file);
  LoadBackgroundPicture(file, s.BgBmp);
  s.AutoSave = ReadInt(L"Save", L"AutoSave", 0, file);
  s.Type = ReadInt(L"Port", L"Type", kPortTypeUsb, file);
  s.COMPort = ReadInt(L"Port", L"COMPort", 1, file);
  s.USBPort = ReadInt(L"Port", L"USBPort", kUsbPortBase + 1, file);
  s.BaudRate = ReadInt(L"Port", L"BaudRate", 115200, file);
  s.ReadAppend = ReadInt(L"Card", L"ReadAppend", 0, file);
  s.Period = ClampPeriod(ReadInt(L"Card", L"Period", 500, file));
  s.Mode = ReadInt(L"Print", L"Mode", 3, file);
  s.frontX = TenthsOfMillimetre(ReadInt(L"Print", L"xPosFront", 0, file));
  s.frontY = TenthsOfMillimetre(ReadInt(L"Print", L"yPosFront", 0, file));
  s.backX = TenthsOfMillimetre(ReadInt(L"Print", L"xPosBack", 90, file));
  s.backY = TenthsOfMillimetre(ReadInt(L"Print", L"yPosBack", 0, file));
}

int SaveSettings() {
  wchar_t file[kPathCapacity];
  if (GetSettingsFilePath(kPathCapacity, file) == 0) return 0;
  return RewriteSettingsFile(file, WriteEditableKeys) ? 1 : 0;
}

ReaderSettings SnapshotSettings() { return Settings(); }
void RestoreSettings(const ReaderSettings& saved) { Settings() = saved; }

const wchar_t* GetSavePath() { return Settings().SavePath; }

int SetSavePath(const wchar_t* text) {
  const std::size_t length = wcslen(text);
  const bool needsBackslash = length > 0 && text[length - 1] != L'\\';
  const std::size_t heldLength = needsBackslash ? length + 1 : length;
  // A folder that cannot be held with its backslash is refused, not cut.
  if (heldLength >= kPathCapacity) return 0;
  wchar_t* path = Settings().SavePath;
  wmemmove(path, text, length);
  if (needsBackslash) path[length] = L'\\';
  path[heldLength] = L'\0';
  return 1;
}

const wchar_t* GetBgBmp() { return Settings().BgBmp; }
void SetBgBmp(const wchar_t* text) { SetPathField(Settings().BgBmp, text); }

std::int32_t GetSound() { return Settings().Sound; }
void SetSound(std::int32_t value) { Settings().Sound = value; }
std::int32_t GetDialog() { return Settings().Dialog; }
void SetDialog(std::int32_t value) { Settings().Dialog = value; }
std::int32_t GetClear() { return Settings().Clear; }
void SetClear(std::int32_t value) { Settings().Clear = value; }
std::int32_t GetReservedTime() { return Settings().ReservedTime; }
void SetReservedTime(std::int32_t value) { Settings().ReservedTime = value; }
std::int32_t GetAutoSave() { return Settings().AutoSave; }
void SetAutoSave(std::int32_t value) { Settings().AutoSave = value; }
std::int32_t GetPortType() { return Settings().Type; }
void SetPortType(std::int32_t value) { Settings().Type = value; }
std::int32_t GetUsbPort() { return Settings().USBPort; }
void SetUsbPort(std::int32_t value) { Settings().USBPort = value; }
std::int32_t GetComPort() { return Settings().COMPort; }
void SetComPort(std::int32_t value) { Settings().COMPort = value; }

std::int32_t GetCurrentPort() {
  const ReaderSettings& s = Settings();
  return s.Type == kPortTypeUsb ? s.USBPort : s.COMPort;
}

void SetCurrentPort(std::int32_t n) {
  ReaderSettings& s = Settings();
  if (s.Type == kPortTypeUsb) {
    s.USBPort = n + kUsbPortBase;
  } else {
    s.COMPort = n;
  }
}

std::int32_t GetBaudRate() { return Settings().BaudRate; }
std::int32_t GetPeriod() { return Settings().Period; }
std::int32_t GetReadAppend() { return Settings().ReadAppend; }

std::int32_t GetPrintPlacement(PrintPosition& front, PrintPosition& back) {
  const ReaderSettings& s = Settings();
  front = {s.frontX, s.frontY};
  back = {s.backX, s.backY};
  return s.Mode;
}
