// Nothing missed in silence: folders and files at any depth and with names that end in a
// dot or a blank are walked and searched, and what cannot be searched is counted with its
// reason.

#include "search/SearchTestKit.h"

#include "base/FileSystem.h"
#include "base/Handles.h"
#include "base/SystemError.h"
#include "search/Searches.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

using namespace quarrow;
using namespace quarrow::test;

namespace {

using Names = std::vector<std::wstring>;

class NotSearched : public ::testing::Test {
protected:
    NotSearched() {
        engine.Criteria.SearchPattern = L"*.*";
        engine.Criteria.ShowMatchingFilenames = true;
    }

    void Walk() {
        ids.Clear();
        host.pumps = 0;
        engine.NotSearched.Clear();
        engine.RunState.SearchInProgress = true;
        engine.SearchFolder(dir.Path());
    }
    void SearchText(const std::wstring& text) {
        engine.Criteria.SearchInFiles = true;
        engine.Criteria.CTString = text;
    }
    // Results as paths relative to the test folder, sorted.
    Names Found() const {
        Names found;
        for (const auto& item : ids.Items())
            found.push_back(item->FullName().substr(dir.Path().size() + 1));
        std::sort(found.begin(), found.end());
        return found;
    }
    // The entries as "relative path: reason".
    Names Entries() const {
        Names entries;
        for (const TNotSearchedEntry& entry : engine.NotSearched.Entries())
            entries.push_back(entry.Path.substr(dir.Path().size() + 1) + L": " +
                              NotSearchedReasonText(entry));
        return entries;
    }

    TempDir dir{L"unsearched"};
    TIDList ids;
    TSettings settings;
    std::vector<std::wstring> excluded;
    FakeSearchHost host;
    TSearchEngine engine{ids, settings, excluded, host};
};

std::wstring EnvironmentValue(const wchar_t* name) {
    wchar_t value[1024] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, 1024);
    return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring();
}

} // namespace

TEST_F(NotSearched, DeepFilesAreFoundByNameAndByText) {
    const std::wstring deep = MakeDeepFolder(dir.Path(), 330);
    ASSERT_GT(deep.size(), 300u);
    for (int i = 0; i < 5; ++i)
        WriteFileExactly(deep + L"\\file" + std::to_wstring(i) + L".txt", i % 2 == 0 ? "a needle" : "hay");
    WriteFileExactly(dir.Sub(L"top.txt"), "needle on top");
    for (bool readAhead : {true, false}) {
        engine.ReadAhead = readAhead;
        engine.Criteria.SearchInFiles = false;
        Walk();
        EXPECT_EQ(6, ids.Count());
        EXPECT_EQ(deep + L"\\", ids[5].Folder()) << "the row shows the ordinary path";

        SearchText(L"NEEDLE");
        Walk();
        const std::wstring bottom = deep.substr(dir.Path().size() + 1) + L"\\";
        EXPECT_EQ(Found(),
                  (Names{bottom + L"file0.txt", bottom + L"file2.txt", bottom + L"file4.txt", L"top.txt"}));
        EXPECT_EQ(0, engine.NotSearched.Count()) << Entries().front();
    }
}

// The listing's old limit: a folder listed as "<folder>\*.*" of 259 characters was the last
// one listed.
TEST_F(NotSearched, ListingPathsOfExactly259And260And261CharactersAreListed) {
    const std::wstring base = dir.Sub(L"limit");
    Names expected;
    for (size_t length : {259u, 260u, 261u}) {
        const size_t nameLength = length - base.size() - 1 - std::wstring(L"\\*.*").size();
        ASSERT_GT(nameLength, 5u) << "the test folder's path is too long for this test";
        const std::wstring name = std::wstring(nameLength - 3, L'x') + std::to_wstring(length);
        ASSERT_EQ(length, (base + L"\\" + name + L"\\*.*").size());
        WriteFileExactly(base + L"\\" + name + L"\\f.txt", "f");
        expected.push_back(L"limit\\" + name + L"\\f.txt");
        // And a file whose own path has that length.
        const std::wstring fileName = std::to_wstring(length) + std::wstring(length - base.size() - 4, L'y');
        ASSERT_EQ(length, (base + L"\\" + fileName).size());
        WriteFileExactly(base + L"\\" + fileName, "f");
        expected.push_back(L"limit\\" + fileName);
    }
    std::sort(expected.begin(), expected.end());
    Walk();
    EXPECT_EQ(Found(), expected);
    EXPECT_EQ(0, engine.NotSearched.Count());
}

// Under Wine these names can be made from Linux too; "\\?\" paths make them on Windows.
TEST_F(NotSearched, FoldersWhoseNamesEndInADotOrABlankListTheirOwnFiles) {
    WriteFileExactly(dir.Sub(L"data.\\in-dotted.txt"), "dotted needle");
    WriteFileExactly(dir.Sub(L"data\\in-plain.txt"), "plain");
    WriteFileExactly(dir.Sub(L"data \\in-blank.txt"), "blank");
    WriteFileExactly(dir.Sub(L"data\\dot."), "the file with the dot: needle");
    WriteFileExactly(dir.Sub(L"data\\dot"), "its sibling");
    Walk();
    EXPECT_EQ(Found(), (Names{L"data \\in-blank.txt", L"data.\\in-dotted.txt", L"data\\dot", L"data\\dot.",
                              L"data\\in-plain.txt"}));
    SearchText(L"needle");
    Walk();
    EXPECT_EQ(Found(), (Names{L"data.\\in-dotted.txt", L"data\\dot."}));
}

TEST_F(NotSearched, FoldersAndFilesThatCannotBeReadAreCountedWithTheSystemsReason) {
    WriteFileExactly(dir.Sub(L"a.txt"), "needle");
    const std::wstring locked = WriteFileExactly(dir.Sub(L"locked.txt"), "needle");
    WriteFileExactly(dir.Sub(L"held\\inside.txt"), "needle");
    WriteFileExactly(dir.Sub(L"empty.txt"));
    UniqueFile lockedFile(CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    UniqueFile heldFolder(CreateFileW(dir.Sub(L"held").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(lockedFile && heldFolder);
    SearchText(L"needle");
    Walk();
    EXPECT_EQ(Found(), Names{L"a.txt"});
    const std::wstring sharing = SystemErrorText(ERROR_SHARING_VIOLATION);
    EXPECT_EQ(Entries(), (Names{L"locked.txt: Could not open the file: " + sharing + L".",
                                L"held\\: Could not list the folder: " + sharing + L"."}));
    EXPECT_EQ(2, engine.NotSearched.Count());

    // Without the content test no file is opened; a folder that vanished before its walk is
    // counted as not found.
    lockedFile.Reset();
    heldFolder.Reset();
    engine.Criteria.SearchInFiles = false;
    engine.ReadAhead = false;
    host.onPump = [&](int pump) {
        if (pump == 1)
            DeletePermanently(dir.Sub(L"held"));
    };
    Walk();
    EXPECT_EQ(Entries(),
              Names{L"held\\: Could not list the folder: " + SystemErrorText(ERROR_PATH_NOT_FOUND) + L"."});
}

// Run in a second process by the test below.
TEST(NotSearchedHelper, HoldsAFileOpenWithoutSharing) {
    const std::wstring path = EnvironmentValue(L"QUARROW_HOLD_FILE");
    if (path.empty())
        GTEST_SKIP() << "the second process of NotSearched.AFileHeldOpenByAnotherProcessIsCounted";
    const UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file);
    const UniqueHandle ready(
        OpenEventW(EVENT_MODIFY_STATE, FALSE, (path.substr(path.rfind(L'\\') + 1) + L"-held").c_str()));
    const UniqueHandle release(
        OpenEventW(SYNCHRONIZE, FALSE, (path.substr(path.rfind(L'\\') + 1) + L"-release").c_str()));
    ASSERT_TRUE(ready && release);
    SetEvent(ready.Get());
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(release.Get(), 60000));
}

TEST_F(NotSearched, AFileHeldOpenByAnotherProcessIsCounted) {
    const std::wstring name = L"held-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
    const std::wstring held = WriteFileExactly(dir.Sub(name), "needle");
    WriteFileExactly(dir.Sub(L"free.txt"), "needle");
    const UniqueHandle ready(CreateEventW(nullptr, TRUE, FALSE, (name + L"-held").c_str()));
    const UniqueHandle release(CreateEventW(nullptr, TRUE, FALSE, (name + L"-release").c_str()));
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --gtest_filter=NotSearchedHelper.*";
    SetEnvironmentVariableW(L"QUARROW_HOLD_FILE", held.c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    const bool started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableW(L"QUARROW_HOLD_FILE", nullptr);
    ASSERT_TRUE(started);
    const UniqueHandle thread(process.hThread), child(process.hProcess);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready.Get(), 20000));

    SearchText(L"needle");
    Walk();
    SetEvent(release.Get());
    EXPECT_EQ(Found(), Names{L"free.txt"});
    EXPECT_EQ(Entries(),
              Names{name + L": Could not open the file: " + SystemErrorText(ERROR_SHARING_VIOLATION) + L"."});
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(child.Get(), 20000));
}

TEST_F(NotSearched, FilesStoredOnlineAreCountedAndNeverOpened) {
    const std::wstring online = WriteFileExactly(dir.Sub(L"online.txt"), "needle");
    WriteFileExactly(dir.Sub(L"local.txt"), "needle");
    SetFileAttributesW(online.c_str(), FILE_ATTRIBUTE_OFFLINE);
    if ((GetFileAttributesW(online.c_str()) & FILE_ATTRIBUTE_OFFLINE) == 0)
        GTEST_SKIP() << "this platform keeps no placeholder attributes that a program may set";
    // Held without sharing: an attempt to open it would count it as not opened instead.
    const UniqueFile holder(CreateFileW(online.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    SearchText(L"needle");
    Walk();
    EXPECT_EQ(Found(), Names{L"local.txt"});
    EXPECT_EQ(Entries(),
              Names{L"online.txt: Stored online: its contents were not searched, so that it is not "
                    L"downloaded."});
    SetFileAttributesW(online.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Root reads every folder: ctest runs this test alone, with root's override capabilities
// dropped (search.DeniedFolderIsCountedAsNotSearched).
TEST_F(NotSearched, DISABLED_AFolderThatCannotBeReadAppearsWithAccessDenied) {
    WriteFileExactly(dir.Sub(L"open\\a.txt"), "a");
    WriteFileExactly(dir.Sub(L"denied\\b.txt"), "b");
    const std::wstring denied = dir.Sub(L"denied");
    const std::wstring marker = dir.Sub(L"permissions taken");
    if (!RunLinuxCommand(L"/bin/sh -c \"chmod 000 \\\"$0\\\" && touch \\\"$1\\\"\"", denied, marker,
                         [&] { return GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES; }))
        GTEST_SKIP() << "no Linux side to take a folder's permissions away";
    DeleteFileW(marker.c_str());
    const auto listable = [&] {
        WIN32_FIND_DATAW entry;
        return UniqueFind(FindFirstFileW((denied + L"\\*").c_str(), &entry)).Valid();
    };
    struct Restore {
        std::wstring path;
        std::function<bool()> listable;
        ~Restore() { RunLinuxCommand(L"/bin/chmod 755", path, {}, listable); }
    } restore{denied, listable};
    if (listable())
        GTEST_SKIP()
            << "this process reads any folder (root): search.DeniedFolderIsCountedAsNotSearched runs "
               "this test without root's override capabilities";
    Walk();
    EXPECT_EQ(Found(), Names{L"open\\a.txt"});
    EXPECT_EQ(Entries(),
              Names{L"denied\\: Could not list the folder: " + SystemErrorText(ERROR_ACCESS_DENIED) + L"."});
}

TEST(NotSearchedRecord, KeepsTenThousandEntriesAndCountsTheRest) {
    TNotSearched record;
    for (int i = 0; i < 10001; ++i)
        record.Add(L"C:\\f" + std::to_wstring(i), TNotSearchedReason::FileNotOpened, ERROR_ACCESS_DENIED);
    EXPECT_EQ(10001, record.Count());
    EXPECT_EQ(TNotSearched::MaxEntries, record.Entries().size());
    EXPECT_EQ(L"C:\\f9999", record.Entries().back().Path);
    record.Clear();
    EXPECT_EQ(0, record.Count());
    EXPECT_TRUE(record.Entries().empty());

    record.Add(L"C:\\folder\\", TNotSearchedReason::FolderNotListed, ERROR_ACCESS_DENIED);
    record.Add(L"C:\\bad.bin", TNotSearchedReason::FileNotRead, ERROR_READ_FAULT);
    record.Add(L"C:\\cloud.docx", TNotSearchedReason::OnlineOnly);
    EXPECT_EQ(L"C:\\folder\\\tCould not list the folder: " + SystemErrorText(ERROR_ACCESS_DENIED) +
                  L".\r\n"
                  L"C:\\bad.bin\tCould not read the file: " +
                  SystemErrorText(ERROR_READ_FAULT) +
                  L".\r\n"
                  L"C:\\cloud.docx\tStored online: its contents were not searched, so that it is not "
                  L"downloaded.\r\n",
              NotSearchedListText(record));
    EXPECT_TRUE(IsOnlineOnly(FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_TRUE(IsOnlineOnly(0x00040000) && IsOnlineOnly(0x00400000));
    EXPECT_FALSE(IsOnlineOnly(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SPARSE_FILE));
}
