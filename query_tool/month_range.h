// The calendar months of the month tree.
#pragma once

#include <windows.h>

// Gregorian: 29 days in February of years divisible by 4 but not by 100,
// or by 400.
int DaysInMonth(int year, int month);

// The first and the last second of a month.
struct MonthRange {
  SYSTEMTIME first;
  SYSTEMTIME last;
};
MonthRange WholeMonth(int year, int month);
