#include "search/FolderPrefetcher.h"
#include "base/Handles.h"
#include "search/SearchTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <mutex>
#include <new>
#include <optional>
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
    const auto walk = [&](bool readAhead, const std::wstring& pattern, const std::wstring& text) {
        TIDList ids;
        TSettings settings;
        std::vector<std::wstring> excluded;
        FakeSearchHost host;
        TSearchEngine engine{ids, settings, excluded, host};
        engine.ReadAhead = readAhead;
        engine.Criteria.SearchPattern = pattern;
        engine.Criteria.ShowMatchingFoldernames = text.empty();
        engine.Criteria.SearchInFiles = !text.empty();
        engine.Criteria.CTString = text;
        engine.RunState.SearchInProgress = true;
        engine.SearchFolder(dir.Path());
        Run run;
        for (const auto& item : ids.Items())
            run.found.push_back(item->FullName() + L"|" + std::to_wstring(item->Size));
        run.folders = host.panel0;
        return run;
    };
    // Also with the files of the content test mapped ahead: those with "x" are the ones of
    // one and of two bytes.
    for (const auto& [pattern, text] : {std::pair{L"*.*", L""}, {L"*.log", L""}, {L"*.*", L"x"}}) {
        const Run sequential = walk(false, pattern, text);
        const Run ahead = walk(true, pattern, text);
        EXPECT_EQ(ahead.found, sequential.found) << pattern << text;
        EXPECT_EQ(ahead.folders, sequential.folders) << pattern << text;
        EXPECT_EQ(sequential.folders.size(), 1u + 6 + 15 + 15) << pattern << text;
        if (*text) {
            EXPECT_EQ(sequential.found.size(), 30u);
        }
    }
}

// Jobs announced after the others keep the walk's order; the thread never starts the next
// one, stops at its limit of results waiting, drops what the walk went past, and leaves
// everything to the walk once a job fails.
TEST(ReadAhead, KeepsTheOrderAndItsLimitDropsWhatWasPassedAndGivesUpAfterAFailure) {
    std::mutex mutex;
    std::vector<std::wstring> done;
    TReadAhead<std::wstring> ahead(
        [&](const std::wstring& key) {
            if (key == L"fail")
                throw std::bad_alloc();
            const std::lock_guard<std::mutex> lock(mutex);
            done.push_back(key);
            return key + L"!";
        },
        2);
    const auto doneSoFar = [&] {
        const std::lock_guard<std::mutex> lock(mutex);
        return done;
    };
    ahead.Announce({L"a", L"b", L"c"}, false);
    ahead.Announce({L"d", L"e"}, false);
    ASSERT_TRUE(WaitFor([&] { return ahead.DoneAhead() == 2; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(ahead.DoneAhead(), 2) << "two results wait at most";
    EXPECT_EQ(doneSoFar(), (NameList{L"b", L"c"}));

    EXPECT_EQ(ahead.Take(L"a", nullptr), std::nullopt) << "the next job is the walk's";
    EXPECT_EQ(ahead.Take(L"b", nullptr), L"b!");
    ASSERT_TRUE(WaitFor([&] { return ahead.DoneAhead() == 3; }));
    // The walk went past c: its result is dropped. e is next: the walk's own.
    EXPECT_EQ(ahead.Take(L"d", nullptr), L"d!");
    EXPECT_EQ(ahead.Take(L"c", nullptr), std::nullopt);
    EXPECT_EQ(ahead.Take(L"e", nullptr), std::nullopt);
    EXPECT_EQ(ahead.Take(L"unknown", nullptr), std::nullopt);
    EXPECT_EQ(doneSoFar(), (NameList{L"b", L"c", L"d"}));

    ahead.Announce({L"f", L"g", L"h"}, false);
    ASSERT_TRUE(WaitFor([&] { return ahead.DoneAhead() == 5; }));
    ahead.Cancel();
    EXPECT_EQ(ahead.Take(L"g", nullptr), std::nullopt) << "forgotten by the cancel";

    ahead.Announce({L"i", L"fail", L"j"}, false);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(ahead.Take(L"fail", nullptr), std::nullopt);
    EXPECT_EQ(ahead.Take(L"j", nullptr), std::nullopt) << "the thread has given up";
    EXPECT_EQ(ahead.DoneAhead(), 5);
}

// A walk that stops waiting for a job the thread is stuck in (a file on a share that does
// not answer) gets nothing for it; the thread drops the job when it ends and goes on.
TEST(ReadAhead, AJobTheWalkStopsWaitingForIsDroppedAndTheThreadGoesOn) {
    UniqueHandle started(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    UniqueHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    TReadAhead<int> ahead(
        [&](const std::wstring& key) {
            if (key == L"slow") {
                SetEvent(started.Get());
                WaitForSingleObject(release.Get(), 10000);
            }
            return static_cast<int>(key.size());
        },
        4);
    ahead.Announce({L"first", L"slow", L"n1", L"n2"}, false);
    ASSERT_EQ(WaitForSingleObject(started.Get(), 5000), WAIT_OBJECT_0);
    EXPECT_EQ(ahead.Take(L"first", nullptr), std::nullopt);
    int waits = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ahead.Take(L"slow",
                         [&] {
                             ++waits;
                             return false;
                         }),
              std::nullopt);
    EXPECT_EQ(waits, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    SetEvent(release.Get());
    ASSERT_TRUE(WaitFor([&] { return ahead.DoneAhead() == 1; }));
    EXPECT_EQ(ahead.Take(L"n1", nullptr), std::nullopt) << "the walk's own";
    EXPECT_EQ(ahead.Take(L"n2", nullptr), 2);
}
