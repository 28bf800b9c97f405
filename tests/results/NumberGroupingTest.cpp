#include "results/DisplayFormats.h"

#include <gtest/gtest.h>

#include <map>

using namespace quarrow;

// "#,##0" groups by three, with the locale's separator; the locale's own grouping (such as
// the Indian 3;2;0) plays no part.
TEST(NumberGrouping, AlwaysByThreeWhateverTheLocaleGroups) {
    for (const wchar_t* locale : {L"en-IN", L"hi-IN"}) {
        const TLocaleFormat format = TLocaleFormat::Load(locale);
        EXPECT_EQ(L"1,234,567", FormatCount(1234567, format));
        EXPECT_EQ(L"12,345,678,901", FormatCount(12345678901LL, format));
        EXPECT_EQ(L"1,206 KB", SizeText(1234567, format));
    }
}

// A locale may separate thousands with nothing; only a missing value falls back to ",".
TEST(NumberGrouping, AnEmptyLocaleSeparatorGivesUngroupedDigits) {
    const auto reader = [](std::optional<std::wstring> thousands) {
        return [thousands](LCTYPE item) -> std::optional<std::wstring> {
            const std::map<LCTYPE, std::wstring> values{{LOCALE_SDECIMAL, L","},
                                                        {LOCALE_SDATE, L"."},
                                                        {LOCALE_STIME, L":"},
                                                        {LOCALE_INEGNUMBER, L"1"}};
            if (item == LOCALE_STHOUSAND)
                return thousands;
            const auto found = values.find(item);
            return found == values.end() ? std::nullopt : std::optional<std::wstring>(found->second);
        };
    };
    const TLocaleFormat none = TLocaleFormat::Read(reader(std::wstring()));
    EXPECT_EQ(L"", none.ThousandSeparator);
    EXPECT_EQ(L"1234567", FormatCount(1234567, none));
    EXPECT_EQ(L"1206 KB", SizeText(1234567, none));
    EXPECT_EQ(L"-42", FormatCount(-42, none));

    const TLocaleFormat missing = TLocaleFormat::Read(reader(std::nullopt));
    EXPECT_EQ(L"1,234,567", FormatCount(1234567, missing));
    const TLocaleFormat apostrophe = TLocaleFormat::Read(reader(std::wstring(L"'")));
    EXPECT_EQ(L"1'234'567", FormatCount(1234567, apostrophe));
}
