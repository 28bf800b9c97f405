#include "shell/KelShellChangeNotifier.h"

#include "base/Messages.h"
#include "base/Text.h"
#include "shell/ShellUnit.h"

#include "ShellTestKit.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <atomic>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <stdexcept>

using namespace quarrow;
using quarrow::test::TempDir;

namespace {

struct Delivered {
    TNotificationEvent event;
    std::wstring path1;
    std::wstring path2;
    bool operator==(const Delivered&) const = default;
};

void PrintTo(const Delivered& d, std::ostream* out) {
    *out << "{" << d.event << ", " << ::testing::PrintToString(d.path1) << ", "
         << ::testing::PrintToString(d.path2) << "}";
}

// Records what reaches the handler.
void Record(TKelShellChangeNotifier& notifier, std::vector<Delivered>& into) {
    notifier.OnChange = [&into](TKelShellChangeNotifier&, TNotificationEvent event, const std::wstring& path1,
                                const std::wstring& path2) {
        into.push_back({event, path1, path2});
    };
}

// The shell's message with the two lists of a change.
void SendShellChange(TKelShellChangeNotifier& notifier, LONG code, LPCITEMIDLIST first,
                     LPCITEMIDLIST second = nullptr) {
    LPCITEMIDLIST lists[2] = {first, second};
    SendMessageW(notifier.Handle(), TKelShellChangeNotifier::NotifyMessage, reinterpret_cast<WPARAM>(lists),
                 static_cast<LPARAM>(code));
    ProcessMessages();
}

// Handles messages until `done` holds or the time is up.
template <typename F> bool PumpUntil(F done, DWORD timeoutMs = 5000) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done() && GetTickCount64() < end) {
        ProcessMessages();
        Sleep(10);
    }
    return done();
}

// Stands in for the shell's registration functions.
struct FakeRegistration {
    HWND window;
    int sources;
    LONG events;
    UINT message;
    UniqueIDList list;
    BOOL recursive;
};
std::vector<FakeRegistration> g_registered;
std::vector<ULONG> g_deregistered;

ULONG WINAPI FakeRegister(HWND window, int sources, LONG events, UINT message, int count,
                          const SHChangeNotifyEntry* entries) {
    EXPECT_EQ(1, count);
    g_registered.push_back(
        {window, sources, events, message, CopyIDList(entries[0].pidl), entries[0].fRecursive});
    return static_cast<ULONG>(100 + g_registered.size());
}

BOOL WINAPI FakeDeregister(ULONG id) {
    g_deregistered.push_back(id);
    return TRUE;
}

void UseFakeRegistration(TKelShellChangeNotifier& notifier) {
    notifier.RegisterFunction = FakeRegister;
    notifier.DeregisterFunction = FakeDeregister;
}

} // namespace

TEST(ChangeNotifierEvents, TranslateEveryCodeBothWaysAndFormTheMask) {
    for (int i = 0; i < neUnknown; ++i) {
        const auto event = static_cast<TNotificationEvent>(i);
        EXPECT_EQ(event, NotificationEventOf(ChangeCodeOf(event))) << i;
    }
    EXPECT_EQ(SHCNE_ALLEVENTS, ChangeCodeOf(neUnknown));
    EXPECT_EQ(neUnknown, NotificationEventOf(SHCNE_ALLEVENTS));
    EXPECT_EQ(neUnknown, NotificationEventOf(SHCNE_EXTENDED_EVENT));
    EXPECT_EQ(neUnknown, NotificationEventOf(SHCNE_DELETE | SHCNE_RMDIR));

    const TNotificationEvents program =
        NotificationEvents({neFileDelete, neFileRename, neFolderDelete, neFolderRename});
    EXPECT_EQ(0x6030u, program.to_ulong());
    EXPECT_EQ(SHCNE_DELETE | SHCNE_RENAMEITEM | SHCNE_RMDIR | SHCNE_RENAMEFOLDER, EventMask(program));
    EXPECT_EQ(0xFFFFFu, DefaultEventFilter().to_ulong());
    EXPECT_EQ(SHCNE_ALLEVENTS, EventMask(DefaultEventFilter()) | SHCNE_ALLEVENTS);
    EXPECT_EQ(0, EventMask(DefaultEventFilter()) & ~SHCNE_ALLEVENTS);
}

TEST(ChangeNotifier, RegistersEachEntryOnceAndWatchesMyComputerThroughThePlaceholder) {
    TempDir dir(L"notify");
    g_registered.clear();
    g_deregistered.clear();
    TKelShellChangeNotifier notifier;
    UseFakeRegistration(notifier);
    EXPECT_FALSE(notifier.GetEnabled());
    EXPECT_TRUE(notifier.Recursive());
    EXPECT_EQ(DefaultEventFilter(), notifier.EventFilter());

    notifier.SetRecursive(false); // while off: stored, nothing registered
    notifier.SetEnabled(true);
    notifier.SetEnabled(true);
    ASSERT_EQ(1u, g_registered.size());
    const FakeRegistration& first = g_registered[0];
    EXPECT_NE(nullptr, notifier.Handle());
    EXPECT_EQ(notifier.Handle(), first.window);
    EXPECT_EQ(0x1003, first.sources);
    EXPECT_EQ(2011u, first.message);
    EXPECT_EQ(EventMask(DefaultEventFilter()), first.events);
    EXPECT_TRUE(SameIDList(SpecialFolderLocation(CSIDL_DRIVES).Get(), first.list.Get()));
    EXPECT_TRUE(first.recursive);
    EXPECT_TRUE(notifier.Recursive()) << "the placeholder watches recursively";
    ASSERT_EQ(1u, notifier.Directories().size());
    EXPECT_EQ(L"", notifier.Directories()[0].Path);
    EXPECT_EQ(101u, notifier.Directories()[0].Id);

    const TNotificationEvents program =
        NotificationEvents({neFileDelete, neFileRename, neFolderDelete, neFolderRename});
    notifier.SetEventFilter(program);
    notifier.SetEventFilter(program);
    EXPECT_EQ(std::vector<ULONG>{101}, g_deregistered);
    ASSERT_EQ(2u, g_registered.size());
    EXPECT_EQ(EventMask(program), g_registered[1].events);

    // A real entry replaces the placeholder; a second one in another letter case is the same.
    notifier.AddDirectory(dir.Path());
    notifier.AddDirectory(LowerAsciiLetters(dir.Path()));
    ASSERT_EQ(1u, notifier.Directories().size());
    EXPECT_EQ(dir.Path(), notifier.Directories()[0].Path);
    EXPECT_TRUE(SameIDList(ParseName(nullptr, dir.Path()).Get(), g_registered.back().list.Get()));
    const ULONG id = notifier.Directories()[0].Id;
    EXPECT_NE(0u, id);

    notifier.SetEnabled(false);
    EXPECT_EQ(id, g_deregistered.back());
    EXPECT_EQ(0u, notifier.Directories()[0].Id);

    TKelShellChangeNotifier withoutShell;
    withoutShell.RegisterFunction = nullptr;
    withoutShell.SetEnabled(true);
    EXPECT_FALSE(withoutShell.GetEnabled());
}

TEST(ChangeNotifier, DropsARepeatWithinTwoAndAHalfSecondsOfTheLastDelivery) {
    TempDir dir(L"notify");
    const std::wstring a = dir.WriteFile(L"a.txt");
    const std::wstring b = dir.WriteFile(L"b.txt");
    const UniqueIDList listA = ParseName(nullptr, a);
    const UniqueIDList listB = ParseName(nullptr, b);
    ASSERT_TRUE(listA && listB);
    TKelShellChangeNotifier notifier;
    UseFakeRegistration(notifier);
    DWORD now = 0;
    notifier.TickCount = [&now] { return now; };
    std::vector<Delivered> seen;
    Record(notifier, seen);

    SendShellChange(notifier, SHCNE_DELETE, listA.Get());
    EXPECT_TRUE(seen.empty()) << "off: dropped";
    notifier.SetEnabled(true);

    // The same change every second is delivered at 0, 3 and 6 seconds; the interrupt bit
    // does not make it another change.
    std::vector<DWORD> deliveredAt;
    for (DWORD second = 0; second <= 6; ++second) {
        now = 10000 + second * 1000;
        const size_t before = seen.size();
        SendShellChange(notifier, SHCNE_DELETE | (second % 2 ? SHCNE_INTERRUPT : 0), listA.Get());
        if (seen.size() > before)
            deliveredAt.push_back(second);
    }
    EXPECT_EQ((std::vector<DWORD>{0, 3, 6}), deliveredAt);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ((Delivered{neFileDelete, a, L""}), seen.front());

    // Another item or another code is no repeat; the tick difference is unsigned.
    SendShellChange(notifier, SHCNE_DELETE, listB.Get());
    SendShellChange(notifier, SHCNE_RENAMEITEM, listB.Get(), listA.Get());
    EXPECT_EQ((Delivered{neFileRename, b, a}), seen.back());
    seen.clear();
    now = 0xFFFFFF00u;
    SendShellChange(notifier, SHCNE_RMDIR, listA.Get());
    now = 0x100;
    SendShellChange(notifier, SHCNE_RMDIR, listA.Get());
    EXPECT_EQ(1u, seen.size()) << "512 ms across the wrap";
    // A change without an item (the desktop) is never a repeat.
    SendShellChange(notifier, SHCNE_UPDATEDIR, DesktopIDList());
    SendShellChange(notifier, SHCNE_UPDATEDIR, DesktopIDList());
    EXPECT_EQ(3u, seen.size());
}

// The interval is exact: 2,499 ms after the last delivery is a repeat, 2,500 ms is not.
TEST(ChangeNotifier, TheRepeatIntervalEndsAtTwoAndAHalfSecondsExactly) {
    TempDir dir(L"notify");
    const UniqueIDList list = ParseName(nullptr, dir.WriteFile(L"a.txt"));
    TKelShellChangeNotifier notifier;
    UseFakeRegistration(notifier);
    DWORD now = 0;
    notifier.TickCount = [&now] { return now; };
    std::vector<Delivered> seen;
    Record(notifier, seen);
    notifier.SetEnabled(true);
    for (const DWORD at : {1000u, 3499u, 3500u, 5999u, 6000u}) {
        now = at;
        SendShellChange(notifier, SHCNE_DELETE, list.Get());
    }
    EXPECT_EQ(3u, seen.size()) << "at 1,000, 3,500 and 6,000 ms";

    // The watch's report of a path is the shell's report of the same path, in any case.
    TChangeRepeatRule rule;
    const std::wstring path = dir.Sub(L"a.txt");
    rule.Remember(SHCNE_DELETE, TChangeItem{CopyIDList(list.Get()), path}, 100);
    EXPECT_TRUE(rule.IsRepeat(SHCNE_DELETE, TChangeItem{{}, LowerAsciiLetters(path)}, 2599));
    EXPECT_FALSE(rule.IsRepeat(SHCNE_DELETE, TChangeItem{{}, LowerAsciiLetters(path)}, 2600));
    EXPECT_FALSE(rule.IsRepeat(SHCNE_DELETE, TChangeItem{{}, path + L"x"}, 200));
}

TEST(ChangeNotifier, DeliversOnTheGuiThreadOneChangeAtATime) {
    TempDir dir(L"notify");
    const UniqueIDList list = ParseName(nullptr, dir.WriteFile(L"a.txt"));
    auto notifier = std::make_unique<TKelShellChangeNotifier>();
    UseFakeRegistration(*notifier);
    notifier->SetEnabled(true);
    int calls = 0;
    notifier->OnChange = [&](TKelShellChangeNotifier&, TNotificationEvent event, const std::wstring&,
                             const std::wstring&) {
        ++calls;
        if (event == neFileDelete)
            throw std::runtime_error("handler failed");
    };

    // The window procedure only queues; a failing handler ends its own delivery.
    LPCITEMIDLIST lists[2] = {list.Get(), nullptr};
    SendMessageW(notifier->Handle(), 2011, reinterpret_cast<WPARAM>(lists), SHCNE_DELETE);
    SendMessageW(notifier->Handle(), 2011, reinterpret_cast<WPARAM>(lists), SHCNE_RENAMEITEM);
    EXPECT_EQ(0, calls);
    EXPECT_EQ(2u, notifier->PendingDeliveries());
    ProcessMessages();
    EXPECT_EQ(2, calls);

    // Deliveries still waiting when the notifier goes are dropped.
    SendMessageW(notifier->Handle(), 2011, reinterpret_cast<WPARAM>(lists), SHCNE_RMDIR);
    EXPECT_EQ(1u, notifier->PendingDeliveries());
    notifier.reset();
    ProcessMessages();
    EXPECT_EQ(2, calls);
}

// Messages of dropped deliveries still arrive; afterwards, deliveries whose message could
// not be posted are still run, by the messages of the ones after them.
TEST(ChangeNotifier, DeliveriesWhosePostFailedAreRunAfterDroppedOnes) {
    TKelShellChangeNotifier notifier;
    int calls = 0;
    notifier.OnChange = [&](TKelShellChangeNotifier&, TNotificationEvent, const std::wstring&,
                            const std::wstring&) { ++calls; };
    for (int i = 0; i < 3; ++i)
        notifier.DoChange(notifier, neFileDelete, L"Z:\\dropped" + std::to_wstring(i), L"");
    notifier.DropPendingDeliveries();
    ProcessMessages();
    EXPECT_EQ(0, calls);

    bool postsFail = true;
    notifier.PostFunction = [&postsFail](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        return postsFail ? FALSE : PostMessageW(window, message, wParam, lParam);
    };
    notifier.DoChange(notifier, neFileDelete, L"Z:\\a", L"");
    notifier.DoChange(notifier, neFileDelete, L"Z:\\b", L"");
    postsFail = false;
    notifier.DoChange(notifier, neFileDelete, L"Z:\\c", L"");
    EXPECT_TRUE(PumpUntil([&] { return calls == 3; }, 1000));
    EXPECT_EQ(0u, notifier.PendingDeliveries());
}

// A filter without file deletions: neither the shell's nor the watch's removals of a file
// come through, while renames do.
TEST(ChangeNotifier, AFilterWithoutFileDeletionsLeavesThemOutFromBothSources) {
    TempDir dir(L"notify");
    const std::wstring removed = dir.WriteFile(L"removed.txt");
    const std::wstring renamed = dir.WriteFile(L"renamed.txt");
    const std::wstring newName = dir.Sub(L"new name.txt");
    g_registered.clear();
    TKelShellChangeNotifier notifier;
    UseFakeRegistration(notifier);
    std::vector<Delivered> seen;
    Record(notifier, seen);
    notifier.SetEventFilter(NotificationEvents({neFileRename, neFolderDelete, neFolderRename}));
    notifier.OpenFileSystemWatch({dir.Path()});
    notifier.SetEnabled(true);
    ASSERT_EQ(1u, g_registered.size());
    EXPECT_EQ(SHCNE_RENAMEITEM | SHCNE_RMDIR | SHCNE_RENAMEFOLDER, g_registered[0].events);

    ASSERT_TRUE(DeleteFileW(removed.c_str()));
    PumpUntil([] { return false; }, 300);
    ASSERT_TRUE(MoveFileW(renamed.c_str(), newName.c_str()));
    ASSERT_TRUE(PumpUntil([&] { return !seen.empty(); }));
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ((std::vector<Delivered>{{neFileRename, renamed, newName}}), seen);
}

// Changes held while the notifier is off are bounded; past the bound, the results are
// checked on the disk instead.
TEST(ChangeNotifier, HeldChangesPastTheirBoundAreCheckedOnTheDiskInstead) {
    TempDir dir(L"notify");
    std::vector<std::wstring> files;
    for (int i = 0; i < 12; ++i)
        files.push_back(dir.WriteFile(L"file" + std::to_wstring(i) + L".txt"));
    TKelShellChangeNotifier notifier;
    UseFakeRegistration(notifier);
    std::vector<Delivered> seen;
    Record(notifier, seen);
    int checks = 0;
    notifier.OnChangesLost = [&checks] { ++checks; };
    notifier.WatchedChangesLimit = 5;
    notifier.OpenFileSystemWatch({dir.Path()});
    for (const std::wstring& file : files) {
        ASSERT_TRUE(DeleteFileW(file.c_str()));
        PumpUntil([] { return false; }, 20);
    }
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(0, checks) << "held while off";
    notifier.SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return checks > 0; }));
    EXPECT_EQ(1, checks);
    EXPECT_TRUE(seen.empty());
}

TEST(ChangeNotifier, ReceivesTheShellsReportsForMyComputer) {
    TempDir dir(L"notify");
    const std::wstring gone = dir.WriteFile(L"gone.txt");
    const std::wstring before = dir.WriteFile(L"before.txt");
    const std::wstring after = dir.Sub(L"after.txt");
    TKelShellChangeNotifier notifier;
    std::vector<Delivered> seen;
    Record(notifier, seen);
    notifier.SetEventFilter(NotificationEvents({neFileDelete, neFileRename, neFolderDelete, neFolderRename}));
    notifier.SetEnabled(true);
    ASSERT_NE(0u, notifier.Directories().at(0).Id);

    ASSERT_TRUE(DeleteFileW(gone.c_str()));
    SHChangeNotify(SHCNE_DELETE, SHCNF_PATHW, gone.c_str(), nullptr);
    ASSERT_TRUE(MoveFileW(before.c_str(), after.c_str()));
    SHChangeNotify(SHCNE_RENAMEITEM, SHCNF_PATHW, before.c_str(), after.c_str());
    SHChangeNotify(SHCNE_CREATE, SHCNF_PATHW, after.c_str(), nullptr); // not in the filter
    ASSERT_TRUE(PumpUntil([&] { return seen.size() >= 2; }));
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ((std::vector<Delivered>{{neFileDelete, gone, L""}, {neFileRename, before, after}}), seen);

    notifier.SetEnabled(false);
    SHChangeNotify(SHCNE_DELETE, SHCNF_PATHW, after.c_str(), nullptr);
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ(2u, seen.size());
}

TEST(ChangeNotifier, WatchReportsRemovalsAndRenamesOfOtherProgramsOnce) {
    TempDir dir(L"notify");
    const std::wstring a = dir.WriteFile(L"a.txt");
    const std::wstring b = dir.WriteFile(L"sub\\b.txt");
    const std::wstring c = dir.WriteFile(L"c.txt");
    const std::wstring saved = dir.WriteFile(L"saved.txt");
    TKelShellChangeNotifier notifier;
    std::vector<Delivered> seen;
    Record(notifier, seen);
    notifier.SetEventFilter(NotificationEvents({neFileDelete, neFileRename, neFolderDelete, neFolderRename}));
    notifier.OpenFileSystemWatch({dir.Path()});
    // Under Wine the watch sees into a sub-folder once it was listed, as a search does.
    for (const auto& entry : std::filesystem::directory_iterator(dir.Sub(L"sub")))
        (void)entry;

    // Held while the notifier is off.
    ASSERT_TRUE(DeleteFileW(a.c_str()));
    PumpUntil([] { return false; }, 300);
    EXPECT_TRUE(seen.empty());
    notifier.SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return !seen.empty(); }));
    EXPECT_EQ((Delivered{neFileDelete, a, L""}), seen[0]);

    // Reported by the watch and by the shell: delivered once.
    seen.clear();
    ASSERT_TRUE(DeleteFileW(b.c_str()));
    SHChangeNotify(SHCNE_DELETE, SHCNF_PATHW, b.c_str(), nullptr);
    ASSERT_TRUE(PumpUntil([&] { return !seen.empty(); }));
    ASSERT_TRUE(MoveFileW(c.c_str(), dir.Sub(L"d.txt").c_str()));
    ASSERT_TRUE(PumpUntil([&] { return seen.size() >= 2; }));
    // A program that saves through a temporary name: the path exists again.
    ASSERT_TRUE(MoveFileW(saved.c_str(), dir.Sub(L"saved.bak").c_str()));
    dir.WriteFile(L"saved.txt", "new");
    PumpUntil([] { return false; }, 500);
    EXPECT_EQ((std::vector<Delivered>{{neFileDelete, b, L""}, {neFileRename, c, dir.Sub(L"d.txt")}}), seen);
}

TEST(FileSystemWatcher, ReportsLostChangesWhenTheyDoNotFitItsBuffer) {
    TempDir dir(L"watch");
    std::vector<std::wstring> files;
    for (int i = 0; i < 20; ++i)
        files.push_back(dir.WriteFile(L"a-rather-long-file-name-" + std::to_wstring(i) + L".txt"));
    std::atomic<int> signals{0};
    TFileSystemWatcher watcher(
        {dir.Path()}, [&] { ++signals; }, 16);
    ASSERT_EQ(std::vector<std::wstring>{dir.Path() + L"\\"}, watcher.Roots());
    for (const std::wstring& file : files)
        ASSERT_TRUE(DeleteFileW(file.c_str()));
    ASSERT_TRUE(PumpUntil([&] { return signals > 0; }));
    Sleep(200);
    bool lost = false;
    const std::vector<TWatchedChange> changes = watcher.TakeChanges(lost);
    EXPECT_TRUE(lost);
    EXPECT_LT(changes.size(), files.size());
}

// One watcher serves search after search: a new location replaces the trees, and reports
// taken before a new watch (of another tree, or of the same one kept) are not handed on.
TEST(FileSystemWatcher, ANewWatchDropsWhatCameBeforeAndReplacesOrKeepsItsTrees) {
    TempDir first(L"watch-first");
    TempDir second(L"watch-second");
    const std::wstring early = first.WriteFile(L"early.txt");
    const std::wstring late = first.WriteFile(L"late.txt");
    const std::wstring elsewhere = second.WriteFile(L"elsewhere.txt");
    const std::wstring kept = second.WriteFile(L"kept.txt");
    std::atomic<int> signals{0};
    TFileSystemWatcher watcher({first.Path()}, [&] { ++signals; });
    const auto takeWhenSignalled = [&] {
        EXPECT_TRUE(PumpUntil([&] { return signals > 0; }));
        Sleep(100);
        signals = 0;
        bool lost = false;
        std::vector<std::wstring> paths;
        for (const TWatchedChange& change : watcher.TakeChanges(lost))
            paths.push_back(change.OldPath);
        return paths;
    };

    ASSERT_TRUE(DeleteFileW(early.c_str()));
    EXPECT_EQ(std::vector<std::wstring>{early}, takeWhenSignalled());

    ASSERT_TRUE(DeleteFileW(late.c_str()));
    ASSERT_TRUE(PumpUntil([&] { return signals > 0; }));
    watcher.Watch({second.Path()});
    signals = 0;
    EXPECT_EQ(std::vector<std::wstring>{second.Path() + L"\\"}, watcher.Roots());
    bool lost = false;
    EXPECT_TRUE(watcher.TakeChanges(lost).empty());
    ASSERT_TRUE(DeleteFileW(elsewhere.c_str()));
    EXPECT_EQ(std::vector<std::wstring>{elsewhere}, takeWhenSignalled());

    // The same location again: what happened before is dropped, what happens after is seen.
    ASSERT_TRUE(MoveFileW(kept.c_str(), second.Sub(L"moved.txt").c_str()));
    ASSERT_TRUE(PumpUntil([&] { return signals > 0; }));
    watcher.Watch({second.Path() + L"\\"});
    signals = 0;
    EXPECT_TRUE(watcher.TakeChanges(lost).empty());
    ASSERT_TRUE(DeleteFileW(second.Sub(L"moved.txt").c_str()));
    EXPECT_EQ(std::vector<std::wstring>{second.Sub(L"moved.txt")}, takeWhenSignalled());

    watcher.Watch({});
    EXPECT_TRUE(watcher.Roots().empty());
}

// A last record for a one-letter name is 14 bytes long, shorter than the record's type.
TEST(FileSystemWatcher, ReadsEveryRecordOfAReportToTheLastByte) {
    alignas(DWORD) BYTE buffer[64] = {};
    const auto put = [&](size_t at, DWORD next, DWORD action, const std::wstring& name) {
        auto* record = reinterpret_cast<FILE_NOTIFY_INFORMATION*>(buffer + at);
        record->NextEntryOffset = next;
        record->Action = action;
        record->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
        std::memcpy(record->FileName, name.data(), record->FileNameLength);
    };
    put(0, 16, FILE_ACTION_RENAMED_OLD_NAME, L"o");
    put(16, 16, FILE_ACTION_RENAMED_NEW_NAME, L"n");
    put(32, 0, FILE_ACTION_REMOVED, L"x");
    const DWORD bytes = 32 + offsetof(FILE_NOTIFY_INFORMATION, FileName) + sizeof(wchar_t);
    ASSERT_EQ(46u, bytes);
    const std::vector<TWatchedChange> changes = ParseChangeRecords(L"Z:\\r\\", buffer, bytes);
    ASSERT_EQ(2u, changes.size());
    EXPECT_EQ(L"Z:\\r\\o", changes[0].OldPath);
    EXPECT_EQ(L"Z:\\r\\n", changes[0].NewPath);
    EXPECT_EQ(TWatchedChange::Kind::Removed, changes[1].ChangeKind);
    EXPECT_EQ(L"Z:\\r\\x", changes[1].OldPath);
    // A record cut off by the end of the report is not read.
    EXPECT_EQ(1u, ParseChangeRecords(L"Z:\\r\\", buffer, bytes - 1).size());
}

// Under Wine a watch of a folder removed by another program stays armed and silent: the
// loss is found by looking at the root, and the same path watched again is the new folder.
TEST(FileSystemWatcher, AWatchedFolderDeletedAndMadeAgainIsLostThenWatchedAnew) {
    TempDir dir(L"watch-again");
    const std::wstring root = dir.MakeDir(L"root");
    dir.WriteFile(L"root\\old.txt");
    std::atomic<int> signals{0};
    TFileSystemWatcher watcher({root}, [&] { ++signals; });
    ASSERT_TRUE(test::RunLinuxCommand(L"/bin/rm -rf", root));
    bool lost = false;
    ASSERT_TRUE(PumpUntil([&] {
        bool lostNow = false;
        watcher.TakeChanges(lostNow);
        lost = lost || lostNow;
        return lost;
    }));

    // A one-letter name makes the platform's shortest record.
    const std::wstring again = dir.WriteFile(L"root\\x");
    dir.WriteFile(L"root\\kept.txt");
    watcher.Watch({root});
    signals = 0;
    ASSERT_TRUE(test::RunLinuxCommand(L"/bin/rm", again));
    ASSERT_TRUE(PumpUntil([&] { return signals > 0; }));
    Sleep(100);
    const std::vector<TWatchedChange> changes = watcher.TakeChanges(lost);
    ASSERT_EQ(1u, changes.size());
    EXPECT_EQ(again, changes[0].OldPath);
    EXPECT_FALSE(lost);
}

// The roots are looked at on time even while another watched tree keeps reporting.
TEST(FileSystemWatcher, AWatchedFolderDeletedIsLostWhileAnotherTreeKeepsReporting) {
    TempDir dir(L"watch-busy");
    const std::wstring gone = dir.MakeDir(L"gone");
    const std::wstring busy = dir.MakeDir(L"busy");
    TFileSystemWatcher watcher({gone, busy}, [] {});
    ASSERT_EQ(2u, watcher.Roots().size());
    ASSERT_TRUE(test::RunLinuxCommand(L"/bin/rm -rf", gone));
    bool lost = false;
    const ULONGLONG end = GetTickCount64() + 8 * TFileSystemWatcher::RootCheckIntervalMs;
    for (int i = 0; !lost && GetTickCount64() < end; ++i) {
        dir.WriteFile(L"busy\\file" + std::to_wstring(i) + L".txt");
        Sleep(TFileSystemWatcher::RootCheckIntervalMs / 5);
        watcher.TakeChanges(lost);
    }
    EXPECT_TRUE(lost);
}
