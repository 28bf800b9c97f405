#include "results/Actions.h"
#include "ui/FileTools.h"
#include "settings/HistoryLists.h"
#include "ui/UiFont.h"

#include <gtest/gtest.h>

#include <set>

using namespace quarrow;

TEST(UiFont, WindowsVersionClasses) {
    EXPECT_EQ(6, ClassifyWindowsVersion(6, 1));
    EXPECT_EQ(5, ClassifyWindowsVersion(6, 0));
    EXPECT_EQ(4, ClassifyWindowsVersion(5, 1));
    EXPECT_EQ(3, ClassifyWindowsVersion(5, 0));
    EXPECT_EQ(1, ClassifyWindowsVersion(4, 10));
    EXPECT_EQ(1, ClassifyWindowsVersion(3, 51));
    EXPECT_EQ(0, ClassifyWindowsVersion(5, 2));
    EXPECT_EQ(0, ClassifyWindowsVersion(6, 2));
    EXPECT_EQ(0, ClassifyWindowsVersion(10, 0));
}

TEST(UiFont, FollowsTheRunningVersion) {
    // The test prefix runs as Windows 7 (6.1).
    EXPECT_EQ(6, GetWindowsVersion());
    EXPECT_EQ(L"Segoe UI", GetUIFontName());
    EXPECT_EQ(9, GetUIFontSize());
}

TEST(HistoryLists, MostRecentFirstWithoutCaseDuplicatesAndAtMostTwelve) {
    std::vector<std::wstring> list;
    UpdateHistoryList(list, L"");
    EXPECT_TRUE(list.empty());
    UpdateHistoryList(list, L"*.txt");
    UpdateHistoryList(list, L"report");
    UpdateHistoryList(list, L"*.TXT");
    ASSERT_EQ(2u, list.size());
    EXPECT_EQ(L"*.txt", list[0]); // moved up, first spelling kept
    EXPECT_EQ(L"report", list[1]);

    for (int i = 0; i < 12; ++i)
        UpdateHistoryList(list, L"p" + std::to_wstring(i));
    ASSERT_EQ(12u, list.size());
    EXPECT_EQ(L"p11", list.front());
    EXPECT_EQ(L"p0", list.back()); // "*.txt" and "report" fell off the end
}

TEST(HistoryLists, LocationBoxListsDrivesThenHistoryAndSelectsTheLocation) {
    const std::vector<std::wstring> fixed = {L"C:\\", L"Z:\\"};
    const std::vector<std::wstring> other = {L"E:\\"};
    std::vector<std::wstring> history = {L"C:\\old"};

    TLocationBox box = UpdateLocationHistory(history, fixed, other, L"");
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\", L"Z:\\", L"E:\\", L"Local Hard Drives", L"C:\\old"}),
              box.Items);
    EXPECT_EQ(0, box.Selected); // "C:\" when no location is given

    box = UpdateLocationHistory(history, fixed, other, L"c:\\");
    EXPECT_EQ(1u, history.size()); // a drive root never joins the history
    EXPECT_EQ(0, box.Selected);
    box = UpdateLocationHistory(history, fixed, other, L"e:\\");
    EXPECT_EQ(std::vector<std::wstring>{L"C:\\old"}, history); // nor does another drive's root
    EXPECT_EQ(2, box.Selected);

    box = UpdateLocationHistory(history, fixed, other, L"Z:\\tmp\\x");
    EXPECT_EQ((std::vector<std::wstring>{L"Z:\\tmp\\x", L"C:\\old"}), history);
    EXPECT_EQ(4, box.Selected);

    box = UpdateLocationHistory(history, fixed, other, L"C:\\OLD");
    EXPECT_EQ(L"C:\\old", history.front());
    EXPECT_EQ(4, box.Selected);

    box = UpdateLocationHistory(history, {}, {}, L"");
    EXPECT_EQ(-1, box.Selected); // no drive C: listed: nothing selected
}

TEST(Actions, TableAndMenus) {
    const auto& table = ActionTable();
    std::set<std::wstring> names;
    for (size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(i, static_cast<size_t>(table[i].Id));
        names.insert(table[i].Name);
        TActionId back;
        ASSERT_TRUE(ActionFromCommand(ActionCommand(table[i].Id), back));
        EXPECT_EQ(table[i].Id, back);
    }
    EXPECT_EQ(22u, names.size());
    EXPECT_EQ(1u, names.count(L"ActionExportAlltemsToCommaDelimitedFile"));
    EXPECT_FALSE(ActionInfo(TActionId::ActionActionEdit).EnabledAsDesigned);
    std::set<std::wstring> shortcuts;
    for (const auto& action : table) {
        if (*action.ShortCut != L'\0')
            shortcuts.insert(action.ShortCut);
    }
    EXPECT_EQ((std::set<std::wstring>{L"F1", L"Alt+P", L"F3", L"Shift+F3"}), shortcuts);
    EXPECT_STREQ(L"F1", ActionInfo(TActionId::ActionHelpHelp).ShortCut);

    const auto& main = MainMenuLayout();
    ASSERT_EQ(5u, main.size());
    EXPECT_EQ(L"&View", main[2].Caption);
    EXPECT_EQ(L"&Tools", main[3].Caption);
    ASSERT_EQ(3u, main[3].Children.size());
    EXPECT_EQ(L"&Export", main[3].Children[1].Caption);
    EXPECT_EQ(TActionId::ActionToolsNotSearched, main[3].Children[2].Action);
    EXPECT_FALSE(ActionInfo(TActionId::ActionToolsNotSearched).EnabledAsDesigned);
    EXPECT_EQ(5u, main[3].Children[1].Children.size());
    EXPECT_EQ(PopupMenuLayout().size(), main[1].Children.size());
}

// A browser that could not select the start folder leaves its root selected: OK then keeps
// the location, unless the user chose a folder.
TEST(PickFolderSelection, TheResultStandsWhenTheStartFolderWasSelectedOrTheUserChose) {
    TPickFolderSelection selected(L"Z:\\tmp\\Data");
    selected.SelectionChanged(L"z:\\TMP\\data\\");
    selected.StartFolderSet();
    EXPECT_TRUE(selected.ResultStands());

    TPickFolderSelection stuckAtRoot(L"Z:\\tmp\\data");
    stuckAtRoot.SelectionChanged(L"C:\\users\\me\\Desktop");
    stuckAtRoot.SelectionChanged(L"");
    stuckAtRoot.StartFolderSet();
    EXPECT_FALSE(stuckAtRoot.ResultStands());
    stuckAtRoot.SelectionChanged(L"C:\\users\\me\\Desktop");
    EXPECT_TRUE(stuckAtRoot.ResultStands()) << "chosen by the user";
}
