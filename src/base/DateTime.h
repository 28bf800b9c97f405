#pragma once
// TDateTime: days since 30 December 1899 with the time of day as fraction (the OLE
// automation date). All times of the program are local times in this form.

#include <windows.h>

#include <cstdint>

namespace quarrow {

using TDateTime = double;

constexpr double MillisecondsPerDay = 86400000.0;

// The dates the platform's date functions take: 1 January 100 00:00 to the last
// millisecond of 31 December 9999.
constexpr TDateTime MinDateTime = -657434.0;
constexpr TDateTime MaxDateTime = 2958465.0 + (MillisecondsPerDay - 1) / MillisecondsPerDay;

// Exact conversions that keep milliseconds (the Variant functions drop them).
TDateTime SystemTimeToDateTime(const SYSTEMTIME& st);
SYSTEMTIME DateTimeToSystemTime(TDateTime value);
TDateTime EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                         int millisecond = 0);

// The local clock now.
TDateTime NowLocal();

// Moves a date by whole calendar months, keeping the time of day; a day beyond the end of
// the target month becomes its last day. A month outside MinDateTime to MaxDateTime gives
// the nearer end of that range.
TDateTime IncMonth(TDateTime value, int months);

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

} // namespace quarrow
