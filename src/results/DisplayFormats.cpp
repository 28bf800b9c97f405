#include "results/DisplayFormats.h"

#include <cstdio>
#include <string_view>

namespace quarrow {
namespace {

std::wstring LocaleText(const wchar_t* localeName, LCTYPE type, const wchar_t* fallback) {
    wchar_t buffer[32] = {};
    if (GetLocaleInfoEx(localeName, type, buffer, 32) <= 1)
        return fallback;
    return buffer;
}

UINT LocaleNumber(const wchar_t* localeName, LCTYPE type, UINT fallback) {
    DWORD value = 0;
    if (GetLocaleInfoEx(localeName, type | LOCALE_RETURN_NUMBER, reinterpret_cast<LPWSTR>(&value),
                        sizeof(value) / sizeof(wchar_t)) == 0)
        return fallback;
    return value;
}

// LOCALE_SGROUPING reads "3;0" or "3;2;0"; NUMBERFMT wants 3 or 32.
UINT ParseGrouping(std::wstring_view text) {
    if (text == L"3;2;0")
        return 32;
    if (!text.empty() && text[0] >= L'0' && text[0] <= L'9')
        return static_cast<UINT>(text[0] - L'0');
    return 3;
}

std::wstring Digits(int value, int width) {
    wchar_t buffer[16];
    std::swprintf(buffer, 16, L"%0*d", width, value);
    return buffer;
}

std::wstring TwoDigits(int value) {
    return Digits(value, 2);
}

} // namespace

TLocaleFormat TLocaleFormat::Load(const wchar_t* localeName) {
    TLocaleFormat format;
    format.ThousandSeparator = LocaleText(localeName, LOCALE_STHOUSAND, L",");
    format.DecimalSeparator = LocaleText(localeName, LOCALE_SDECIMAL, L".");
    format.Grouping = ParseGrouping(LocaleText(localeName, LOCALE_SGROUPING, L"3;0"));
    format.NegativeOrder = LocaleNumber(localeName, LOCALE_INEGNUMBER, 1);
    format.DateSeparator = LocaleText(localeName, LOCALE_SDATE, L"/");
    format.TimeSeparator = LocaleText(localeName, LOCALE_STIME, L":");
    return format;
}

const TLocaleFormat& TLocaleFormat::User() {
    static const TLocaleFormat user = Load(LOCALE_NAME_USER_DEFAULT);
    return user;
}

std::wstring FormatCount(int64_t value, const TLocaleFormat& format) {
    const std::wstring digits = std::to_wstring(value);
    NUMBERFMTW numberFormat{};
    numberFormat.NumDigits = 0;
    numberFormat.LeadingZero = 1;
    numberFormat.Grouping = format.Grouping;
    numberFormat.lpDecimalSep = const_cast<wchar_t*>(format.DecimalSeparator.c_str());
    numberFormat.lpThousandSep = const_cast<wchar_t*>(format.ThousandSeparator.c_str());
    numberFormat.NegativeOrder = format.NegativeOrder;
    wchar_t buffer[64] = {};
    if (GetNumberFormatEx(LOCALE_NAME_INVARIANT, 0, digits.c_str(), &numberFormat, buffer, 64) == 0)
        return digits;
    return buffer;
}

int64_t KilobytesRoundedUp(int64_t bytes) {
    return bytes / 1024 + (bytes % 1024 > 0 ? 1 : 0);
}

std::wstring SizeText(int64_t bytes, const TLocaleFormat& format) {
    const int64_t kilobytes = KilobytesRoundedUp(bytes);
    return FormatCount(kilobytes == 0 ? 1 : kilobytes, format) + L" KB";
}

std::wstring DateText(TDateTime value, const TLocaleFormat& format) {
    const SYSTEMTIME st = DateTimeToSystemTime(value);
    return TwoDigits(st.wDay) + format.DateSeparator + TwoDigits(st.wMonth) + format.DateSeparator +
           Digits(st.wYear, 4) + L" " + TwoDigits(st.wHour) + format.TimeSeparator + TwoDigits(st.wMinute);
}

std::wstring ElapsedTimeText(TDateTime duration, const TLocaleFormat& format) {
    const SYSTEMTIME st = DateTimeToSystemTime(duration);
    return TwoDigits(st.wMinute) + format.TimeSeparator + TwoDigits(st.wSecond) + format.TimeSeparator +
           Digits(st.wMilliseconds, 3);
}

} // namespace quarrow
