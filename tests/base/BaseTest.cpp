#include "base/DateTime.h"
#include "base/FileSystem.h"
#include "base/Messages.h"
#include "base/Prompt.h"
#include "base/SystemError.h"
#include "base/Text.h"
#include "ui/WinPrompt.h"

#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <oleauto.h>

#include <random>

using namespace quarrow;

TEST(DateTime, EpochAndKnownDates) {
    EXPECT_DOUBLE_EQ(0.0, EncodeDateTime(1899, 12, 30));
    EXPECT_DOUBLE_EQ(2.0, EncodeDateTime(1900, 1, 1));
    EXPECT_DOUBLE_EQ(36526.5, EncodeDateTime(2000, 1, 1, 12));
    EXPECT_DOUBLE_EQ(-1.25, EncodeDateTime(1899, 12, 29, 6)); // the fraction counts away from zero
}

TEST(DateTime, AgreesWithThePlatformOnRandomDates) {
    std::mt19937 rng(7);
    for (int i = 0; i < 500; ++i) {
        SYSTEMTIME st{};
        st.wYear = static_cast<WORD>(1900 + rng() % 300);
        st.wMonth = static_cast<WORD>(1 + rng() % 12);
        st.wDay = static_cast<WORD>(1 + rng() % DaysInMonth(st.wYear, st.wMonth));
        st.wHour = static_cast<WORD>(rng() % 24);
        st.wMinute = static_cast<WORD>(rng() % 60);
        st.wSecond = static_cast<WORD>(rng() % 60);
        double platform = 0;
        ASSERT_TRUE(SystemTimeToVariantTime(&st, &platform));
        const TDateTime ours = SystemTimeToDateTime(st);
        ASSERT_NEAR(platform, ours, 1e-9) << st.wYear << "-" << st.wMonth << "-" << st.wDay;
        const SYSTEMTIME back = DateTimeToSystemTime(ours);
        ASSERT_EQ(st.wYear, back.wYear);
        ASSERT_EQ(st.wMonth, back.wMonth);
        ASSERT_EQ(st.wDay, back.wDay);
        ASSERT_EQ(st.wHour, back.wHour);
        ASSERT_EQ(st.wMinute, back.wMinute);
        ASSERT_EQ(st.wSecond, back.wSecond);
    }
}

TEST(DateTime, KeepsMillisecondsAndWeekday) {
    SYSTEMTIME st = DateTimeToSystemTime(EncodeDateTime(2026, 12, 7, 20, 37, 46, 123));
    EXPECT_EQ(123, st.wMilliseconds);
    EXPECT_EQ(46, st.wSecond);
    EXPECT_EQ(1, st.wDayOfWeek); // a Monday
}

TEST(DateTime, IncMonthClampsToTheEndOfTheMonth) {
    auto expectDate = [](TDateTime value, int y, int m, int d, int h) {
        const SYSTEMTIME st = DateTimeToSystemTime(value);
        EXPECT_EQ(y, st.wYear);
        EXPECT_EQ(m, st.wMonth);
        EXPECT_EQ(d, st.wDay);
        EXPECT_EQ(h, st.wHour);
    };
    expectDate(IncMonth(EncodeDateTime(2023, 3, 31, 10), -1), 2023, 2, 28, 10);
    expectDate(IncMonth(EncodeDateTime(2024, 3, 31, 10), -1), 2024, 2, 29, 10);
    expectDate(IncMonth(EncodeDateTime(2024, 2, 29, 8), -12), 2023, 2, 28, 8);
    expectDate(IncMonth(EncodeDateTime(2024, 1, 15, 0), -13), 2022, 12, 15, 0);
    expectDate(IncMonth(EncodeDateTime(2024, 12, 31, 23), 2), 2025, 2, 28, 23);
}

// Beyond the dates the platform takes, a move stops at the nearer end of them.
TEST(DateTime, IncMonthStopsAtTheEndsOfTheRange) {
    const TDateTime now = EncodeDateTime(2026, 5, 20, 9, 15);
    EXPECT_EQ(MinDateTime, EncodeDateTime(100, 1, 1));
    EXPECT_EQ(MinDateTime, IncMonth(now, -12 * 1927));
    EXPECT_EQ(MinDateTime, IncMonth(now, -12 * 3000));
    EXPECT_EQ(MinDateTime, IncMonth(now, -12 * 10000));
    EXPECT_EQ(EncodeDateTime(100, 5, 20, 9, 15), IncMonth(now, -12 * 1926));
    EXPECT_EQ(EncodeDateTime(100, 2, 28, 9, 15), IncMonth(EncodeDateTime(100, 3, 31, 9, 15), -1));
    EXPECT_EQ(MaxDateTime, IncMonth(now, 12 * 8000));
    const SYSTEMTIME last = DateTimeToSystemTime(MaxDateTime);
    EXPECT_EQ(9999, last.wYear);
    EXPECT_EQ(31, last.wDay);
    EXPECT_EQ(999, last.wMilliseconds);
}

TEST(Text, AnsiConversionReportsLoss) {
    bool lossless = false;
    EXPECT_EQ("caf\xE9", ToAnsi(L"caf\u00E9", &lossless));
    EXPECT_TRUE(lossless);
    ToAnsi(L"\u0416\u0443\u043A", &lossless); // Cyrillic is not in the Western code page
    EXPECT_FALSE(lossless);
    EXPECT_EQ(L"caf\u00E9", FromAnsi("caf\xE9"));
    EXPECT_EQ("\xD0\x96", ToUtf8(L"\u0416"));
    EXPECT_EQ(L"\u0416", FromUtf8("\xD0\x96"));
}

TEST(Text, CaseInsensitiveLookupAndHelpers) {
    EXPECT_TRUE(SameTextIgnoreCase(L"C:\\Windows", L"c:\\WINDOWS"));
    EXPECT_FALSE(SameTextIgnoreCase(L"C:\\Windows", L"C:\\Windows\\"));
    EXPECT_LT(CompareTextIgnoreCase(L"apple", L"Banana"), 0);
    EXPECT_GT(CompareTextIgnoreCase(L"cherry", L"Banana"), 0);
    const std::vector<std::wstring> list{L"exe", L"COM", L"dll"};
    EXPECT_EQ(1, IndexOfIgnoreCase(list, L"com"));
    EXPECT_EQ(-1, IndexOfIgnoreCase(list, L"co"));
    EXPECT_EQ(L"abc\u00C4.exe", LowerAsciiLetters(L"ABC\u00C4.EXE"));
    EXPECT_EQ((std::vector<std::wstring>{L"exe", L"", L"dll"}), SplitCommaText(L"exe,,dll"));
    EXPECT_EQ(L"C:\\dir\\", IncludeTrailingBackslash(L"C:\\dir"));
    EXPECT_EQ(L"C:\\", IncludeTrailingBackslash(L"C:\\"));
}

// Paths compare as the platform's ordinal comparison without case does, also where they
// differ beyond ASCII or only there.
TEST(Text, PathsCompareAsThePlatformIgnoringCase) {
    EXPECT_TRUE(SamePathIgnoreCase(L"Z:\\Dir\\File.TXT", L"z:\\dir\\file.txt"));
    EXPECT_FALSE(SamePathIgnoreCase(L"Z:\\dir\\a", L"Z:\\dir\\a "));
    EXPECT_TRUE(SamePathIgnoreCase(L"caf\u00C9\\\u0394", L"caf\u00E9\\\u03B4"));
    EXPECT_FALSE(SamePathIgnoreCase(L"a[", L"a{")) << "[ and { differ by 32 as letters do";
    const std::wstring alphabet = L"aAzZ[{@`09_.\u00C4\u00E4\u00DF\u0394\u03B4\u0130i";
    std::mt19937 rng(7);
    for (int i = 0; i < 20000; ++i) {
        std::wstring a(1 + rng() % 4, L' ');
        for (wchar_t& c : a)
            c = alphabet[rng() % alphabet.size()];
        std::wstring b = a;
        b[rng() % b.size()] = alphabet[rng() % alphabet.size()];
        const bool platform = CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                                   static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
        ASSERT_EQ(platform, SamePathIgnoreCase(a, b)) << ToUtf8(a) << " / " << ToUtf8(b);
    }
}

TEST(SystemError, TextHasNoTrailingPunctuation) {
    const std::wstring text = SystemErrorText(ERROR_PATH_NOT_FOUND);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(L'.', text.back());
    EXPECT_GT(text.back(), L' ');
}

TEST(Prompt, ErrorBoxEndsWithAFullStop) {
    test::ScriptedPrompt prompt;
    ShowErrorBox(prompt, L"Unable to write to C:\\x.ini");
    ShowErrorBox(prompt, L"Already ends.");
    ASSERT_EQ(2u, prompt.Records().size());
    EXPECT_EQ(L"Unable to write to C:\\x.ini.", prompt.Records()[0].text);
    EXPECT_EQ(PromptType::Error, prompt.Records()[0].type);
    EXPECT_EQ(L"Already ends.", prompt.Records()[1].text);
}

TEST(Prompt, FileDialogFilterIsDoubleNullTerminated) {
    const std::wstring filter = FileDialogFilter(L"Text files (*.txt)|*.txt|All files (*.*)|*.*");
    const wchar_t* p = filter.c_str();
    std::vector<std::wstring> parts;
    while (*p) {
        parts.emplace_back(p);
        p += parts.back().size() + 1;
    }
    EXPECT_EQ((std::vector<std::wstring>{L"Text files (*.txt)", L"*.txt", L"All files (*.*)", L"*.*"}),
              parts);
}

TEST(Messages, ProcessMessagesKeepsTheQuitRequest) {
    PostQuitMessage(3);
    ProcessMessages();
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(3u, message.wParam);
}

TEST(FileSystem, ExpandsRelativePathsAndKeepsTheTrailingBackslash) {
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    std::wstring expected = current;
    if (!expected.empty() && expected.back() == L'\\')
        expected.pop_back();
    EXPECT_EQ(expected, ExpandFullPath(L"."));
    EXPECT_EQ(L"C:\\windows\\", ExpandFullPath(L"C:\\windows\\system32\\..\\"));
    EXPECT_TRUE(IsExistingDirectory(L"C:\\windows"));
    EXPECT_FALSE(IsExistingDirectory(L"C:\\windows\\no such folder"));
}

// A Linux program started from a test inherits the Linux process's personality. With a
// randomised heap, about one start in 3,000 ended at once with code 1 and no output (see
// scripts/lib.sh).
TEST(TestRuns, WineRunsTheProgramsWithTheLinuxAddressSpaceUnrandomised) {
    const test::TempDir dir(L"personality");
    const std::wstring copy = dir.Sub(L"personality");
    if (test::LinuxPath(copy).empty())
        GTEST_SKIP() << "not under Wine on Linux";
    ASSERT_TRUE(test::RunLinuxCommand(L"/bin/cp /proc/self/personality", copy, {},
                                      [&] { return !test::ReadFileBytes(copy).empty(); }));
    const std::string personality = test::ReadFileBytes(copy);
    constexpr unsigned long AddressNoRandomize = 0x0040000;
    EXPECT_NE(0u, std::stoul(personality, nullptr, 16) & AddressNoRandomize) << personality;
}
