// The process-wide settings record, loaded from and saved to RoraDI.ini in
// the settings folder. Written only on the window thread; the card polling
// thread reads it while no dialog can change it.
#pragma once

#include <cstdint>

#include "common/path_capacity.h"

struct ReaderSettings {
  wchar_t SavePath[kPathCapacity];
  wchar_t BgBmp[kPathCapacity];
  // The sixteen integers that LoadSettings clears before it reads.
  std::int32_t Sound;
  std::int32_t Dialog;
  std::int32_t Clear;
  std::int32_t ReservedTime;
  std::int32_t AutoSave;
  std::int32_t Type;
  std::int32_t USBPort;
  std::int32_t COMPort;
  std::int32_t BaudRate;
  std::int32_t Period;
  std::int32_t ReadAppend;
  std::int32_t Mode;
  std::int32_t frontX;
  std::int32_t frontY;
  std::int32_t backX;
  std::int32_t backY;
};

// Port kind value of Type that selects the USB reader.
inline constexpr std::int32_t kPortTypeUsb = 1;
// Port numbers of 1000 and above name the USB reader.
inline constexpr std::int32_t kUsbPortBase = 1000;

// Placement of one printed face, in tenths of a millimetre.
struct PrintPosition {
  std::int32_t x;
  std::int32_t y;
};

void LoadSettings();
// Result of the last profile write (non-zero on success), or 0 when the
// settings folder cannot be had.
int SaveSettings();
// The whole record, to be put back when a change cannot be saved.
ReaderSettings SnapshotSettings();
void RestoreSettings(const ReaderSettings& saved);

const wchar_t* GetSavePath();
// 1 when stored; 0, keeping the folder set before, when the folder with
// its trailing backslash would be longer than a path may be.
int SetSavePath(const wchar_t* text);
const wchar_t* GetBgBmp();
void SetBgBmp(const wchar_t* text);
std::int32_t GetSound();
void SetSound(std::int32_t value);
std::int32_t GetDialog();
void SetDialog(std::int32_t value);
std::int32_t GetClear();
void SetClear(std::int32_t value);
std::int32_t GetReservedTime();
void SetReservedTime(std::int32_t value);
std::int32_t GetAutoSave();
void SetAutoSave(std::int32_t value);
std::int32_t GetPortType();
void SetPortType(std::int32_t value);
std::int32_t GetUsbPort();
void SetUsbPort(std::int32_t value);
std::int32_t GetComPort();
void SetComPort(std::int32_t value);
// USBPort when Type is 1, else COMPort.
std::int32_t GetCurrentPort();
// n + 1000 into USBPort when Type is 1, else n into COMPort.
void SetCurrentPort(std::int32_t n);
std::int32_t GetBaudRate();
std::int32_t GetPeriod();
std::int32_t GetReadAppend();
// Fills both placements and returns Mode.
std::int32_t GetPrintPlacement(PrintPosition& front, PrintPosition& back);
