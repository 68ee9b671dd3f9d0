// Driving the query window in its own modal loop: pickers, buttons, the
// spin control's arrows, the month tree and the result list.
#pragma once

#include <windows.h>

#include <string>

#include "query_fixture.h"
#include "query_tool/pellory_dlg.h"
#include "support/modal_driver.h"

void SetPickers(HWND window, SYSTEMTIME from, SYSTEMTIME to);
SYSTEMTIME PickerTime(HWND window, int id);
// Sets the pickers around a whole year and clicks "查询".
void QueryYear(HWND window, int year);
// Presses and releases the left button on the spin control's right (next)
// or left (previous) arrow.
void ClickSpinArrow(HWND window, bool right);
int ListRows(HWND window);
std::wstring ListText(HWND window, int item, int column);
std::wstring StatusText(HWND window);
// Selects the month item of the tree; false when the tree has no such month.
bool PickMonth(HWND window, int year, int month);
// Takes a screenshot of the window after it has repainted.
void SaveScreenshot(HWND window, const char* name);
