#include "search/FolderPrefetcher.h"
#include "search/SearchTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

using namespace quarrow;
using namespace quarrow::test;

namespace {

std::vector<std::wstring> Names(const TListing& listing) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    for (size_t i = 0; i < listing.Size(); ++i) {
        listing.Get(i, entry);
        names.push_back(entry.cFileName);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool WaitFor(const std::function<bool()>& condition) {
    for (int i = 0; i < 500 && !condition(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return condition();
}

using NameList = std::vector<std::wstring>;

} // namespace

// The thread lists every announced folder but the one the walk takes next, keeps what the
// queries ask for, and a cancel forgets what was listed.
TEST(FolderPrefetcher, ListsAheadAllButTheNextFolderAndForgetsOnCancel) {
    TempDir dir{L"ahead"};
    dir.WriteFile(L"a\\one.txt", "12345");
    dir.WriteFile(L"a\\inner\\deep.log");
    dir.WriteFile(L"b\\two.log");
    dir.WriteFile(L"c\\three.txt");
    TFolderPrefetcher prefetcher;
    prefetcher.SetQueries({{L"*.txt", false}, {L"*.*", true}});
    const std::wstring a = dir.Sub(L"a\\"), b = dir.Sub(L"b\\"), c = dir.Sub(L"c\\");
    prefetcher.Announce({a, b, c});
    ASSERT_TRUE(WaitFor([&] { return prefetcher.ListedAhead() == 2; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(prefetcher.ListedAhead(), 2) << "the next folder is left to the walk";

    const TFolderListings first = prefetcher.Take(a, nullptr);
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(Names(first[0]), NameList{L"one.txt"});
    EXPECT_EQ(Names(first[1]), (NameList{L".", L"..", L"inner"}));
    WIN32_FIND_DATAW entry;
    first[0].Get(0, entry);
    EXPECT_EQ(entry.nFileSizeLow, 5u);
    EXPECT_EQ(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);

    // Announced later, entered first: the walk's depth-first order.
    prefetcher.Announce({dir.Sub(L"a\\inner\\")});
    EXPECT_EQ(Names(prefetcher.Take(dir.Sub(L"a\\inner\\"), nullptr)[1]), (NameList{L".", L".."}));
    EXPECT_EQ(Names(prefetcher.Take(b, nullptr)[0]), NameList{});
    const int listed = prefetcher.ListedAhead();
    EXPECT_EQ(Names(prefetcher.Take(c, nullptr)[0]), NameList{L"three.txt"});

    // Listed ahead, then changed and cancelled: the next take lists it again.
    prefetcher.Announce({a, c});
    ASSERT_TRUE(WaitFor([&] { return prefetcher.ListedAhead() == listed + 1; }));
    dir.WriteFile(L"c\\four.txt");
    prefetcher.Cancel();
    EXPECT_EQ(Names(prefetcher.Take(c, nullptr)[0]), (NameList{L"four.txt", L"three.txt"}));
    // A folder that cannot be listed lists nothing.
    EXPECT_EQ(prefetcher.Take(dir.Sub(L"missing\\"), nullptr)[0].Size(), 0u);
}

// Read ahead or not, the walk finds the same results in the same order and shows the same
// folders, whatever the pattern.
TEST(FolderPrefetcher, TheWalkIsTheSameWithAndWithoutReadingAhead) {
    TempDir dir{L"same"};
    for (int top = 0; top < 6; ++top) {
        for (int sub = 0; sub < top; ++sub) {
            const std::wstring folder = L"f" + std::to_wstring(top) + L"\\s" + std::to_wstring(sub) + L"\\";
            for (int file = 0; file < 3; ++file)
                dir.WriteFile(folder + L"n" + std::to_wstring(file) + (file % 2 ? L".log" : L".txt"),
                              std::string(static_cast<size_t>(file), 'x'));
            dir.MakeDir(folder + L"empty");
        }
        dir.WriteFile(L"f" + std::to_wstring(top) + L"\\top.txt");
    }
    struct Run {
        std::vector<std::wstring> found;
        std::vector<std::wstring> folders;
    };
    const auto walk = [&](bool readAhead, const std::wstring& pattern) {
        TIDList ids;
        TSettings settings;
        std::vector<std::wstring> excluded;
        FakeSearchHost host;
        TSearchEngine engine{ids, settings, excluded, host};
        engine.ReadAhead = readAhead;
        engine.Criteria.SearchPattern = pattern;
        engine.Criteria.ShowMatchingFoldernames = true;
        engine.RunState.SearchInProgress = true;
        engine.SearchFolder(dir.Path());
        Run run;
        for (const auto& item : ids.Items())
            run.found.push_back(item->FullName() + L"|" + std::to_wstring(item->Size));
        run.folders = host.panel0;
        return run;
    };
    for (const std::wstring pattern : {L"*.*", L"*.log"}) {
        const Run sequential = walk(false, pattern);
        const Run ahead = walk(true, pattern);
        EXPECT_EQ(ahead.found, sequential.found) << pattern;
        EXPECT_EQ(ahead.folders, sequential.folders) << pattern;
        EXPECT_EQ(sequential.folders.size(), 1u + 6 + 15 + 15) << pattern;
    }
}
