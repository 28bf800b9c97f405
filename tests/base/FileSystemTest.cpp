// Paths that the ordinary path handling does not name: beyond 259 characters, and names
// that end in a dot or a blank.

#include "base/FileSystem.h"

#include "common/TestSupport.h"

#include <gtest/gtest.h>

using namespace quarrow;
using namespace quarrow::test;

namespace {

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(ExtendedLengthPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

TEST(ExactPaths, WhichPathsNeedTheExtendedForm) {
    const std::wstring folder = L"C:\\" + std::wstring(200, L'f') + L"\\";
    EXPECT_FALSE(NeedsExtendedLengthPath(folder + std::wstring(259 - folder.size(), L'n')));
    EXPECT_TRUE(NeedsExtendedLengthPath(folder + std::wstring(260 - folder.size(), L'n')));
    EXPECT_TRUE(NeedsExtendedLengthPath(folder + std::wstring(261 - folder.size(), L'n')));
    EXPECT_TRUE(NeedsExtendedLengthPath(L"C:\\data\\dot."));
    EXPECT_TRUE(NeedsExtendedLengthPath(L"C:\\data\\trail.txt "));
    EXPECT_TRUE(NeedsExtendedLengthPath(L"C:\\data.\\plain.txt"));
    EXPECT_TRUE(NeedsExtendedLengthPath(L"\\\\server\\share\\blank \\plain.txt"));
    EXPECT_FALSE(NeedsExtendedLengthPath(L"C:\\data\\plain.txt"));
    EXPECT_FALSE(NeedsExtendedLengthPath(L"C:\\data\\"));
    EXPECT_FALSE(NeedsExtendedLengthPath(L"C:\\data\\.\\..\\x"));
    EXPECT_FALSE(NeedsExtendedLengthPath(L"C:\\.hidden\\a b\\x.y.z"));

    EXPECT_EQ(L"\\\\?\\C:\\a\\dot.", ExtendedLengthPath(L"C:\\a\\dot."));
    EXPECT_EQ(L"\\\\?\\UNC\\server\\share\\a", ExtendedLengthPath(L"\\\\server\\share\\a"));
    EXPECT_EQ(L"relative\\a", ExtendedLengthPath(L"relative\\a"));
    for (const std::wstring path : {L"C:\\a\\dot.", L"\\\\server\\share\\a", L"relative"})
        EXPECT_EQ(path, OrdinaryPath(ExtendedLengthPath(path)));
}

// A path the user gave keeps a name's trailing dot or blank when that very folder exists;
// relative forms and "." and ".." are expanded as ever.
TEST(ExactPaths, NamedPathsKeepTheirTrailingDotsAndBlanksWhereSuchANameExists) {
    TempDir dir(L"named");
    WriteFileExactly(dir.Sub(L"data.\\in.txt"));
    WriteFileExactly(dir.Sub(L"data \\in.txt"));
    dir.WriteFile(L"data\\in.txt");
    EXPECT_EQ(dir.Sub(L"data."), ExpandNamedPath(dir.Sub(L"data.")));
    EXPECT_EQ(dir.Sub(L"data "), ExpandNamedPath(dir.Sub(L"data ")));
    EXPECT_EQ(dir.Sub(L"data.\\"), ExpandNamedPath(dir.Sub(L"data.\\")));
    EXPECT_EQ(dir.Sub(L"data.\\in.txt"), ExpandNamedPath(dir.Sub(L"data\\..\\data.\\.\\in.txt")));
    EXPECT_EQ(dir.Sub(L"data"), ExpandNamedPath(dir.Sub(L"data")));
    // Where no such name exists, the platform's rule: the sibling.
    EXPECT_EQ(dir.Sub(L"data"), ExpandNamedPath(dir.Sub(L"data..")));

    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(dir.Path().c_str()));
    const std::wstring relative = ExpandNamedPath(L"data.");
    SetCurrentDirectoryW(previous);
    EXPECT_EQ(dir.Sub(L"data."), relative);
}

TEST(ExactPaths, ShortFormsNameTheSameFileOrNone) {
    TempDir dir(L"short");
    const std::wstring deep = MakeDeepFolder(dir.Path(), 300) + L"\\deep file.txt";
    WriteFileExactly(deep, "deep");
    const std::wstring shortDeep = EquivalentShortPath(deep);
    if (shortDeep.empty())
        GTEST_SKIP() << "this volume keeps no short names";
    EXPECT_LT(shortDeep.size(), static_cast<size_t>(MAX_PATH));
    EXPECT_FALSE(NeedsExtendedLengthPath(shortDeep));
    EXPECT_EQ("deep", ReadFileBytes(shortDeep));
    EXPECT_TRUE(SameFileObject(shortDeep, deep));

    // Beside its sibling without the dot, the short form names the dotted file.
    const std::wstring dotted = WriteFileExactly(dir.Sub(L"dot."), "dotted");
    const std::wstring plain = WriteFileExactly(dir.Sub(L"dot"), "plain");
    const std::wstring shortDotted = EquivalentShortPath(dotted);
    ASSERT_FALSE(shortDotted.empty());
    EXPECT_EQ("dotted", ReadFileBytes(shortDotted));
    EXPECT_FALSE(SameFileObject(dotted, plain));
    EXPECT_TRUE(SameFileObject(dotted, dotted));
    EXPECT_TRUE(EquivalentShortPath(dir.Sub(L"missing.")).empty());
}

TEST(ExactPaths, DeleteAndRenameActOnExactlyTheNamedFile) {
    TempDir dir(L"exact");
    const std::wstring blank = WriteFileExactly(dir.Sub(L"trail.txt "), "blank");
    const std::wstring plain = WriteFileExactly(dir.Sub(L"trail.txt"), "plain");
    EXPECT_EQ(ERROR_SUCCESS, DeletePermanently(blank));
    EXPECT_FALSE(Exists(blank));
    EXPECT_EQ("plain", ReadFileBytes(plain));

    const std::wstring dotted = WriteFileExactly(dir.Sub(L"dot."), "dotted");
    WriteFileExactly(dir.Sub(L"dot"), "plain");
    ASSERT_TRUE(RenameExactly(dotted, dir.Sub(L"renamed")));
    EXPECT_EQ("dotted", ReadFileBytes(dir.Sub(L"renamed")));
    EXPECT_EQ("plain", ReadFileBytes(dir.Sub(L"dot")));

    // A deep folder goes with everything in it, a read-only file too.
    const std::wstring top = dir.Sub(L"tree");
    const std::wstring deep = MakeDeepFolder(top, 320);
    WriteFileExactly(deep + L"\\bottom.txt", "b");
    WriteFileExactly(top + L"\\data.\\in dotted.txt", "d");
    const std::wstring readOnly = WriteFileExactly(top + L"\\read-only.txt", "r");
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(ERROR_SUCCESS, DeletePermanently(top));
    EXPECT_FALSE(Exists(top));

    // A folder link is never followed (this platform may not remove a link to Linux at all).
    const std::wstring outside = WriteFileExactly(dir.Sub(L"outside\\kept.txt"), "k");
    const std::wstring holder = dir.Sub(L"holder");
    CreateDirectoryW(holder.c_str(), nullptr);
    if (RunLinuxCommand(L"/bin/ln -s", dir.Sub(L"outside"), holder + L"\\link",
                        [&] { return Exists(holder + L"\\link"); })) {
        DeletePermanently(holder);
        EXPECT_EQ("k", ReadFileBytes(outside));
    }

    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), DeletePermanently(dir.Sub(L"missing.txt")));
}

TEST(ExactPaths, TextFilesAreWrittenAsUtf8AtAnyDepth) {
    TempDir dir(L"utf8");
    const std::wstring path = MakeDeepFolder(dir.Path(), 280) + L"\\list.txt";
    ASSERT_EQ(ERROR_SUCCESS, WriteUtf8TextFile(path, L"\u00e9t\u00e9\r\n"));
    EXPECT_EQ("\xEF\xBB\xBF\xC3\xA9t\xC3\xA9\r\n", ReadFileBytes(ExtendedLengthPath(path)));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), WriteUtf8TextFile(dir.Sub(L"no\\such\\x.txt"), L"x"));
}
