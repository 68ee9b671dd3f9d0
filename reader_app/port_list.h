// The port list of the configuration dialog: the USB reader, or the serial
// ports that can be opened right now.
#pragma once

#include <windows.h>

// Item value of the USB entry; stored as USB port 1001.
inline constexpr int kUsbListValue = 1;

// Empties the drop-down list and adds one selected entry "USB".
void FillUsbPortList(HWND list);
// Empties the drop-down list and adds "COMn" (item value n) for each of
// COM1..COM16 that opens at this moment, selecting the one numbered
// preselected; nothing is selected when none matches.
void FillSerialPortList(HWND list, int preselected);
// The item value of the selected entry, or -1 when nothing is selected.
int SelectedPortValue(HWND list);
