#include "search/FolderPrefetcher.h"
#include "base/Handles.h"
#include "base/Text.h"
#include "search/SearchTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <thread>

using namespace quarrow;
using namespace quarrow::test;

namespace {

// The names of a listing, sorted; those the pattern selects end in "+".
std::vector<std::wstring> Names(const TListing& listing) {
    std::vector<std::wstring> names;
    for (size_t i = 0; i < listing.Size(); ++i) {
        const TListedEntry entry = listing.Get(i);
        names.push_back(std::wstring(entry.name) + (entry.matches ? L"+" : L""));
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
// walk needs, and a cancel forgets what was listed.
TEST(FolderPrefetcher, ListsAheadAllButTheNextFolderAndForgetsOnCancel) {
    TempDir dir{L"ahead"};
    dir.WriteFile(L"a\\one.txt", "12345");
    dir.WriteFile(L"a\\other.log");
    dir.WriteFile(L"a\\inner\\deep.log");
    dir.WriteFile(L"a\\folder.txt\\x");
    dir.WriteFile(L"b\\two.log");
    dir.WriteFile(L"c\\three.txt");
    TFolderPrefetcher prefetcher;
    prefetcher.SetPattern(TWildcard(L"*.txt"), true);
    const std::wstring a = dir.Sub(L"a\\"), b = dir.Sub(L"b\\"), c = dir.Sub(L"c\\");
    prefetcher.Announce({a, b, c});
    ASSERT_TRUE(WaitFor([&] { return prefetcher.ListedAhead() == 2; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(prefetcher.ListedAhead(), 2) << "the next folder is left to the walk";

    const TListing first = prefetcher.Take(a, nullptr);
    EXPECT_EQ(Names(first), (NameList{L"folder.txt+", L"inner", L"one.txt+"}));
    EXPECT_EQ(first.Error(), 0u);
    for (size_t i = 0; i < first.Size(); ++i) {
        const TListedEntry entry = first.Get(i);
        EXPECT_EQ(entry.IsFolder(), entry.name != L"one.txt");
        if (entry.name == L"one.txt") {
            EXPECT_EQ(entry.size, 5);
        }
    }

    // Announced later, entered first: the walk's depth-first order.
    prefetcher.Announce({dir.Sub(L"a\\inner\\")});
    EXPECT_EQ(Names(prefetcher.Take(dir.Sub(L"a\\inner\\"), nullptr)), NameList{});
    EXPECT_EQ(Names(prefetcher.Take(b, nullptr)), NameList{});
    const int listed = prefetcher.ListedAhead();
    EXPECT_EQ(Names(prefetcher.Take(c, nullptr)), NameList{L"three.txt+"});

    // Listed ahead, then changed and cancelled: the next take lists it again.
    prefetcher.Announce({a, c});
    ASSERT_TRUE(WaitFor([&] { return prefetcher.ListedAhead() == listed + 1; }));
    dir.WriteFile(L"c\\four.txt");
    prefetcher.Cancel();
    EXPECT_EQ(Names(prefetcher.Take(c, nullptr)), (NameList{L"four.txt+", L"three.txt+"}));

    // Without sub-folders only what the pattern selects is kept.
    prefetcher.SetPattern(TWildcard(L"*.*"), false);
    EXPECT_EQ(Names(prefetcher.Take(a, nullptr)),
              (NameList{L"folder.txt+", L"inner+", L"one.txt+", L"other.log+"}));
    // A folder that cannot be listed lists nothing, and keeps the system's reason.
    const TListing missing = prefetcher.Take(dir.Sub(L"missing\\"), nullptr);
    EXPECT_EQ(missing.Size(), 0u);
    EXPECT_EQ(missing.Error(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    // A listing of many entries asks now and then whether to go on; told to stop, it ends
    // empty, with the reason that a walk given up leaves uncounted.
    for (int i = 0; i < 300; ++i)
        dir.WriteFile(L"many\\f" + std::to_wstring(i));
    int asked = 0;
    const TWildcard all(L"*");
    EXPECT_EQ(ListFolder(dir.Sub(L"many\\"), all, true, [&] { return ++asked > 0; }).Size(), 300u);
    EXPECT_EQ(asked, 1);
    const TListing stopped = ListFolder(dir.Sub(L"many\\"), all, true, [] { return false; });
    EXPECT_EQ(stopped.Size(), 0u);
    EXPECT_EQ(stopped.Error(), static_cast<DWORD>(ERROR_CANCELLED));
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

// Threads that never wake to take up the folder handed to them (under Wine a wake-up can be
// missed) do not hold the walk up: it takes each folder back and lists it itself. A folder
// given up on Stop while the walk waits for it is not one that could not be searched.
TEST(FolderPrefetcher, TheWalkTakesBackAFolderNoThreadTookUpAndStopCountsNothing) {
    TempDir dir{L"missed"};
    for (const wchar_t* file : {L"a.txt", L"sub\\b.txt", L"sub\\deeper\\c.txt"})
        dir.WriteFile(file);
    TIDList ids;
    TSettings settings;
    std::vector<std::wstring> excluded;
    FakeSearchHost host;
    std::unique_ptr<TSearchEngine> engine;
    const std::vector<DWORD> threads =
        ThreadsStartedBy([&] { engine = std::make_unique<TSearchEngine>(ids, settings, excluded, host); });
    engine->Criteria.SearchPattern = L"*.*";
    const auto walk = [&] {
        ids.Clear();
        engine->RunState.SearchInProgress = true;
        engine->SearchFolder(dir.Path());
    };
    walk();
    ASSERT_EQ(ids.Count(), 3);
    // The threads wait for work again.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const SuspendedThreads asleep(threads);

    // A walk that waited for ever is stopped after 10 s, short of its results.
    const auto start = std::chrono::steady_clock::now();
    host.onPump = [&](int) {
        if (std::chrono::steady_clock::now() - start > std::chrono::seconds(10))
            engine->Stop();
    };
    walk();
    EXPECT_EQ(ids.Count(), 3);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));

    host.onPump = [&](int) { engine->Stop(); };
    walk();
    EXPECT_TRUE(ids.Empty()) << "the walk did not wait for the first folder";
    EXPECT_EQ(engine->NotSearched.Count(), 0);
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

// A job that asks whether it is still wanted ends early once the walk has given it up or a
// cancel has dropped it, and its thread goes on with the next.
TEST(ReadAhead, AJobGivenUpOrCancelledEndsEarlyWhenItAsks) {
    std::atomic<int> endedEarly{0};
    TReadAhead<int> ahead(
        [&](const std::wstring& key, const std::function<bool()>& stillWanted) {
            for (int i = 0; key.starts_with(L"long") && i < 3000; ++i) {
                if (!stillWanted()) {
                    ++endedEarly;
                    return -1;
                }
                Sleep(10);
            }
            return static_cast<int>(key.size());
        },
        4);
    ahead.Announce({L"first", L"long1", L"n1", L"n2"}, false);
    ASSERT_TRUE(WaitFor([&] { return ahead.Working() == 1; }));
    EXPECT_EQ(ahead.Take(L"first", nullptr), std::nullopt);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ahead.Take(L"long1", [] { return false; }), std::nullopt);
    ASSERT_TRUE(WaitFor([&] { return endedEarly == 1; }));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    // The thread goes on with what is not the walk's next.
    ASSERT_TRUE(WaitFor([&] { return ahead.DoneAhead() == 1; }));
    EXPECT_EQ(ahead.Take(L"n1", nullptr), std::nullopt);
    EXPECT_EQ(ahead.Take(L"n2", nullptr), 2);

    ahead.Announce({L"next", L"long2"}, false);
    ASSERT_TRUE(WaitFor([&] { return ahead.Working() == 1; }));
    ahead.Cancel();
    ASSERT_TRUE(WaitFor([&] { return endedEarly == 2; }));
    EXPECT_EQ(ahead.DoneAhead(), 1);
}

namespace {

// Jobs that wait until the test lets them go, and report when they have started.
struct HeldJobs {
    UniqueHandle started{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle release{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle ended{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::mutex mutex;
    int running = 0;
    int mostAtOnce = 0;

    int Hold(const std::wstring& key) {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            mostAtOnce = std::max(mostAtOnce, ++running);
        }
        SetEvent(started.Get());
        WaitForSingleObject(release.Get(), 30000);
        {
            const std::lock_guard<std::mutex> lock(mutex);
            --running;
        }
        SetEvent(ended.Get());
        return static_cast<int>(key.size());
    }
};

} // namespace

// The files of a folder are opened on several threads at once; the walk still takes each
// result in its own order.
TEST(ReadAhead, SeveralThreadsWaitAtOnceAndTheWalkKeepsItsOrder) {
    auto held = std::make_shared<HeldJobs>();
    TReadAhead<int> ahead([held](const std::wstring& key) { return held->Hold(key); }, 8, 3);
    ahead.Announce({L"first", L"a", L"bb", L"ccc", L"dddd"}, false);
    ASSERT_TRUE(WaitFor([&] { return ahead.Working() == 3; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(ahead.Working(), 3) << "one job for each thread";
    SetEvent(held->release.Get());
    EXPECT_EQ(ahead.Take(L"first", nullptr), std::nullopt);
    EXPECT_EQ(ahead.Take(L"a", nullptr), 1);
    EXPECT_EQ(ahead.Take(L"bb", nullptr), 2);
    EXPECT_EQ(ahead.Take(L"ccc", nullptr), 3);
    EXPECT_EQ(ahead.Take(L"dddd", nullptr), 4);
    EXPECT_EQ(held->mostAtOnce, 3);
}

// A cancel while a thread is at a job: the job's result is dropped when it ends, and what
// is announced next is read ahead again, up to the limit of one result waiting.
TEST(ReadAhead, ACancelWhileAJobRunsLeavesTheReadAheadWorking) {
    auto held = std::make_shared<HeldJobs>();
    TReadAhead<int> ahead(
        [held](const std::wstring& key) {
            return key == L"slow" ? held->Hold(key) : static_cast<int>(key.size());
        },
        1);
    ahead.Announce({L"first", L"slow", L"later"}, false);
    ASSERT_EQ(WaitForSingleObject(held->started.Get(), 5000), WAIT_OBJECT_0);
    ahead.Cancel();
    SetEvent(held->release.Get());
    ASSERT_EQ(WaitForSingleObject(held->ended.Get(), 5000), WAIT_OBJECT_0);
    ASSERT_TRUE(WaitFor([&] { return ahead.Working() == 0; }));
    EXPECT_EQ(ahead.DoneAhead(), 0) << "the cancelled job's result is dropped";

    ahead.Announce({L"x", L"yy", L"zzz", L"wwww"}, false);
    ASSERT_TRUE(WaitFor([&] { return ahead.DoneAhead() == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(ahead.DoneAhead(), 1) << "one result waits at most";
    EXPECT_EQ(ahead.Take(L"x", nullptr), std::nullopt);
    EXPECT_EQ(ahead.Take(L"yy", nullptr), 2);
    // Its room taken again, the thread goes on with the job after the walk's next.
    ASSERT_TRUE(WaitFor([&] { return ahead.DoneAhead() == 2; }));
    EXPECT_EQ(ahead.Take(L"zzz", nullptr), std::nullopt);
    EXPECT_EQ(ahead.Take(L"wwww", nullptr), 4);
}

// A thread held up in a job (a share that stopped answering) does not hold up its owner's
// end, nor the end of the process: it is left behind and ends when its job returns.
TEST(ReadAhead, TheEndLeavesAThreadHeldUpInAJobBehind) {
    auto held = std::make_shared<HeldJobs>();
    auto ahead =
        std::make_unique<TReadAhead<int>>([held](const std::wstring& key) { return held->Hold(key); }, 4);
    ahead->Announce({L"first", L"stuck"}, false);
    ASSERT_EQ(WaitForSingleObject(held->started.Get(), 5000), WAIT_OBJECT_0);
    const auto start = std::chrono::steady_clock::now();
    ahead.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    SetEvent(held->release.Get());
    EXPECT_EQ(WaitForSingleObject(held->ended.Get(), 5000), WAIT_OBJECT_0);
}

namespace {

constexpr wchar_t ChildVariable[] = L"QUARROW_READ_AHEAD_CHILD";

// Whether this process is the second one that a test below started to run its other half.
bool InChild() {
    return GetEnvironmentVariableW(ChildVariable, nullptr, 0) != 0;
}

// Runs the current test again in a process of its own, where InChild() holds, and returns
// its exit code; -1 when it did not end within 15 s.
long ExitCodeOfChild() {
    const ::testing::TestInfo& test = *::testing::UnitTest::GetInstance()->current_test_info();
    wchar_t program[MAX_PATH];
    if (GetModuleFileNameW(nullptr, program, MAX_PATH) == 0)
        return -1;
    std::wstring command = L"\"" + std::wstring(program) + L"\" --gtest_filter=" +
                           FromAnsi(std::string(test.test_suite_name()) + "." + test.name());
    SetEnvironmentVariableW(ChildVariable, L"1");
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                        &startup, &process);
    SetEnvironmentVariableW(ChildVariable, nullptr);
    if (!started)
        return -1;
    UniqueHandle thread(process.hThread), child(process.hProcess);
    if (WaitForSingleObject(child.Get(), 15000) != WAIT_OBJECT_0)
        return -1;
    DWORD exitCode = 1;
    GetExitCodeProcess(child.Get(), &exitCode);
    return static_cast<long>(exitCode);
}

} // namespace

// The same at the end of a process: a program whose thread is held up in a job ends when
// its main function returns (the held job would keep it for 30 s).
TEST(ReadAhead, AProcessEndsWhileAThreadIsHeldUpInAJob) {
    if (InChild()) {
        static auto held = std::make_shared<HeldJobs>();
        static TReadAhead<int> ahead([](const std::wstring& key) { return held->Hold(key); }, 4);
        ahead.Announce({L"first", L"stuck"}, false);
        WaitForSingleObject(held->started.Get(), 5000);
        return;
    }
    EXPECT_EQ(ExitCodeOfChild(), 0);
}

// A listing the walk left behind goes on while the process ends and its static objects are
// destroyed: what it matches names with must outlive them. Memory freed there is soon
// another's: the child fills what it takes next with other values, and ends with code 3 when
// the listing then misses its name.
TEST(FolderPrefetcher, AListingLeftBehindMatchesNamesWhileTheProcessEnds) {
    if (InChild()) {
        static const TempDir dir{L"exit"};
        dir.WriteFile(L"a.txt");
        static const UniqueHandle processEnds(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        static const UniqueHandle listed(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        static std::atomic<bool> missed{false};
        // Registered before the first match: it runs after what that match set up is gone.
        std::atexit([] {
            constexpr size_t units = 65536;
            auto* taken = static_cast<wchar_t*>(std::malloc(units * sizeof(wchar_t)));
            for (size_t i = 0; taken != nullptr && i < units; ++i)
                taken[i] = static_cast<wchar_t>(i ^ 0x5555);
            SetEvent(processEnds.Get());
            WaitForSingleObject(listed.Get(), 10000);
            if (missed)
                TerminateProcess(GetCurrentProcess(), 3);
        });
        EXPECT_TRUE(TWildcard(L"*.txt").Matches(L"a.txt", L""));
        std::thread([] {
            WaitForSingleObject(processEnds.Get(), INFINITE);
            missed = ListFolder(dir.Path() + L"\\", TWildcard(L"*.TXT"), false).Size() != 1;
            SetEvent(listed.Get());
        }).detach();
        return;
    }
    EXPECT_EQ(ExitCodeOfChild(), 0);
}
