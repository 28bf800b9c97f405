#include "search/SearchTestKit.h"
#include "base/Handles.h"
#include "base/Text.h"
#include "search/Searches.h"

#include <gtest/gtest.h>

#include <random>

using namespace quarrow;
using quarrow::test::MakeSparseFile;
using quarrow::test::RunLinuxCommand;
using quarrow::test::TempDir;

namespace {

int64_t FindInFile(TFileSearch& search, const std::wstring& path, const std::string& pattern) {
    search.SetFilename(path);
    search.SetPattern(pattern);
    return search.Search();
}

int64_t FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Cuts the file to 100 bytes from Linux, as another program would while it is mapped
// (the platform refuses that to Windows programs).
bool ShrinkFromLinux(const std::wstring& path) {
    return RunLinuxCommand(L"/usr/bin/truncate -s 100", path, {}, [&path] { return FileSize(path) == 100; });
}

} // namespace

TEST(FileSearch, FilesThatCannotBeSearchedNeverContainTheText) {
    TempDir dir(L"fs");
    TFileSearch search;
    EXPECT_EQ(FindInFile(search, dir.Sub(L"missing.txt"), "a"), -1);
    EXPECT_EQ(FindInFile(search, dir.WriteFile(L"empty.txt"), "a"), -1);
    EXPECT_TRUE(search.Filename().empty());
    EXPECT_EQ(FindInFile(search, dir.Path(), "a"), -1) << "a folder";
    EXPECT_EQ(FindInFile(search, L"", "a"), -1);

    const std::wstring locked = dir.WriteFile(L"locked.txt", "needle");
    {
        UniqueFile holder(CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        EXPECT_EQ(FindInFile(search, locked, "needle"), -1);
    }
    EXPECT_EQ(FindInFile(search, locked, "needle"), 0);
    EXPECT_EQ(search.Filename(), locked);
}

// The encoding is told when the file is mapped, however it is mapped; UTF-16 text is found in
// its own form only, on whole code units.
TEST(FileSearch, TellsTheEncodingOfTheMappedFile) {
    TempDir dir(L"fs");
    TFileSearch search;
    const std::wstring wide = dir.WriteFile(
        L"wide.txt", Utf16Bytes(L"a needle " + std::wstring(100 * 1024, L'x'), false) + "x\xFF\xFEx");
    const std::wstring big =
        dir.WriteFile(L"big.txt", std::string("\xFE\xFF") + Utf16Bytes(L"a needle", true));
    EXPECT_EQ(FindInFile(search, wide, "need"), -1);
    EXPECT_EQ(search.Encoding().Encoding, TFileEncoding::Utf16Le);
    EXPECT_EQ(search.Encoding().BomLength, 0);
    search.SetForm(TTextForm::Utf16Le);
    EXPECT_EQ(FindInFile(search, wide, Utf16Bytes(L"needle", false)), 4);
    EXPECT_EQ(FindInFile(search, wide, Utf16Bytes(L"\uFEFF", false)), -1)
        << "a mark's bytes, off a code unit";

    search.SetMaxViewSize(65536);
    search.SetFilename(big);
    EXPECT_EQ(search.Encoding().Encoding, TFileEncoding::Utf16Be);
    EXPECT_EQ(search.Encoding().BomLength, 2);
    search.SetFilename(wide);
    ASSERT_TRUE(search.SearchesInWindows());
    EXPECT_EQ(search.Encoding().Encoding, TFileEncoding::Utf16Le) << "from the first view";
    search.SetMappedFile(big, MapWholeFile(big, TFileSearch::DefaultMaxViewSize));
    EXPECT_EQ(search.Encoding().Encoding, TFileEncoding::Utf16Be);
    search.CloseFile();
    EXPECT_EQ(search.Encoding().Encoding, TFileEncoding::Bytes);
}

TEST(FileSearch, FindsFirstOccurrenceUpToTheLastByteAndKeepsFilesWritable) {
    TempDir dir(L"fs");
    TFileSearch search;
    const std::wstring path = dir.WriteFile(L"\u03A9mega \u65E5\u672C.txt", "one two one two");
    EXPECT_EQ(FindInFile(search, path, "two"), 4);
    EXPECT_EQ(search.SearchNext(), 12) << "ends on the last byte";
    EXPECT_EQ(search.SearchNext(), -1);
    EXPECT_EQ(search.Filename(), path);

    // Mapped for reading only, sharing everything: others may still write to it.
    UniqueFile writer(CreateFileW(path.c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(writer);
    writer.Reset();
    search.CloseFile();
    EXPECT_TRUE(search.Filename().empty());
    EXPECT_EQ(search.Search(), -1);
    EXPECT_TRUE(DeleteFileW(path.c_str()));
}

// Searched through views of 64 KB, a file gives the same occurrences as one block, also
// for matches that span the boundary between two views, in a byte form and in UTF-16.
TEST(FileSearch, WindowedSearchAgreesWithWholeBlock) {
    TempDir dir(L"fs");
    std::mt19937 rng(7);
    for (const TTextForm form : {TTextForm::Ansi, TTextForm::Utf16Le}) {
        const int64_t unit = form == TTextForm::Ansi ? 1 : 2;
        std::wstring text(150 * 1024 + 61, L' ');
        for (wchar_t& c : text)
            c = L"abcAB\u00E9\u00C9"[rng() % (unit == 1 ? 5 : 7)];
        std::string content = form == TTextForm::Ansi ? ToAnsi(text) + ToAnsi(text) : Utf16Bytes(text, false);
        const std::string needle =
            form == TTextForm::Ansi ? "NEEDLEneedleNEEDLE" : Utf16Bytes(L"NEEDLEne\u00E9dle", false);
        // The first needle starts on the last code unit before a boundary: the views must
        // overlap by all but one unit of the pattern.
        for (int64_t boundary : {65536, 131072, 196608, 262144}) {
            const int64_t units = static_cast<int64_t>(needle.size()) / unit;
            const int64_t start =
                boundary - unit - (boundary == 65536 ? 0 : static_cast<int64_t>(rng() % (units - 1)) * unit);
            content.replace(static_cast<size_t>(start), needle.size(), needle);
        }
        content.replace(content.size() - needle.size(), needle.size(), needle);
        const std::wstring path = dir.WriteFile(L"big.bin", content);

        TFileSearch windows;
        windows.SetMaxViewSize(65536);
        TBaseSearch whole;
        whole.SetBuffer(content.data(), static_cast<int64_t>(content.size()));
        windows.SetForm(form);
        whole.SetForm(form);
        for (int round = 0; round < 200; ++round) {
            const size_t start = rng() % (content.size() / unit) * unit;
            std::string pattern = round < 6 ? needle.substr(0, needle.size() - round * unit)
                                            : content.substr(start, (1 + rng() % 6) * unit);
            const bool caseSensitive = round % 2 == 1;
            windows.SetFilename(path);
            ASSERT_TRUE(windows.SearchesInWindows());
            windows.SetPattern(pattern);
            windows.SetCaseSensitive(caseSensitive);
            whole.SetPattern(pattern);
            whole.SetCaseSensitive(caseSensitive);
            int64_t expected = whole.Search();
            int64_t actual = windows.Search();
            for (int step = 0; step < 50 && expected != -1; ++step) {
                ASSERT_EQ(actual, expected) << "round " << round << " occurrence " << step;
                expected = whole.SearchNext();
                actual = windows.SearchNext();
            }
            if (expected == -1) {
                ASSERT_EQ(actual, -1) << "round " << round;
            }
        }
    }
}

// Files of 2 GB and more are searched, with 64-bit offsets. (Reading a sparse file costs
// about 3 s per GB under Wine, so the file is kept just above the old 2 GB bound.)
TEST(FileSearch, FindsTextBeyondTwoGigabytes) {
    TempDir dir(L"fs");
    const int64_t offset = (int64_t{1} << 31) + 4096 + 17;
    const std::wstring path = dir.Sub(L"sparse.bin");
    ASSERT_TRUE(MakeSparseFile(path, offset + 100, offset, "far needle"));
    TFileSearch search;
    EXPECT_EQ(FindInFile(search, path, "FAR NEEDLE"), offset);
}

// A file cut short under its view faults on the next read: that file does not contain the
// text, the search goes on with the next one.
TEST(FileSearch, AFileThatShrinksWhileMappedIsNotFoundAndTheNextFileIsSearched) {
    TempDir dir(L"fs");
    std::string content(8 << 20, 'x');
    content.replace(content.size() - 6, 6, "needle");
    const std::wstring other = dir.WriteFile(L"other.txt", "one needle");
    TFileSearch search;
    search.SetPattern("needle");
    // Mapped by the search, whole or view by view, or mapped ahead of it (0).
    for (const int64_t viewSize : {TFileSearch::DefaultMaxViewSize, int64_t{1} << 20, int64_t{0}}) {
        const std::wstring path = dir.WriteFile(L"shrinking.bin", content);
        if (viewSize > 0) {
            search.SetMaxViewSize(viewSize);
            search.SetFilename(path);
        } else {
            TMappedFile ahead = MapWholeFile(path, TFileSearch::DefaultMaxViewSize);
            ASSERT_EQ(ahead.size, static_cast<int64_t>(content.size()));
            search.SetMappedFile(path, std::move(ahead));
        }
        ASSERT_EQ(search.Filename(), path);
        EXPECT_EQ(search.SearchesInWindows(),
                  viewSize > 0 && viewSize < static_cast<int64_t>(content.size()));
        if (!ShrinkFromLinux(path))
            GTEST_SKIP() << "no Linux side to cut the file from";
        EXPECT_EQ(search.Search(), -1) << "view size " << viewSize;
        EXPECT_TRUE(search.Filename().empty());
        EXPECT_EQ(static_cast<DWORD>(ERROR_READ_FAULT), search.ReadError())
            << "the walk counts it as not read";
        EXPECT_EQ(search.SearchNext(), -1);
        EXPECT_EQ(FindInFile(search, other, "needle"), 4);
        EXPECT_EQ(0u, search.ReadError() + search.OpenError());
    }
}
