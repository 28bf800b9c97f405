#include "search/Criteria.h"
#include "search/ModificationTime.h"
#include "search/SearchEngine.h"
#include "base/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

using namespace quarrow;

TEST(Criteria, PatternNormalisation) {
    EXPECT_EQ(NormaliseSearchPattern(L""), L"*.*");
    EXPECT_EQ(NormaliseSearchPattern(L"report"), L"*report*");
    EXPECT_EQ(NormaliseSearchPattern(L"a b.txt"), L"*a b.txt*");
    EXPECT_EQ(NormaliseSearchPattern(L"*.TXT"), L"*.TXT");
    EXPECT_EQ(NormaliseSearchPattern(L"file?"), L"file?");
    EXPECT_EQ(NormaliseSearchPattern(L"*.txt;*.doc"), L"*.txt;*.doc");
}

TEST(Criteria, DateThresholdsForEveryUnit) {
    const TDateTime t = EncodeDateTime(2023, 3, 31, 10, 0, 0);
    TDateTime threshold = 0;
    ASSERT_TRUE(MoveBackByDateUnits(t, 1, DateUnitMonths, threshold));
    EXPECT_EQ(threshold, EncodeDateTime(2023, 2, 28, 10, 0, 0));
    ASSERT_TRUE(MoveBackByDateUnits(EncodeDateTime(2024, 3, 31, 10, 0, 0), 1, DateUnitMonths, threshold));
    EXPECT_EQ(threshold, EncodeDateTime(2024, 2, 29, 10, 0, 0));
    ASSERT_TRUE(MoveBackByDateUnits(EncodeDateTime(2024, 2, 29, 8, 30, 0), 1, DateUnitYears, threshold));
    EXPECT_EQ(threshold, EncodeDateTime(2023, 2, 28, 8, 30, 0));
    ASSERT_TRUE(MoveBackByDateUnits(t, 13, DateUnitMonths, threshold));
    EXPECT_EQ(threshold, EncodeDateTime(2022, 2, 28, 10, 0, 0));
    ASSERT_TRUE(MoveBackByDateUnits(t, 2, DateUnitWeeks, threshold));
    EXPECT_EQ(threshold, t - 14);
    ASSERT_TRUE(MoveBackByDateUnits(t, 3, DateUnitDays, threshold));
    EXPECT_EQ(threshold, t - 3);
    ASSERT_TRUE(MoveBackByDateUnits(t, 2, DateUnitHours, threshold));
    EXPECT_NEAR(threshold, t - 2.0 / 24, 1e-9);
    ASSERT_TRUE(MoveBackByDateUnits(t, 90, DateUnitMinutes, threshold));
    EXPECT_NEAR(threshold, EncodeDateTime(2023, 3, 31, 8, 30, 0), 1e-9);

    threshold = 42;
    EXPECT_FALSE(MoveBackByDateUnits(t, 1, -1, threshold));
    EXPECT_EQ(threshold, 42) << "no unit keeps the previous value";
}

// Every count of every unit, from several days of the year: a calendar move keeps the time
// of day and the day (or the month's last), and a move past the earliest date stops there,
// so that "newer than" keeps every file and "older than" none.
TEST(Criteria, DateThresholdsForEveryCountOfEveryUnitInSeveralMonths) {
    const TDateTime nows[] = {
        EncodeDateTime(2026, 1, 31, 23, 59, 58),  EncodeDateTime(2024, 2, 29, 12, 0, 0),
        EncodeDateTime(2026, 3, 31, 10, 0, 0),    EncodeDateTime(2026, 6, 15, 0, 0, 2),
        EncodeDateTime(2026, 11, 30, 8, 30, 0),   EncodeDateTime(2026, 12, 8, 11, 45, 0),
        EncodeDateTime(2107, 12, 31, 23, 59, 58),
    };
    const TDateTime earliestFile = EncodeDateTime(1601, 1, 1);
    for (const TDateTime now : nows) {
        const SYSTEMTIME t = DateTimeToSystemTime(now);
        const int nowMonth = t.wYear * 12 + t.wMonth - 1;
        for (int unit = DateUnitYears; unit <= DateUnitMinutes; ++unit) {
            TDateTime previous = now;
            for (int count = MinCount; count <= MaxCount; ++count) {
                TDateTime threshold = 0;
                ASSERT_TRUE(MoveBackByDateUnits(now, count, unit, threshold));
                const auto where = [&] {
                    return "unit " + std::to_string(unit) + ", count " + std::to_string(count) + ", from " +
                           std::to_string(t.wYear) + "-" + std::to_string(t.wMonth);
                };
                ASSERT_GE(threshold, MinDateTime) << where();
                if (threshold > MinDateTime) {
                    ASSERT_LT(threshold, previous) << where();
                }
                previous = threshold;
                if (unit > DateUnitMonths) {
                    const double days[] = {7.0, 1.0, 1.0 / 24, 1.0 / 1440};
                    ASSERT_NEAR(now - count * days[unit - DateUnitWeeks], threshold, 1e-6) << where();
                    continue;
                }
                const int months = unit == DateUnitYears ? 12 * count : count;
                if (nowMonth - months < 100 * 12) {
                    ASSERT_EQ(MinDateTime, threshold) << where();
                    EXPECT_GT(earliestFile, threshold) << where();
                    continue;
                }
                const SYSTEMTIME s = DateTimeToSystemTime(threshold);
                ASSERT_EQ(nowMonth - months, s.wYear * 12 + s.wMonth - 1) << where();
                ASSERT_EQ(std::min<int>(t.wDay, DaysInMonth(s.wYear, s.wMonth)), s.wDay) << where();
                ASSERT_EQ(t.wHour * 3600 + t.wMinute * 60 + t.wSecond,
                          s.wHour * 3600 + s.wMinute * 60 + s.wSecond)
                    << where();
            }
        }
    }
}

TEST(Criteria, SizeLimitsIn64Bits) {
    EXPECT_EQ(SizeLimitInBytes(3, SizeUnitGB), 3221225472LL);
    EXPECT_EQ(SizeLimitInBytes(10000, SizeUnitGB), 10737418240000LL);
    EXPECT_EQ(SizeLimitInBytes(5, SizeUnitMB), 5LL * 1048576);
    EXPECT_EQ(SizeLimitInBytes(1, SizeUnitKB), 1024);
    EXPECT_EQ(SizeLimitInBytes(7, SizeUnitBytes), 7);
    EXPECT_EQ(SizeLimitInBytes(7, -1), 0);
}

TEST(Criteria, ContentFormsByTheEncodingOfTheFile) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "expectations written for code page 1252";
    using Forms = std::vector<std::pair<std::string, TTextForm>>;
    const auto forms = [](const std::wstring& text, TFileEncoding encoding) {
        Forms result;
        const TContentForms all(text);
        for (const TContentForm& form : all.In(encoding))
            result.emplace_back(form.Bytes, form.Form);
        return result;
    };
    using enum TTextForm;
    EXPECT_EQ(forms(L"plain", TFileEncoding::Bytes), (Forms{{"plain", Ansi}})) << "one scan for ASCII text";
    EXPECT_EQ(forms(L"plain", TFileEncoding::Utf8), (Forms{{"plain", Utf8}}));
    EXPECT_EQ(forms(L"caf\u00E9", TFileEncoding::Bytes), (Forms{{"caf\xE9", Ansi}, {"caf\xC3\xA9", Utf8}}));
    EXPECT_EQ(forms(L"caf\u00E9", TFileEncoding::Utf8), (Forms{{"caf\xC3\xA9", Utf8}}));
    EXPECT_EQ(forms(L"\u03A9mega", TFileEncoding::Bytes), (Forms{{"\xCE\xA9mega", Utf8}}))
        << "never a '?' substitute";
    EXPECT_EQ(forms(L"\u03A9a", TFileEncoding::Utf16Le), (Forms{{std::string("\xA9\x03"
                                                                             "a\0",
                                                                             4),
                                                                 Utf16Le}}));
    EXPECT_EQ(forms(L"\u03A9a", TFileEncoding::Utf16Be), (Forms{{std::string("\x03\xA9\0"
                                                                             "a",
                                                                             4),
                                                                 Utf16Be}}));
    for (const TFileEncoding encoding :
         {TFileEncoding::Bytes, TFileEncoding::Utf8, TFileEncoding::Utf16Le, TFileEncoding::Utf16Be})
        EXPECT_TRUE(forms(L"", encoding).empty()) << "an empty text is found nowhere";
}

// Whatever a count box holds, the search uses a number of the up-down's range.
TEST(Criteria, CountFromTheTextOfACountBox) {
    EXPECT_EQ(CountFromText(L"250"), 250);
    EXPECT_EQ(CountFromText(L" 7 "), 7);
    EXPECT_EQ(CountFromText(L"10000"), 10000);
    for (const wchar_t* clampedUp : {L"0", L"", L"   ", L"-1", L"abc", L"12a", L"1.5"})
        EXPECT_EQ(CountFromText(clampedUp), 1) << ToUtf8(clampedUp);
    for (const wchar_t* clampedDown : {L"10001", L"99999", L"99999999999999999999999"})
        EXPECT_EQ(CountFromText(clampedDown), 10000) << ToUtf8(clampedDown);
}

TEST(Criteria, FileExtension) {
    EXPECT_EQ(TSearchEngine::GetFileExtension(L"a.tar.GZ"), L"GZ");
    EXPECT_EQ(TSearchEngine::GetFileExtension(L".profile"), L"profile");
    EXPECT_EQ(TSearchEngine::GetFileExtension(L"trailing."), L"");
    EXPECT_EQ(TSearchEngine::GetFileExtension(L"noext"), L"");
    EXPECT_EQ(TSearchEngine::GetFileExtension(L"C:\\dir.d\\noext"), L"");
    EXPECT_EQ(TSearchEngine::GetFileExtension(L"C:file.txt"), L"txt");
}

TEST(ModificationTime, FollowsThePlatformRuleInTheDosRangeAndIsExactOutsideIt) {
    TModificationTimeRule rule;
    std::mt19937_64 rng(99);
    auto ticksOf = [](WORD year) {
        SYSTEMTIME st{year, 1, 0, 1, 0, 0, 0, 0};
        FILETIME ft;
        SystemTimeToFileTime(&st, &ft);
        return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    };
    // DosDateTimeToVariantTime takes no year after 2099.
    const uint64_t first = ticksOf(1980), last = ticksOf(2100);
    for (int i = 0; i < 20000; ++i) {
        const uint64_t ticks = first + rng() % (last - first);
        FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)}, local;
        WORD date, time;
        DOUBLE expected;
        ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
        ASSERT_TRUE(FileTimeToDosDateTime(&local, &date, &time));
        ASSERT_TRUE(DosDateTimeToVariantTime(date, time, &expected));
        ASSERT_NEAR(rule.FromUtc(utc), expected, 1e-8) << ticks;
    }
    SYSTEMTIME st{2107, 12, 0, 31, 23, 59, 59, 999};
    FILETIME utc;
    ASSERT_TRUE(SystemTimeToFileTime(&st, &utc));
    EXPECT_EQ(rule.FromUtc(utc), EncodeDateTime(2107, 12, 31, 23, 59, 58)) << "TZ=UTC: the last DOS time";
    st = {1970, 1, 4, 1, 12, 34, 57, 789};
    ASSERT_TRUE(SystemTimeToFileTime(&st, &utc));
    FILETIME local;
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    ASSERT_TRUE(FileTimeToSystemTime(&local, &st));
    EXPECT_NEAR(rule.FromUtc(utc), SystemTimeToDateTime(st), 1e-9);
    st = {2150, 6, 0, 15, 1, 2, 3, 4};
    ASSERT_TRUE(SystemTimeToFileTime(&st, &utc));
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    ASSERT_TRUE(FileTimeToSystemTime(&local, &st));
    EXPECT_NEAR(rule.FromUtc(utc), SystemTimeToDateTime(st), 1e-9) << "after 2107";
}
