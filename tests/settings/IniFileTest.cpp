#include "base/SystemError.h"
#include "settings/IniFile.h"

#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace quarrow;
using quarrow::test::TempDir;

namespace {

int FilesIn(const std::wstring& folder) {
    return static_cast<int>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

} // namespace

TEST(IniInteger, DecimalHexadecimalAndGarbage) {
    EXPECT_EQ(42, ParseIniInteger(L"42"));
    EXPECT_EQ(-7, ParseIniInteger(L"-7"));
    EXPECT_EQ(5, ParseIniInteger(L"+5"));
    EXPECT_EQ(0x1F4, ParseIniInteger(L"$1F4"));
    EXPECT_EQ(0x300, ParseIniInteger(L"0x300"));
    EXPECT_EQ(0xab, ParseIniInteger(L"0Xab"));
    EXPECT_EQ(-16, ParseIniInteger(L"-$10"));
    EXPECT_EQ(2147483647, ParseIniInteger(L"2147483647"));
    EXPECT_EQ(-2147483647 - 1, ParseIniInteger(L"-2147483648"));
    EXPECT_EQ(-1, ParseIniInteger(L"$FFFFFFFF"));
    for (const wchar_t* garbage : {L"", L"-", L"$", L"0x", L"12a", L"1e3", L"0x-5", L"2147483648",
                                   L"-2147483649", L"$100000000", L"0x1G", L"\u0661\u0662", L"1 2", L"--1"})
        EXPECT_FALSE(ParseIniInteger(garbage).has_value()) << garbage;
}

TEST(IniFile, AnEmptyValueIsNotAMissingOne) {
    TempDir dir(L"ini");
    const TIniFile ini(dir.WriteFile(L"a.ini", "[S]\r\nempty=\r\nflag=-3\r\n"));
    EXPECT_EQ(L"", ini.ReadString(L"S", L"empty", L"default"));
    EXPECT_EQ(7, ini.ReadInteger(L"S", L"empty", 7));
    EXPECT_EQ(L"default", ini.ReadString(L"S", L"missing", L"default"));
    EXPECT_TRUE(ini.ReadBool(L"S", L"flag", false));
    EXPECT_EQ(L"default", TIniFile(dir.Sub(L"none.ini")).ReadString(L"S", L"empty", L"default"));
}

TEST(IniFile, StringsComeBackAsWritten) {
    TempDir dir(L"ini");
    TIniFile ini(dir.Sub(L"a.ini"));
    const std::wstring values[] = {L"  leading",
                                   L"trailing\t ",
                                   L"\"quoted\"",
                                   L"'single'",
                                   L"a\"b",
                                   L"ends with\"",
                                   L"x=y;z",
                                   L"[Section]",
                                   L"'",
                                   L"\"",
                                   std::wstring(5000, L'w')};
    for (size_t i = 0; i < std::size(values); ++i)
        ini.WriteString(L"S", std::to_wstring(i), values[i]);
    for (size_t i = 0; i < std::size(values); ++i)
        EXPECT_EQ(values[i], ini.ReadString(L"S", std::to_wstring(i), L"?")) << i;
}

TEST(IniFile, LineBreaksInAValueAddNoKeys) {
    TempDir dir(L"ini");
    TIniFile ini(dir.Sub(L"a.ini"));
    ini.WriteString(L"S", L"text", L"one\r\ntwo=2\n[Other]");
    EXPECT_EQ(L"one  two=2 [Other]", ini.ReadString(L"S", L"text", L""));
    EXPECT_EQ(L"?", ini.ReadString(L"S", L"two", L"?"));
    EXPECT_EQ("[S]\r\ntext=one  two=2 [Other]\r\n", test::ReadFileBytes(dir.Sub(L"a.ini")));
}

TEST(IniFile, RefusedWritesNameTheFullPath) {
    TempDir dir(L"ini");
    const std::wstring missing = dir.Sub(L"missing\\a.ini");
    TIniFile ini(dir.Path() + L"\\sub\\..\\missing\\a.ini");
    try {
        ini.WriteString(L"S", L"k", L"v");
        FAIL() << "the write succeeded";
    } catch (const QuarrowError& error) {
        EXPECT_EQ(L"Unable to write to " + missing, error.Message());
    }
    EXPECT_THROW(ini.EraseSection(L"S"), QuarrowError);
}

TEST(IniFileUpdate, CommitReplacesTheFileAndKeepsWhatElseItHolds) {
    TempDir dir(L"ini");
    const std::wstring path = dir.WriteFile(L"a.ini", "; note\r\n[Mine]\r\nk=old\r\n[Theirs]\r\nkeep=1\r\n");
    {
        TIniFileUpdate update(path, false);
        update.File().WriteString(L"Mine", L"k", L"new");
        EXPECT_EQ(L"old", TIniFile(path).ReadString(L"Mine", L"k", L"")) << "the file changed before Commit";
        update.Commit();
    }
    EXPECT_EQ("; note\r\n[Mine]\r\nk=new\r\n[Theirs]\r\nkeep=1\r\n", test::ReadFileBytes(path));
    EXPECT_EQ(1, FilesIn(dir.Path())) << "the working copy was left behind";
}

TEST(IniFileUpdate, AFailurePartWayLeavesTheFileAsItWas) {
    TempDir dir(L"ini");
    const std::string original = "[Mine]\r\na=1\r\nb=2\r\n";
    const std::wstring path = dir.WriteFile(L"a.ini", original);
    {
        TIniFileUpdate update(path, false);
        update.File().WriteString(L"Mine", L"a", L"changed");
        // The working copy turns into something that refuses writes, as a full disk would.
        const std::wstring working = update.File().FileName();
        ASSERT_TRUE(DeleteFileW(working.c_str()));
        ASSERT_TRUE(CreateDirectoryW(working.c_str(), nullptr));
        try {
            update.File().WriteString(L"Mine", L"b", L"changed");
            FAIL() << "the write succeeded";
        } catch (const QuarrowError& error) {
            EXPECT_EQ(L"Unable to write to " + path, error.Message());
        }
        RemoveDirectoryW(working.c_str());
    }
    EXPECT_EQ(original, test::ReadFileBytes(path));
    EXPECT_EQ(1, FilesIn(dir.Path()));
}

TEST(IniFileUpdate, UnicodeValuesTurnAnAnsiFileIntoUtf16) {
    TempDir dir(L"ini");
    const std::wstring path = dir.WriteFile(L"a.ini", "[Other]\r\nname=caf\xE9\r\n");
    const std::wstring folder = L"C:\\\u0414\u0430\u043D\u043D\u044B\u0435 \u65E5\u672C";
    {
        TIniFileUpdate update(path, true);
        update.File().WriteString(L"Mine", L"0", folder);
        update.Commit();
    }
    EXPECT_EQ("\xFF\xFE", test::ReadFileBytes(path).substr(0, 2));
    const TIniFile ini(path);
    EXPECT_EQ(folder, ini.ReadString(L"Mine", L"0", L""));
    EXPECT_EQ(L"caf\u00E9", ini.ReadString(L"Other", L"name", L""));
}
