#include "search/SearchTestKit.h"
#include "base/Handles.h"
#include "base/Text.h"
#include "search/Searches.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

using namespace quarrow;
using namespace quarrow::test;

namespace {

class Walker : public ::testing::Test {
protected:
    Walker() {
        engine.Criteria.SearchPattern = L"*.*";
        // Pumps inside a folder only where a test asks for them, whatever the machine's pace.
        engine.FolderPumpInterval = 600000;
    }

    void Walk() { Walk(dir.Path()); }
    void Walk(const std::wstring& folder) {
        ids.Clear();
        host.pumps = 0;
        engine.RunState.SearchInProgress = true;
        engine.SearchFolder(folder);
    }
    // Results as paths relative to the test folder, in the order found.
    std::vector<std::wstring> Found() const {
        std::vector<std::wstring> found;
        for (const auto& item : ids.Items())
            found.push_back(item->FullName().substr(dir.Path().size() + 1));
        return found;
    }
    std::vector<std::wstring> FoundSorted() const {
        std::vector<std::wstring> found = Found();
        std::sort(found.begin(), found.end());
        return found;
    }
    void ShowFilesAndFolders(bool files, bool folders) {
        engine.Criteria.ShowMatchingFilenames = files;
        engine.Criteria.ShowMatchingFoldernames = folders;
    }

    TempDir dir{L"walk"};
    TIDList ids;
    TSettings settings;
    std::vector<std::wstring> excluded;
    FakeSearchHost host;
    TSearchEngine engine{ids, settings, excluded, host};
};

using Names = std::vector<std::wstring>;

} // namespace

TEST_F(Walker, NameSwitchesDotEntriesRecordsAndPreOrder) {
    dir.WriteFile(L"a.txt", "12345");
    dir.WriteFile(L"sub\\b.tar.GZ");
    dir.WriteFile(L"sub\\deep\\c");
    dir.WriteFile(L"sub2\\d.txt");

    Walk();
    EXPECT_EQ(FoundSorted(), (Names{L"a.txt", L"sub2\\d.txt", L"sub\\b.tar.GZ", L"sub\\deep\\c"}));
    const TShellItem& a = *std::find_if(ids.Items().begin(), ids.Items().end(), [](const auto& item) {
                               return item->Name == L"a.txt";
                           })->get();
    EXPECT_EQ(a.Folder(), dir.Path() + L"\\");
    EXPECT_EQ(a.FullName(), a.Folder() + L"a.txt");
    EXPECT_EQ(a.FileType, L"txt");
    EXPECT_EQ(a.Size, 5);
    EXPECT_FALSE(a.IsFolder);
    EXPECT_EQ(a.ImageIndex, -1);
    EXPECT_FALSE(a.InfoLoaded || a.Selected);
    EXPECT_EQ(host.lastCount, 4);
    EXPECT_EQ(host.panel0.size(), 4u) << "one status text per folder";
    EXPECT_EQ(host.panel0.front(), dir.Path() + L"\\");
    EXPECT_EQ(host.panel1.back(), L"Searching... 4");

    ShowFilesAndFolders(false, true);
    Walk();
    EXPECT_EQ(FoundSorted(), (Names{L"sub", L"sub2", L"sub\\deep"}));
    EXPECT_TRUE(ids[0].IsFolder);

    ShowFilesAndFolders(true, true);
    settings.ShowTypeInsteadOfExtension = true;
    Walk();
    ASSERT_EQ(ids.Count(), 7);
    // Depth first, pre-order: a folder's results come as one run, after the folder's own record.
    std::map<std::wstring, int> firstOfFolder, lastOfFolder, indexOf;
    for (int i = 0; i < ids.Count(); ++i) {
        EXPECT_TRUE(ids[i].FileType.empty());
        indexOf[ids[i].FullName() + L"\\"] = i;
        firstOfFolder.try_emplace(ids[i].Folder(), i);
        lastOfFolder[ids[i].Folder()] = i;
    }
    for (const auto& [folder, first] : firstOfFolder) {
        int count = 0;
        for (int i = 0; i < ids.Count(); ++i)
            count += ids[i].Folder() == folder;
        EXPECT_EQ(lastOfFolder[folder] - first + 1, count) << "results of a folder are contiguous";
        if (folder != dir.Path() + L"\\") {
            EXPECT_LT(indexOf.at(folder), first);
        }
    }
    EXPECT_EQ(firstOfFolder[dir.Path() + L"\\"], 0);

    engine.Criteria.SearchInSubfolders = false;
    Walk();
    EXPECT_EQ(FoundSorted(), (Names{L"a.txt", L"sub", L"sub2"}));
    EXPECT_EQ(host.pumps, 0) << "no sub-folder pass";
}

TEST_F(Walker, PatternSelectsResultsButEverySubFolderIsWalked) {
    dir.WriteFile(L"x.log");
    dir.WriteFile(L"data\\y.LOG");
    dir.WriteFile(L"data\\z.txt");
    dir.WriteFile(L".hidden\\w.log");
    SetFileAttributesW(dir.Sub(L".hidden").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    dir.WriteFile(L"match.log\\v.log");
    engine.Criteria.SearchPattern = L"*.log";

    Walk();
    EXPECT_EQ(FoundSorted(), (Names{L".hidden\\w.log", L"data\\y.LOG", L"match.log\\v.log", L"x.log"}));
    ShowFilesAndFolders(true, true);
    Walk();
    EXPECT_EQ(FoundSorted(),
              (Names{L".hidden\\w.log", L"data\\y.LOG", L"match.log", L"match.log\\v.log", L"x.log"}));
}

TEST_F(Walker, DateFilterComparesDosRoundedLocalTimesStrictly) {
    const std::wstring early = dir.WriteFile(L"early.txt"), late = dir.WriteFile(L"late.txt");
    ASSERT_TRUE(SetLastWriteTimeUtc(early, 2020, 1, 1, 10, 0, 1));
    ASSERT_TRUE(SetLastWriteTimeUtc(late, 2020, 1, 2));
    const TDateTime tenOClock =
        EncodeDateTime(2020, 1, 1, 10, 0, 0); // early.txt, rounded down to even seconds
    engine.Criteria.SearchOnDate = true;

    engine.Criteria.DTNewerThan = true;
    engine.Criteria.DTSearchDateAndTime = tenOClock;
    Walk();
    EXPECT_EQ(Found(), Names{L"late.txt"}) << "a time equal to the threshold fails";
    ShowFilesAndFolders(true, true);
    engine.Criteria.DTSearchDateAndTime = tenOClock - 1.0 / 86400;
    Walk();
    EXPECT_EQ(FoundSorted(), (Names{L"early.txt", L"late.txt"}));
    EXPECT_EQ(ids[0].Name == L"early.txt" ? ids[0].Modified : ids[1].Modified, tenOClock);

    engine.Criteria.DTNewerThan = false;
    engine.Criteria.DTOlderThan = true;
    engine.Criteria.DTSearchDateAndTime = EncodeDateTime(2020, 1, 2);
    Walk();
    EXPECT_EQ(Found(), Names{L"early.txt"});

    engine.Criteria.DTOlderThan = false;
    engine.Criteria.DTBetween = true;
    engine.Criteria.DTBeginDate = tenOClock;
    engine.Criteria.DTEndDate = EncodeDateTime(2020, 1, 3);
    Walk();
    EXPECT_EQ(Found(), Names{L"late.txt"});

    // Outside the DOS range the exact local time is kept, so the filter still works.
    ASSERT_TRUE(SetLastWriteTimeUtc(early, 1975, 6, 1, 12, 0, 1));
    engine.Criteria.DTBeginDate = EncodeDateTime(1975, 6, 1, 12, 0, 0);
    engine.Criteria.DTEndDate = EncodeDateTime(1975, 6, 1, 12, 0, 2);
    Walk();
    ASSERT_EQ(Found(), Names{L"early.txt"});
    EXPECT_NEAR(ids[0].Modified, EncodeDateTime(1975, 6, 1, 12, 0, 1), 1e-9);
}

TEST_F(Walker, SizeFilterIsStrictAppliesToFoldersAndUses64Bits) {
    for (int size : {0, 1, 2, 1023, 1024})
        dir.WriteFile(std::to_wstring(size) + L".bin", std::string(size, 'x'));
    dir.MakeDir(L"folder");
    ShowFilesAndFolders(true, true);
    engine.Criteria.SearchOnSize = true;

    engine.Criteria.SZSmallerThan = true;
    engine.Criteria.SZSearchSize = 1024;
    Walk();
    EXPECT_EQ(FoundSorted(), (Names{L"0.bin", L"1.bin", L"1023.bin", L"2.bin", L"folder"}));

    engine.Criteria.SZSmallerThan = false;
    engine.Criteria.SZLargerThan = true;
    engine.Criteria.SZSearchSize = 1;
    Walk();
    EXPECT_EQ(FoundSorted(), (Names{L"1023.bin", L"1024.bin", L"2.bin"}));

    ASSERT_TRUE(MakeSparseFile(dir.Sub(L"huge.bin"), 5000000000LL));
    engine.Criteria.SZSearchSize = int64_t{4} << 30;
    Walk();
    ASSERT_EQ(Found(), Names{L"huge.bin"});
    EXPECT_EQ(ids[0].Size, 5000000000LL);
}

TEST_F(Walker, ContentFilterSkipsFoldersAndIgnoredExtensions) {
    dir.WriteFile(L"notes.txt", "we say hello here");
    dir.WriteFile(L"upper.txt", "HELLO");
    dir.WriteFile(L"PROG.EXE", "hello");
    dir.WriteFile(L"pic.JpG", "hello");
    dir.WriteFile(L"none.txt", "goodbye");
    dir.WriteFile(L"empty.txt");
    dir.WriteFile(L"\u65E5\u672C\u8A9E.txt", "hello");
    dir.WriteFile(L"README", "say hello");
    dir.MakeDir(L"hello folder");
    ShowFilesAndFolders(true, true);
    engine.Criteria.SearchInFiles = true;
    engine.Criteria.CTString = L"Hello";

    Walk();
    EXPECT_EQ(FoundSorted(), (Names{L"README", L"notes.txt", L"upper.txt", L"\u65E5\u672C\u8A9E.txt"}));
    EXPECT_TRUE(engine.FileSearch().Filename().empty()) << "no file stays mapped";

    engine.Criteria.CTIgnoreExecutableFiles = false;
    engine.Criteria.CTIgnoreMediaFiles = false;
    engine.Criteria.CTString = L"hello";
    engine.Criteria.CTCaseSensitive = true;
    Walk();
    EXPECT_EQ(FoundSorted(),
              (Names{L"PROG.EXE", L"README", L"notes.txt", L"pic.JpG", L"\u65E5\u672C\u8A9E.txt"}));

    // A name outside the ANSI code page is found and can be opened by its full name.
    const auto unicode = std::find_if(ids.Items().begin(), ids.Items().end(),
                                      [](const auto& item) { return item->Name[0] == L'\u65E5'; });
    ASSERT_NE(unicode, ids.Items().end());
    EXPECT_TRUE(UniqueFile(CreateFileW((*unicode)->FullName().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, 0, nullptr)));
}

// Accented text is found in its ANSI and its UTF-8 bytes, its letters in either case;
// text the code page lacks is found in UTF-8 only.
TEST_F(Walker, AccentedTextIsFoundInAnsiAndUtf8Files) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "files written for code page 1252";
    dir.WriteFile(L"ansi.txt", "Gr\xFC\xDF"
                               "e aus Wien");
    dir.WriteFile(L"ansi-upper.txt", "GR\xDC\xDF"
                                     "E");
    dir.WriteFile(L"utf8.txt", "Gr\xC3\xBC\xC3\x9F"
                               "e aus Wien");
    dir.WriteFile(L"utf8-upper.txt", "\xEF\xBB\xBFGR\xC3\x9C\xC3\x9F"
                                     "E");
    dir.WriteFile(L"plain.txt", "Grusse");
    // Letters whose UTF-8 bytes the code page's folding would confuse: U+00DA and U+00CA.
    dir.WriteFile(L"other-letter.txt", "GR\xC3\x9A\xC3\x9F"
                                       "E GR\xC3\x8A\xC3\x9F"
                                       "E");
    dir.WriteFile(L"greek.txt", "\xCE\xA9MEGA \xCF\x89mega");
    engine.Criteria.SearchInFiles = true;

    engine.Criteria.CTString = L"gr\u00FC\u00DFe";
    Walk();
    EXPECT_EQ(FoundSorted(), (Names{L"ansi-upper.txt", L"ansi.txt", L"utf8-upper.txt", L"utf8.txt"}));
    engine.Criteria.CTCaseSensitive = true;
    engine.Criteria.CTString = L"Gr\u00FC\u00DFe";
    Walk();
    EXPECT_EQ(FoundSorted(), (Names{L"ansi.txt", L"utf8.txt"}));

    engine.Criteria.CTCaseSensitive = false;
    engine.Criteria.CTString = L"\u03C9MEGA";
    Walk();
    EXPECT_EQ(Found(), Names{L"greek.txt"});
}

// Such names do not survive the platform's path normalisation; their content is still read.
TEST_F(Walker, ContentOfNamesEndingInADotOrABlankIsSearched) {
    for (const wchar_t* name : {L"dotted.", L"blank "}) {
        UniqueFile file(CreateFileW((L"\\\\?\\" + dir.Sub(name)).c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(file) << GetLastError();
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file.Get(), "a needle", 8, &written, nullptr));
    }
    dir.WriteFile(L"plain.txt", "a needle");
    Walk();
    ASSERT_EQ(FoundSorted(), (Names{L"blank ", L"dotted.", L"plain.txt"})) << "listed as they are named";
    engine.Criteria.SearchInFiles = true;
    engine.Criteria.CTString = L"needle";
    Walk();
    EXPECT_EQ(FoundSorted(), (Names{L"blank ", L"dotted.", L"plain.txt"}));
}

// The walk lets the window handle its messages between the views of one large file, and
// Stop ends that file's test there.
TEST_F(Walker, StopReachesTheWalkInsideALargeFile) {
    constexpr int64_t Size = 8 << 20;
    ASSERT_TRUE(MakeSparseFile(dir.Sub(L"large.dat"), Size, Size - 6, "needle"));
    engine.FileSearch().SetMaxViewSize(1 << 20);
    engine.Criteria.SearchInFiles = true;
    engine.Criteria.CTString = L"needle";
    Walk();
    EXPECT_EQ(Found(), Names{L"large.dat"});
    EXPECT_EQ(host.pumps, 7) << "one pump between each two of the 8 views";

    host.onPump = [&](int) { engine.Stop(); };
    Walk();
    EXPECT_TRUE(ids.Empty());
    EXPECT_EQ(host.pumps, 1);
}

// A folder of many files to open does not hold Stop up either: the walk handles messages
// between files when the interval has passed, and Stop leaves the rest untested.
TEST_F(Walker, StopReachesTheWalkBetweenTheFilesOfAFolder) {
    for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt", L"d.txt"})
        dir.WriteFile(name, "a needle");
    dir.WriteFile(L"sub\\e.txt", "a needle");
    engine.Criteria.SearchInFiles = true;
    engine.Criteria.CTString = L"needle";
    engine.FolderPumpInterval = 0;
    Walk();
    EXPECT_EQ(FoundSorted(), (Names{L"a.txt", L"b.txt", L"c.txt", L"d.txt", L"sub\\e.txt"}));
    EXPECT_GE(host.pumps, 5);

    // Stop as soon as one file is found.
    host.onPump = [&](int) {
        if (!ids.Empty())
            engine.Stop();
    };
    Walk();
    EXPECT_EQ(ids.Count(), 1);
    EXPECT_EQ(host.panel0.back(), dir.Path() + L"\\") << "no folder is entered after Stop";
}

// The file the console program writes to is left out by its identity: another file of its
// name is still found, by name or, when the name is unknown, by the time of its last write.
TEST_F(Walker, TheLeftOutFileIsNeverAResult) {
    const std::wstring output = dir.WriteFile(L"out.txt");
    dir.WriteFile(L"a.txt");
    dir.WriteFile(L"sub\\out.txt");
    BY_HANDLE_FILE_INFORMATION info{};
    {
        const UniqueFile file(CreateFileW(output.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file && GetFileInformationByHandle(file.Get(), &info));
    }
    const uint64_t index = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    engine.LeftOutFile = TSearchEngine::TLeftOutFile{L"OUT.TXT", {}, info.dwVolumeSerialNumber, index};
    Walk();
    EXPECT_EQ(FoundSorted(), (Names{L"a.txt", L"sub\\out.txt"}));

    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER since{{now.dwLowDateTime, now.dwHighDateTime}};
    since.QuadPart -= 600 * 10000000ULL;
    engine.LeftOutFile = TSearchEngine::TLeftOutFile{L"", {since.LowPart, since.HighPart}, 0, index};
    Walk();
    EXPECT_EQ(FoundSorted(), (Names{L"a.txt", L"sub\\out.txt"}));
}

TEST_F(Walker, ExcludedFoldersAreTestedOnEntry) {
    dir.WriteFile(L"a.txt");
    dir.WriteFile(L"skip\\b.txt");
    dir.WriteFile(L"skip\\inner\\c.txt");
    dir.WriteFile(L"keep\\d.txt");
    excluded = {L"C:\\elsewhere", dir.Sub(L"SKIP")};
    ShowFilesAndFolders(true, true);

    Walk();
    EXPECT_EQ(FoundSorted(), (Names{L"a.txt", L"keep", L"keep\\d.txt", L"skip", L"skip\\b.txt",
                                    L"skip\\inner", L"skip\\inner\\c.txt"}))
        << "the list is not read while the switch is off";
    settings.ExcludeFolders = true;
    Walk();
    EXPECT_EQ(FoundSorted(), (Names{L"a.txt", L"keep", L"keep\\d.txt", L"skip"}));

    excluded.push_back(dir.Path());
    host.panel0.clear();
    Walk();
    EXPECT_TRUE(ids.Empty());
    EXPECT_TRUE(host.panel0.empty()) << "an excluded folder is not shown";
}

TEST_F(Walker, StopEndsTheWalkBeforeTheNextSubFolder) {
    dir.WriteFile(L"r1.txt");
    dir.WriteFile(L"r2.txt");
    for (const wchar_t* file : {L"s1\\f1.txt", L"s1\\t1\\g1.txt", L"s1\\t2\\g2.txt", L"s2\\f2.txt",
                                L"s2\\u1\\h1.txt", L"s3\\f3.txt", L"s3\\v1\\k1.txt"})
        dir.WriteFile(file);
    // Stop at the first pump inside the first sub-folder entered, after its listing.
    std::wstring stoppedIn;
    host.onPump = [&](int) {
        if (stoppedIn.empty() && host.panel0.back() != dir.Path() + L"\\") {
            stoppedIn = host.panel0.back();
            engine.Stop();
        }
    };
    Walk();
    ASSERT_FALSE(stoppedIn.empty());
    const std::wstring first = stoppedIn.substr(dir.Path().size() + 1, 2);
    EXPECT_EQ(FoundSorted(), (Names{L"r1.txt", L"r2.txt", first + L"\\f" + first.substr(1) + L".txt"}));
    EXPECT_EQ(host.panel0.size(), 2u) << "no folder is entered after Stop";
    EXPECT_TRUE(engine.RunState.FindStopped);
    EXPECT_FALSE(engine.RunState.SearchInProgress);
}

TEST_F(Walker, SkipsFoldersThatVanishOrCannotBeListedAndLockedFiles) {
    dir.WriteFile(L"gone\\x.txt");
    dir.WriteFile(L"gone\\child\\y.txt");
    dir.WriteFile(L"stay\\z.txt");
    engine.Criteria.SearchPattern = L"*.txt";
    // Removed after its matching pass, before its sub-folder pass.
    host.onStatus = [&](int panel, const std::wstring&) {
        if (panel == 1 && host.panel0.back() == dir.Sub(L"gone\\"))
            std::filesystem::remove_all(dir.Sub(L"gone"));
    };
    Walk();
    EXPECT_EQ(FoundSorted(), (Names{L"gone\\x.txt", L"stay\\z.txt"}));

    // Sub-folders removed or replaced by a file between the listing and their walk (not
    // yet listed ahead).
    host.onStatus = nullptr;
    engine.ReadAhead = false;
    dir.WriteFile(L"stay\\a\\1.txt");
    dir.WriteFile(L"stay\\b\\2.txt");
    host.onPump = [&](int pump) {
        if (pump == 1) {
            std::filesystem::remove_all(dir.Sub(L"stay\\a"));
            std::filesystem::remove_all(dir.Sub(L"stay\\b"));
            dir.WriteFile(L"stay\\b", "now a file");
        }
    };
    Walk(dir.Sub(L"stay"));
    EXPECT_EQ(FoundSorted(), Names{L"stay\\z.txt"});
    EXPECT_EQ(host.pumps, 2);

    // A file locked by another handle does not contain the text.
    host.onPump = nullptr;
    const std::wstring locked = dir.WriteFile(L"stay\\locked.txt", "needle");
    dir.WriteFile(L"stay\\open.txt", "needle");
    UniqueFile holder(CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    engine.Criteria.SearchInFiles = true;
    engine.Criteria.CTString = L"needle";
    Walk();
    EXPECT_EQ(FoundSorted(), Names{L"stay\\open.txt"});
}

// A folder held open by another handle that shares nothing cannot be listed.
TEST_F(Walker, SkipsAFolderThatCannotBeListed) {
    dir.WriteFile(L"a.txt");
    dir.WriteFile(L"denied\\hidden.txt");
    dir.WriteFile(L"z\\b.txt");
    UniqueFile holder(CreateFileW(dir.Sub(L"denied").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(holder) << GetLastError();
    ShowFilesAndFolders(true, true);
    Walk();
    EXPECT_EQ(FoundSorted(), (Names{L"a.txt", L"denied", L"z", L"z\\b.txt"}));
}

TEST_F(Walker, LinkLoopsEndAndOrdinaryLinksAreWalked) {
    dir.WriteFile(L"top.txt");
    dir.WriteFile(L"a\\in-a.txt");
    dir.WriteFile(L"b\\in-b.txt");
    // Two links back to ancestors per level would multiply the walk at every level.
    if (!MakeFolderLink(dir.Sub(L"a\\up-root"), dir.Path()) ||
        !MakeFolderLink(dir.Sub(L"a\\up-self"), dir.Sub(L"a")) ||
        !MakeFolderLink(dir.Sub(L"b\\to-a"), dir.Sub(L"a")))
        GTEST_SKIP() << "no folder links here";
    Walk();
    EXPECT_EQ(FoundSorted(), (Names{L"a\\in-a.txt", L"b\\in-b.txt", L"b\\to-a\\in-a.txt", L"top.txt"}));

    // Also from a starting folder reached through a link.
    Walk(dir.Sub(L"b\\to-a"));
    EXPECT_EQ(FoundSorted(), (Names{L"b\\to-a\\in-a.txt", L"b\\to-a\\up-root\\a\\in-a.txt",
                                    L"b\\to-a\\up-root\\b\\in-b.txt", L"b\\to-a\\up-root\\top.txt"}));

    // A test folder that holds such a loop is still removed whole.
    std::wstring loopFolder;
    {
        TempDir loop(L"loop");
        loopFolder = loop.Path();
        loop.MakeDir(L"x");
        ASSERT_TRUE(MakeFolderLink(loop.Sub(L"x\\up"), loop.Path()));
    }
    EXPECT_EQ(GetFileAttributesW(loopFolder.c_str()), INVALID_FILE_ATTRIBUTES);
}
