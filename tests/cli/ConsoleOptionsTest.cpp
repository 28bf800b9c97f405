// The console program's options as the criteria the window's controls would hold, and the
// JSON lines it writes.

#include "cli/ConsoleOptions.h"
#include "cli/ResultLines.h"
#include "search/Criteria.h"

#include <gtest/gtest.h>

#include <memory>

using namespace quarrow;

namespace {

TConsoleOptions Parse(std::vector<std::wstring> arguments) {
    const TConsoleParse parse = ParseConsoleOptions(arguments);
    EXPECT_EQ(L"", parse.Error);
    return parse.Options;
}

TEST(ConsoleOptions, DefaultsAreTheWindowsAtStartInTheCurrentFolder) {
    const TConsoleOptions o = Parse({});
    const TSearchInput window;
    EXPECT_EQ(TConsoleOptions::TAction::Search, o.Action);
    EXPECT_EQ(L".", o.Input.LocationText);
    EXPECT_EQ(L"", o.Input.PatternText);
    EXPECT_EQ(window.SearchInSubfolders, o.Input.SearchInSubfolders);
    EXPECT_EQ(window.ShowMatchingFilenames, o.Input.ShowMatchingFilenames);
    EXPECT_EQ(window.ShowMatchingFoldernames, o.Input.ShowMatchingFoldernames);
    EXPECT_FALSE(o.Input.SearchForDateTime);
    EXPECT_FALSE(o.Input.SearchForSize);
    EXPECT_TRUE(o.Input.CTIgnoreExecutableFiles);
    EXPECT_TRUE(o.Input.CTIgnoreMediaFiles);
    EXPECT_FALSE(o.Input.CTCaseSensitive);
    EXPECT_EQ(TOutputFormat::Txt, o.Format);
    EXPECT_EQ(0, o.MaxResults);
    EXPECT_FALSE(o.ListNotSearched);
}

TEST(ConsoleOptions, EachCriterionSetsItsControl) {
    const TConsoleOptions o = Parse({L"--no-subfolders",
                                     L"--show",
                                     L"both",
                                     L"--name=*.log",
                                     L"D:\\Logs",
                                     L"--text",
                                     L"Error 42",
                                     L"--case-sensitive",
                                     L"--search-system-files",
                                     L"--search-media-files",
                                     L"--exclude",
                                     L"D:\\Logs\\old",
                                     L"--exclude=D:\\Logs\\tmp",
                                     L"--use-saved-exclusions",
                                     L"--format",
                                     L"JSON",
                                     L"--output",
                                     L"out.json",
                                     L"--max-results",
                                     L"250",
                                     L"--quiet",
                                     L"--list-not-searched"});
    EXPECT_EQ(L"D:\\Logs", o.Input.LocationText);
    EXPECT_EQ(L"*.log", o.Input.PatternText);
    EXPECT_FALSE(o.Input.SearchInSubfolders);
    EXPECT_TRUE(o.Input.ShowMatchingFilenames);
    EXPECT_TRUE(o.Input.ShowMatchingFoldernames);
    EXPECT_EQ(L"Error 42", o.Input.ContainingText);
    EXPECT_TRUE(o.Input.CTCaseSensitive);
    EXPECT_FALSE(o.Input.CTIgnoreExecutableFiles);
    EXPECT_FALSE(o.Input.CTIgnoreMediaFiles);
    EXPECT_EQ((std::vector<std::wstring>{L"D:\\Logs\\old", L"D:\\Logs\\tmp"}), o.ExcludeFolders);
    EXPECT_TRUE(o.UseSavedExclusions);
    EXPECT_EQ(TOutputFormat::Json, o.Format);
    EXPECT_EQ(L"out.json", o.OutputFile);
    EXPECT_EQ(250, o.MaxResults);
    EXPECT_TRUE(o.Quiet);
    EXPECT_TRUE(o.ListNotSearched);

    const TConsoleOptions folders = Parse({L"--show", L"folders", L"--all-drives"});
    EXPECT_FALSE(folders.Input.ShowMatchingFilenames);
    EXPECT_TRUE(folders.Input.ShowMatchingFoldernames);
    EXPECT_EQ(L"Local Hard Drives", folders.Input.LocationText);
}

TEST(ConsoleOptions, DatesAndSizesAsTheWindowsCountsAndUnits) {
    struct Age {
        std::wstring text;
        int count;
        int unit;
    };
    for (const Age& age : {Age{L"2d", 2, DateUnitDays}, Age{L"3 weeks", 3, DateUnitWeeks},
                           Age{L"1Y", 1, DateUnitYears}, Age{L"6months", 6, DateUnitMonths},
                           Age{L"10000 min", 10000, DateUnitMinutes}, Age{L"12h", 12, DateUnitHours}}) {
        SCOPED_TRACE(age.text);
        const TConsoleOptions o = Parse({L"--older-than", age.text});
        EXPECT_TRUE(o.Input.SearchForDateTime);
        EXPECT_TRUE(o.Input.DSOlderThan);
        EXPECT_FALSE(o.Input.DSNewerThan);
        EXPECT_EQ(age.count, o.Input.DTCount);
        EXPECT_EQ(age.unit, o.Input.DTUnitIndex);
    }
    for (const wchar_t* bad : {L"0d", L"10001d", L"2", L"d", L"2 fortnights", L"-1d"})
        EXPECT_NE(L"", ParseConsoleOptions({L"--newer-than", bad}).Error) << bad;

    const TConsoleOptions between = Parse({L"--between", L"2024-02-29", L"2024-03-01T13:30:15"});
    EXPECT_TRUE(between.Input.DSBetween);
    EXPECT_DOUBLE_EQ(EncodeDateTime(2024, 2, 29), between.Input.BeginDate);
    EXPECT_DOUBLE_EQ(EncodeDateTime(2024, 3, 1, 13, 30, 15), between.Input.EndDate);
    EXPECT_DOUBLE_EQ(EncodeDateTime(2024, 3, 1, 13, 30),
                     Parse({L"--between", L"2024-01-01", L"2024-03-01 13:30"}).Input.EndDate);
    for (const wchar_t* bad :
         {L"2023-02-29", L"2024-13-01", L"24-01-01", L"2024-01-01T25:00", L"2024-01-01T10"})
        EXPECT_NE(L"", ParseConsoleOptions({L"--between", bad, L"2025-01-01"}).Error) << bad;

    const TConsoleOptions larger = Parse({L"--larger-than", L"3GB"});
    EXPECT_TRUE(larger.Input.SearchForSize);
    EXPECT_TRUE(larger.Input.SZLargerThan);
    EXPECT_EQ(3221225472LL, SizeLimitInBytes(larger.Input.SZCount, larger.Input.SZUnitIndex));
    const TConsoleOptions smaller = Parse({L"--smaller-than", L"500 bytes"});
    EXPECT_TRUE(smaller.Input.SZSmallerThan);
    EXPECT_FALSE(smaller.Input.SZLargerThan);
    EXPECT_EQ(500, SizeLimitInBytes(smaller.Input.SZCount, smaller.Input.SZUnitIndex));
    EXPECT_EQ(1024 * 1024 * 15LL, SizeLimitInBytes(Parse({L"--larger-than=15mb"}).Input.SZCount, SizeUnitMB));
    EXPECT_NE(L"", ParseConsoleOptions({L"--larger-than", L"3TB"}).Error);
    EXPECT_NE(L"", ParseConsoleOptions({L"--larger-than", L"1KB", L"--smaller-than", L"2KB"}).Error);
}

TEST(ConsoleOptions, HelpVersionAndTheEndOfOptions) {
    EXPECT_EQ(TConsoleOptions::TAction::Help, Parse({L"/?"}).Action);
    EXPECT_EQ(TConsoleOptions::TAction::Help, Parse({L"-h"}).Action);
    EXPECT_EQ(TConsoleOptions::TAction::Version, Parse({L"--version"}).Action);
    EXPECT_EQ(L"-folder", Parse({L"--", L"-folder"}).Input.LocationText);
    EXPECT_NE(L"", ParseConsoleOptions({L"-x"}).Error);
}

TEST(ResultLines, JsonEscapesWhatJsonMustAndKeepsEverythingElse) {
    EXPECT_EQ(L"\"C:\\\\a \\\"b\\\"\\\\c\"", JsonString(L"C:\\a \"b\"\\c"));
    EXPECT_EQ(L"\"tab\\tline\\nx\\u0001\"", JsonString(L"tab\tline\nx\x01"));
    EXPECT_EQ(L"\"\u00e9\U0001F600\"", JsonString(L"\u00e9\U0001F600"));
    // A lone surrogate (a name the file system allows) survives as an escape.
    EXPECT_EQ(L"\"a\\ud800b\"", JsonString(std::wstring(L"a") + wchar_t(0xD800) + L"b"));

    TShellItem item;
    item.Name = L"x.txt";
    item.FolderText = std::make_shared<const std::wstring>(L"C:\\d\\");
    item.Size = 5000000000LL;
    const SYSTEMTIME oddSecond{2006, 12, 0, 31, 23, 59, 59, 999};
    ASSERT_TRUE(SystemTimeToFileTime(&oddSecond, &item.LastWrite));
    EXPECT_EQ(
        L"{\"path\": \"C:\\\\d\\\\x.txt\", \"size\": 5000000000, \"modified\": \"2006-12-31T23:59:59Z\", "
        L"\"folder\": false}",
        JsonLine(item));
    item.IsFolder = true;
    EXPECT_NE(std::wstring::npos, JsonLine(item).find(L"\"folder\": true}"));
}

} // namespace
