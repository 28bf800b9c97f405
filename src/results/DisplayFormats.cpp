#include "results/DisplayFormats.h"

#include <cstdio>

namespace quarrow {
namespace {

std::optional<std::wstring> LocaleText(const wchar_t* localeName, LCTYPE type) {
    wchar_t buffer[32] = {};
    const int length = GetLocaleInfoEx(localeName, type, buffer, 32);
    if (length == 0)
        return std::nullopt;
    return std::wstring(buffer, static_cast<size_t>(length - 1));
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
    return Read([localeName](LCTYPE item) { return LocaleText(localeName, item); });
}

TLocaleFormat TLocaleFormat::Read(const TLocaleReader& read) {
    TLocaleFormat format;
    format.ThousandSeparator = read(LOCALE_STHOUSAND).value_or(format.ThousandSeparator);
    const auto nonEmpty = [&read](LCTYPE item, const std::wstring& fallback) {
        const std::optional<std::wstring> value = read(item);
        return value && !value->empty() ? *value : fallback;
    };
    format.DecimalSeparator = nonEmpty(LOCALE_SDECIMAL, format.DecimalSeparator);
    format.DateSeparator = nonEmpty(LOCALE_SDATE, format.DateSeparator);
    format.TimeSeparator = nonEmpty(LOCALE_STIME, format.TimeSeparator);
    const std::optional<std::wstring> negative = read(LOCALE_INEGNUMBER);
    if (negative && negative->size() == 1 && (*negative)[0] >= L'0' && (*negative)[0] <= L'4')
        format.NegativeOrder = static_cast<UINT>((*negative)[0] - L'0');
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
    numberFormat.Grouping = 3;
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
