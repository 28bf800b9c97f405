#include "base/SystemError.h"
#include "base/Text.h"
#include "settings/IniFile.h"
#include "settings/SettingsStore.h"

#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <random>

using namespace quarrow;
using quarrow::test::TempDir;

namespace {

// Points APPDATA at a fresh folder for one test and puts the old value back afterwards.
class SettingsFileTest : public ::testing::Test {
protected:
    SettingsFileTest() {
        wchar_t old[32768];
        const DWORD length = GetEnvironmentVariableW(L"APPDATA", old, 32768);
        hadAppData_ = length > 0;
        oldAppData_.assign(old, length);
        SetAppData(appData_.Path());
    }
    ~SettingsFileTest() override {
        SetEnvironmentVariableW(L"APPDATA", hadAppData_ ? oldAppData_.c_str() : nullptr);
    }

    static void SetAppData(const std::wstring& value) { SetEnvironmentVariableW(L"APPDATA", value.c_str()); }
    std::wstring FilePath() const { return appData_.Sub(L"Quarrow.ini"); }
    std::wstring WriteIni(const std::string& content) const {
        return appData_.WriteFile(L"Quarrow.ini", content);
    }

    void Save(const TSettings& settings, const TSettingsLists& lists,
              const TWindowGeometry& geometry = Geometry) {
        SaveSettings(SettingsFilePath(), designed_, settings, geometry, lists);
    }
    void Load(TSettings& settings, TSettingsLists& lists) {
        LoadSettings(SettingsFilePath(), designed_, settings, lists);
    }
    // Saving must fail with the text naming the file, and leave the folder as it was.
    void ExpectRefusedSave(const std::wstring& path) {
        const auto before = FolderContents();
        try {
            SaveSettings(path, designed_, TSettings{}, Geometry, {{L"a"}, {}, {}, {L"C:\\Windows"}});
            ADD_FAILURE() << "the save succeeded";
        } catch (const QuarrowError& error) {
            EXPECT_EQ(L"Unable to write to " + ProfileFullPath(path), error.Message());
        }
        EXPECT_EQ(before, FolderContents());
    }
    std::vector<std::pair<std::wstring, std::string>> FolderContents() const {
        std::vector<std::pair<std::wstring, std::string>> contents;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(appData_.Path()))
            contents.emplace_back(entry.path().wstring(),
                                  entry.is_directory() ? "<dir>" : test::ReadFileBytes(entry.path()));
        return contents;
    }

    static constexpr TWindowGeometry Geometry{700, 500, 30, 40, 200};
    const TDesignedGeometry designed_{611, 477, 163, 170};
    TempDir appData_{L"appdata"};

private:
    bool hadAppData_ = false;
    std::wstring oldAppData_;
};

} // namespace

TEST_F(SettingsFileTest, PathFollowsAppData) {
    EXPECT_EQ(FilePath(), SettingsFilePath());
    SetAppData(appData_.Path() + L"\\sub\\..");
    EXPECT_EQ(FilePath(), SettingsFilePath());
    SetAppData(L"");
    EXPECT_EQ(L"Quarrow.ini", SettingsFilePath());
    SetEnvironmentVariableW(L"APPDATA", nullptr);
    EXPECT_EQ(L"Quarrow.ini", SettingsFilePath());
}

TEST_F(SettingsFileTest, FirstStartGivesDefaultsAndTheFirstSaveWritesEveryPreference) {
    TSettings settings;
    settings.SaveSearchData = false;
    settings.Editor.clear();
    TSettingsLists lists{{L"stale"}, {L"stale"}, {L"stale"}, {L"stale"}};
    Load(settings, lists);
    EXPECT_FALSE(settings.ShowTypeInsteadOfExtension);
    EXPECT_FALSE(settings.SavePositionAndSize);
    EXPECT_TRUE(settings.SaveSearchData);
    EXPECT_FALSE(settings.ExcludeFolders);
    EXPECT_EQ(L"C:\\Windows\\notepad.exe", settings.Editor);
    EXPECT_EQ(611, settings.FAppWidth);
    EXPECT_EQ(477, settings.FAppHeight);
    EXPECT_EQ(100, settings.FAppLeft);
    EXPECT_EQ(100, settings.FAppTop);
    EXPECT_EQ(163, settings.FFirstColumnWidth);
    // The preview pane is hidden in a new installation.
    EXPECT_FALSE(settings.PreviewPane);
    EXPECT_EQ(170, settings.PreviewPaneHeight);
    EXPECT_TRUE(lists.SearchPatternHistoryList.empty() && lists.SearchLocationHistoryList.empty() &&
                lists.ContainingTextHistoryList.empty() && lists.ExcludeFoldersList.empty());

    lists.SearchPatternHistoryList = {L"*.txt"};
    Save(settings, lists);
    EXPECT_EQ("[Preferences]\r\nShowTypeInsteadOfExtension=0\r\nSavePositionAndSize=0\r\nSaveSearchData=1\r\n"
              "ExcludeFolders=0\r\nEditor=C:\\Windows\\notepad.exe\r\nAppWidth=700\r\nAppHeight=500\r\n"
              "AppLeft=30\r\nAppTop=40\r\nFirstColumnWidth=200\r\nPreviewPane=0\r\nPreviewPaneHeight=170\r\n"
              "[SearchPatternHistoryList]\r\n0=*.txt\r\n",
              test::ReadFileBytes(FilePath()));
}

TEST_F(SettingsFileTest, RoundTripKeepsEverything) {
    TSettings saved;
    saved.ShowTypeInsteadOfExtension = true;
    saved.SavePositionAndSize = true;
    saved.ExcludeFolders = true;
    saved.Editor = L"D:\\Tools\\\u7DE8\u96C6.exe";
    saved.PreviewPane = true;
    saved.PreviewPaneHeight = 321;
    const TSettingsLists lists{{L"*.cpp", L"", L"  spaced  ", L"\"quoted\""},
                               {L"C:\\", L"D:\\Data=1;2"},
                               {L"needle", L"[not a section]"},
                               {L"C:\\Windows", L"C:\\\u0414\u0430\u043D\u043D\u044B\u0435"}};
    Save(saved, lists, {-20, 30, 1234, 567, 499});
    TSettings loaded;
    TSettingsLists loadedLists;
    Load(loaded, loadedLists);
    EXPECT_TRUE(loaded.ShowTypeInsteadOfExtension && loaded.SavePositionAndSize && loaded.SaveSearchData &&
                loaded.ExcludeFolders);
    EXPECT_EQ(saved.Editor, loaded.Editor);
    EXPECT_EQ(-20, loaded.FAppWidth);
    EXPECT_EQ(30, loaded.FAppHeight);
    EXPECT_EQ(1234, loaded.FAppLeft);
    EXPECT_EQ(567, loaded.FAppTop);
    EXPECT_EQ(499, loaded.FFirstColumnWidth);
    EXPECT_TRUE(loaded.PreviewPane);
    EXPECT_EQ(321, loaded.PreviewPaneHeight);
    const std::vector<std::wstring> patterns{L"*.cpp", L"  spaced  ", L"\"quoted\""};
    EXPECT_EQ(patterns, loadedLists.SearchPatternHistoryList);
    EXPECT_EQ(lists.SearchLocationHistoryList, loadedLists.SearchLocationHistoryList);
    EXPECT_EQ(lists.ContainingTextHistoryList, loadedLists.ContainingTextHistoryList);
    EXPECT_EQ(lists.ExcludeFoldersList, loadedLists.ExcludeFoldersList);
    // The empty entry leaves a gap in the numbering.
    EXPECT_EQ(L"?", TIniFile(FilePath()).ReadString(L"SearchPatternHistoryList", L"1", L"?"));

    // A second save over the first, read back at once.
    loaded.SaveSearchData = false;
    loaded.Editor = L"notepad.exe";
    Save(loaded, loadedLists);
    TSettings again;
    TSettingsLists againLists;
    Load(again, againLists);
    EXPECT_FALSE(again.SaveSearchData);
    EXPECT_EQ(L"notepad.exe", again.Editor);
    EXPECT_EQ(700, again.FAppWidth);
}

TEST_F(SettingsFileTest, WithoutSaveSearchDataOnlyTheExcludedFoldersAreKept) {
    WriteIni("[SearchPatternHistoryList]\r\n0=old\r\n[SearchLocationHistoryList]\r\n0=C:\\old\r\n"
             "[ContainingTextHistoryList]\r\n0=old\r\n[ExcludeFoldersList]\r\n5=C:\\old\r\n");
    TSettings settings;
    settings.SaveSearchData = false;
    Save(settings, {{L"new"}, {L"C:\\new"}, {L"new"}, {L"C:\\Windows"}});
    const std::string text = test::ReadFileBytes(FilePath());
    EXPECT_EQ(std::string::npos, text.find("History"));
    EXPECT_NE(std::string::npos, text.find("[ExcludeFoldersList]\r\n0=C:\\Windows\r\n"));
    EXPECT_EQ(std::string::npos, text.find("C:\\old"));
}

TEST_F(SettingsFileTest, FirstColumnWidthOutsideItsBoundsIsSavedAsDesigned) {
    for (const auto& [width, expected] : std::vector<std::pair<int, int>>{
             {40, 163}, {50, 163}, {51, 51}, {499, 499}, {500, 163}, {520, 163}}) {
        TWindowGeometry geometry = Geometry;
        geometry.FirstColumnWidth = width;
        Save(TSettings{}, {}, geometry);
        EXPECT_EQ(expected, TIniFile(FilePath()).ReadInteger(L"Preferences", L"FirstColumnWidth", 0))
            << width;
    }
}

TEST_F(SettingsFileTest, HandWrittenFilesAreReadAsFarAsTheyMakeSense) {
    WriteIni(
        "[Preferences]\r\nShowTypeInsteadOfExtension=yes\r\nSavePositionAndSize=2\r\nSaveSearchData=0\r\n"
        "ExcludeFolders=0x1\r\nEditor=\r\nAppWidth=0x300\r\nAppHeight=$1F4\r\nAppLeft=-20\r\n"
        "AppTop=1e3\r\nFirstColumnWidth=99999999999\r\n"
        "[SearchPatternHistoryList]\r\n12=twelve\r\n3=three\r\nx=ex\r\n0=zero\r\n-1=minus\r\n"
        "[ExcludeFoldersList]\r\n11=C:\\b\r\n1=C:\\a\r\n");
    TSettings settings;
    TSettingsLists lists;
    Load(settings, lists);
    EXPECT_FALSE(settings.ShowTypeInsteadOfExtension);
    EXPECT_TRUE(settings.SavePositionAndSize);
    EXPECT_FALSE(settings.SaveSearchData);
    EXPECT_TRUE(settings.ExcludeFolders);
    EXPECT_EQ(L"", settings.Editor);
    EXPECT_EQ(0x300, settings.FAppWidth);
    EXPECT_EQ(500, settings.FAppHeight);
    EXPECT_EQ(-20, settings.FAppLeft);
    EXPECT_EQ(100, settings.FAppTop);
    EXPECT_EQ(163, settings.FFirstColumnWidth);
    EXPECT_EQ((std::vector<std::wstring>{L"zero", L"three"}), lists.SearchPatternHistoryList);
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\a", L"C:\\b"}), lists.ExcludeFoldersList);
}

TEST_F(SettingsFileTest, WhatAUserAddedByHandSurvivesASave) {
    WriteIni("; my notes\r\n[Preferences]\r\nMyOwnKey=keep me\r\nAppWidth=1\r\n[Elsewhere]\r\na=1\r\n");
    Save(TSettings{}, {});
    const TIniFile ini(FilePath());
    EXPECT_EQ(L"keep me", ini.ReadString(L"Preferences", L"MyOwnKey", L""));
    EXPECT_EQ(L"1", ini.ReadString(L"Elsewhere", L"a", L""));
    EXPECT_EQ(700, ini.ReadInteger(L"Preferences", L"AppWidth", 0));
    EXPECT_EQ(0u, test::ReadFileBytes(FilePath()).find("; my notes\r\n"));
}

TEST_F(SettingsFileTest, BinaryJunkIsSurvived) {
    std::mt19937 random(11);
    std::string junk(20000, '\0');
    for (char& c : junk)
        c = static_cast<char>(random());
    junk[0] = 'J'; // no byte-order mark by accident
    WriteIni(junk + "\r\n[Preferences]\r\nAppLeft=7\r\n");
    TSettings settings;
    TSettingsLists lists;
    Load(settings, lists);
    EXPECT_EQ(7, settings.FAppLeft);

    WriteIni(junk);
    Load(settings, lists);
    Save(settings, {{L"after junk"}, {}, {}, {}});
    Load(settings, lists);
    EXPECT_EQ(700, settings.FAppWidth);
    EXPECT_EQ(std::vector<std::wstring>{L"after junk"}, lists.SearchPatternHistoryList);
}

TEST_F(SettingsFileTest, AVeryLargeFileIsReadAndKept) {
    std::string big;
    for (int section = 0; section < 4000; ++section) {
        big += "[Other" + std::to_string(section) + "]\r\n";
        for (int key = 0; key < 10; ++key)
            big += "key" + std::to_string(key) + "=" + std::string(40, static_cast<char>('a' + key)) + "\r\n";
    }
    big += "[Preferences]\r\nAppTop=321\r\n[ExcludeFoldersList]\r\n0=C:\\big\r\n";
    WriteIni(big);
    TSettings settings;
    TSettingsLists lists;
    Load(settings, lists);
    EXPECT_EQ(321, settings.FAppTop);
    EXPECT_EQ(std::vector<std::wstring>{L"C:\\big"}, lists.ExcludeFoldersList);
    Save(settings, lists);
    const TIniFile ini(FilePath());
    EXPECT_EQ(std::string(40, 'j'), ToUtf8(ini.ReadString(L"Other3999", L"key9", L"")));
    EXPECT_EQ(40, ini.ReadInteger(L"Preferences", L"AppTop", 0));
    EXPECT_GT(test::ReadFileBytes(FilePath()).size(), big.size());
}

TEST_F(SettingsFileTest, AMissingFolderIsMadeAndOneThatCannotBeMadeRefusesTheSave) {
    SetAppData(appData_.Sub(L"new\\deeper"));
    TSettings settings;
    settings.Editor = L"made";
    Save(settings, {});
    TSettings loaded;
    TSettingsLists lists;
    Load(loaded, lists);
    EXPECT_EQ(L"made", loaded.Editor);

    appData_.WriteFile(L"file");
    ExpectRefusedSave(appData_.Sub(L"file\\missing\\Quarrow.ini"));
}

TEST_F(SettingsFileTest, RefusedSavesNameTheFileAndChangeNothing) {

    appData_.MakeDir(L"Quarrow.ini");
    ExpectRefusedSave(SettingsFilePath());
    EXPECT_TRUE(std::filesystem::is_directory(FilePath()));
    RemoveDirectoryW(FilePath().c_str());

    WriteIni("[Preferences]\r\nAppWidth=1\r\n[SearchPatternHistoryList]\r\n0=old\r\n");
    SetFileAttributesW(FilePath().c_str(), FILE_ATTRIBUTE_READONLY);
    ExpectRefusedSave(SettingsFilePath());
}

TEST_F(SettingsFileTest, ABareFileNameIsSavedInTheWindowsFolder) {
    const std::wstring name = L"QuarrowTest" + std::to_wstring(GetCurrentProcessId()) + L".ini";
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring expected = std::wstring(windows) + L"\\" + name;
    TSettings settings;
    settings.Editor = L"bare";
    try {
        SaveSettings(name, designed_, settings, Geometry, {});
    } catch (const QuarrowError& error) {
        EXPECT_EQ(L"Unable to write to " + expected, error.Message());
        GTEST_SKIP() << "the Windows folder is not writable here";
    }
    TSettings loaded;
    TSettingsLists lists;
    LoadSettings(name, designed_, loaded, lists);
    EXPECT_TRUE(DeleteFileW(expected.c_str()));
    EXPECT_EQ(L"bare", loaded.Editor);
}

TEST(MoveOntoScreen, LeavesAReachableWindowAlone) {
    const std::vector<RECT> screens{{0, 0, 1280, 1024}, {-1920, 0, 0, 1080}};
    for (const TWindowGeometry window : {TWindowGeometry{549, 454, 100, 100, 150},
                                         {549, 454, -1500, 300, 150},
                                         {549, 454, 1240, 990, 150},
                                         {3000, 3000, -600, 0, 150}})
        EXPECT_EQ(window.Left, MoveOntoScreen(window, screens).Left);
    const TWindowGeometry lost{549, 454, 5000, 5000, 150};
    EXPECT_EQ(5000, MoveOntoScreen(lost, {}).Left);
}

TEST(MoveOntoScreen, MovesALostWindowOntoTheNearestScreen) {
    const std::vector<RECT> screens{{0, 40, 1920, 1080}, {1920, 0, 3200, 1024}};
    auto expectPlaced = [&](TWindowGeometry window, int left, int top, int width, int height) {
        const TWindowGeometry moved = MoveOntoScreen(window, screens);
        EXPECT_EQ(left, moved.Left) << window.Left << "," << window.Top;
        EXPECT_EQ(top, moved.Top) << window.Left << "," << window.Top;
        EXPECT_EQ(width, moved.Width);
        EXPECT_EQ(height, moved.Height);
        EXPECT_EQ(window.FirstColumnWidth, moved.FirstColumnWidth);
    };
    expectPlaced({549, 454, 5000, 300, 150}, 3200 - 549, 300, 549, 454); // right of the second screen
    expectPlaced({549, 454, -3000, 500, 150}, 0, 500, 549, 454);         // left of the first
    expectPlaced({549, 454, 300, -200, 150}, 300, 40, 549, 454);         // caption above the work area
    expectPlaced({549, 454, 300, 1070, 150}, 300, 1080 - 454, 549, 454); // caption on the taskbar
    expectPlaced({549, 454, -539, 500, 150}, 0, 500, 549, 454);          // ten pixels showing
    expectPlaced({5000, 2000, 9000, 9000, 150}, 1920, 0, 1280, 1024);    // larger than the screen
    expectPlaced({549, 454, INT_MAX, INT_MIN, 150}, 3200 - 549, 0, 549, 454);
}

TEST(MoveOntoScreen, UsesTheMonitorsAttachedNow) {
    const std::vector<RECT> areas = MonitorWorkAreas();
    ASSERT_FALSE(areas.empty());
    for (const RECT& area : areas)
        EXPECT_TRUE(area.right > area.left && area.bottom > area.top);
    const TWindowGeometry moved = MoveOntoScreen(TWindowGeometry{400, 300, -30000, -30000, 150});
    EXPECT_TRUE(std::any_of(areas.begin(), areas.end(), [&](const RECT& area) {
        return moved.Left >= area.left && moved.Top >= area.top && moved.Left + moved.Width <= area.right &&
               moved.Top + moved.Height <= area.bottom;
    }));
}
