#include "base/DateTime.h"

#include <algorithm>
#include <cmath>

namespace quarrow {
namespace {

// Days from 1899-12-30 for a proleptic Gregorian date (H. Hinnant's days_from_civil).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    constexpr int64_t unixTo1899 = 25569; // 1970-01-01 is day 25569
    return era * 146097 + static_cast<int64_t>(doe) - 719468 + unixTo1899;
}

void CivilFromDays(int64_t days, int& year, int& month, int& day) {
    int64_t z = days - 25569 + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (month <= 2));
}

} // namespace

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond) {
    const double date =
        static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)));
    const double time =
        (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond) / MillisecondsPerDay;
    // Before 1899-12-30 the time of day counts away from zero, as in the OLE date.
    return date >= 0 ? date + time : date - time;
}

TDateTime SystemTimeToDateTime(const SYSTEMTIME& st) {
    return EncodeDateTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

SYSTEMTIME DateTimeToSystemTime(TDateTime value) {
    // Work in whole milliseconds so that 10:00:00.000 never reads back as 09:59:59.999.
    const double whole = std::trunc(value);
    const double fraction = std::fabs(value - whole);
    int64_t days = static_cast<int64_t>(whole);
    int64_t ms = std::llround(fraction * MillisecondsPerDay);
    if (ms >= static_cast<int64_t>(MillisecondsPerDay)) {
        ms -= static_cast<int64_t>(MillisecondsPerDay);
        days += value >= 0 ? 1 : -1;
    }
    SYSTEMTIME st{};
    int year, month, day;
    CivilFromDays(days, year, month, day);
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    st.wDayOfWeek = static_cast<WORD>(((days % 7) + 7 + 6) % 7); // 1899-12-30 was a Saturday
    st.wHour = static_cast<WORD>(ms / 3600000);
    st.wMinute = static_cast<WORD>(ms / 60000 % 60);
    st.wSecond = static_cast<WORD>(ms / 1000 % 60);
    st.wMilliseconds = static_cast<WORD>(ms % 1000);
    return st;
}

TDateTime NowLocal() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return SystemTimeToDateTime(st);
}

TDateTime IncMonth(TDateTime value, int months) {
    const SYSTEMTIME st = DateTimeToSystemTime(value);
    const int64_t monthIndex = int64_t{st.wYear} * 12 + (st.wMonth - 1) + months;
    if (monthIndex < 100 * 12)
        return MinDateTime;
    if (monthIndex >= 10000 * 12)
        return MaxDateTime;
    const int year = static_cast<int>(monthIndex / 12);
    const int month = static_cast<int>(monthIndex % 12) + 1;
    const int day = std::min<int>(st.wDay, DaysInMonth(year, month));
    return EncodeDateTime(year, month, day, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

} // namespace quarrow
