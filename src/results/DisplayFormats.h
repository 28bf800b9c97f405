#pragma once
// The texts the result list, the status bar and the exports show for numbers, sizes and
// dates, with the separators of a locale.

#include "base/DateTime.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quarrow {

// The separators of one locale, read once.
struct TLocaleFormat {
    std::wstring ThousandSeparator = L","; // may be empty: digits are then not separated
    std::wstring DecimalSeparator = L".";
    UINT NegativeOrder = 1;
    std::wstring DateSeparator = L"/";
    std::wstring TimeSeparator = L":";

    static TLocaleFormat Load(const wchar_t* localeName);
    // From the values `read` gives, by locale item; none where the locale has no value.
    using TLocaleReader = std::function<std::optional<std::wstring>(LCTYPE item)>;
    static TLocaleFormat Read(const TLocaleReader& read);
    // The user's locale, as it was at the first call.
    static const TLocaleFormat& User();
};

// An integer with digits grouped by three and the locale's separator ("#,##0"), whatever
// grouping the locale itself uses.
std::wstring FormatCount(int64_t value, const TLocaleFormat& format = TLocaleFormat::User());

// Kilobytes rounded up: (bytes + 1023) div 1024.
int64_t KilobytesRoundedUp(int64_t bytes);

// "%s KB" of the rounded-up kilobytes; an empty file shows 1 KB.
std::wstring SizeText(int64_t bytes, const TLocaleFormat& format = TLocaleFormat::User());

// "dd/mm/yyyy hh:mm" with the locale's date and time separators.
std::wstring DateText(TDateTime value, const TLocaleFormat& format = TLocaleFormat::User());

// A duration as "nn:ss:zzz" (minutes, seconds, milliseconds; whole hours are not shown).
std::wstring ElapsedTimeText(TDateTime duration, const TLocaleFormat& format = TLocaleFormat::User());

} // namespace quarrow
