#include "query_tool/month_range.h"

int DaysInMonth(int year, int month) {
  constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

MonthRange WholeMonth(int year, int month) {
  MonthRange range{};
  range.first.wYear = range.last.wYear = static_cast<WORD>(year);
  range.first.wMonth = range.last.wMonth = static_cast<WORD>(month);
  range.first.wDay = 1;
  range.last.wDay = static_cast<WORD>(DaysInMonth(year, month));
  range.last.wHour = 23;
  range.last.wMinute = 59;
  range.last.wSecond = 59;
  return range;
}
