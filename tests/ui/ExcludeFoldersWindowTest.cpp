// The buttons of the "Exclude folders" tab, clicked in the real window.

#include "WindowTestSupport.h"

#include "base/Text.h"
#include "settings/ExcludeFolders.h"
#include "ui/Controls.h"

#include <commctrl.h>

using namespace quarrow;
using namespace quarrow::test;

namespace {

class ExcludeFoldersWindowTest : public MainFormTest {
protected:
    static std::vector<std::wstring> ListedFolders(HWND list) {
        std::vector<std::wstring> folders;
        for (int row = 0; row < ListView_GetItemCount(list); ++row)
            folders.push_back(CellText(list, row, 0));
        return folders;
    }

    // A shown window on the fourth tab with the switch on and `folders` listed.
    TMainForm& OpenWithFolders(const std::vector<std::wstring>& folders) {
        const std::wstring ini = AppData() + L"\\Quarrow.ini";
        WritePrivateProfileStringW(L"Preferences", L"ExcludeFolders", L"1", ini.c_str());
        for (size_t i = 0; i < folders.size(); ++i)
            WritePrivateProfileStringW(L"ExcludeFoldersList", std::to_wstring(i).c_str(), folders[i].c_str(),
                                       ini.c_str());
        TMainForm& form = OpenForm();
        form.SelectPage(3);
        EXPECT_TRUE(IsChecked(C().CheckBoxExcludeFolders));
        return form;
    }
};

} // namespace

TEST_F(ExcludeFoldersWindowTest, AddMovesAFolderListedInOtherCaseToTheTopAndKeepsTwelve) {
    TMainForm& form = OpenWithFolders({L"Z:\\Tmp\\One", L"Z:\\Tmp\\Two"});
    const TMainControls& c = C();
    Prompt().QueuePath(L"z:\\tmp\\TWO");
    Click(c.BtnSFAdd);
    ASSERT_EQ(1u, Prompt().Records().size());
    EXPECT_EQ(ScriptedPrompt::Kind::BrowseFolder, Prompt().Records()[0].kind);
    EXPECT_EQ(L"Select a folder", Prompt().Records()[0].text);
    EXPECT_EQ(L"new style", Prompt().Records()[0].detail);
    const std::vector<std::wstring> moved = {L"Z:\\Tmp\\Two", L"Z:\\Tmp\\One"};
    EXPECT_EQ(moved, form.Lists.ExcludeFoldersList);
    EXPECT_EQ(moved, ListedFolders(c.ListViewExcludeFolders));

    Prompt().QueueCancel();
    Click(c.BtnSFAdd);
    EXPECT_EQ(moved, form.Lists.ExcludeFoldersList);

    // Kept as the walker will compare it: without a trailing backslash, but for a root.
    Prompt().QueuePath(L"Z:\\Tmp\\Three\\");
    Click(c.BtnSFAdd);
    Prompt().QueuePath(L"Z:\\");
    Click(c.BtnSFAdd);
    EXPECT_EQ((std::vector<std::wstring>{L"Z:\\", L"Z:\\Tmp\\Three", L"Z:\\Tmp\\Two", L"Z:\\Tmp\\One"}),
              form.Lists.ExcludeFoldersList);

    for (int i = 5; i <= 13; ++i) {
        Prompt().QueuePath(L"Z:\\Tmp\\F" + std::to_wstring(i));
        Click(c.BtnSFAdd);
    }
    ASSERT_EQ(12u, form.Lists.ExcludeFoldersList.size());
    EXPECT_EQ(L"Z:\\Tmp\\F13", form.Lists.ExcludeFoldersList.front());
    EXPECT_EQ(L"Z:\\Tmp\\Two", form.Lists.ExcludeFoldersList.back()); // "One" fell off
    EXPECT_EQ(12, ListView_GetItemCount(c.ListViewExcludeFolders));
    EXPECT_EQ(0u, ListView_GetSelectedCount(c.ListViewExcludeFolders));
    EXPECT_FALSE(IsWindowEnabled(c.BtnSFRemove));
}

TEST_F(ExcludeFoldersWindowTest, RemoveThenClearLeaveTheTabCaptionAsSpecified) {
    TMainForm& form = OpenWithFolders({L"Z:\\Tmp\\One", L"Z:\\Tmp\\Two"});
    const TMainControls& c = C();
    EXPECT_EQ(L"Exclude folders *", form.TabCaption(3));
    EXPECT_FALSE(IsWindowEnabled(c.BtnSFRemove));
    ListView_SetItemState(c.ListViewExcludeFolders, 1, LVIS_SELECTED | LVIS_FOCUSED,
                          LVIS_SELECTED | LVIS_FOCUSED);
    Pump();
    ASSERT_TRUE(IsWindowEnabled(c.BtnSFRemove));

    SetFocus(c.BtnSFRemove);
    Click(c.BtnSFRemove);
    EXPECT_TRUE(Prompt().Records().empty()); // no question
    EXPECT_EQ(std::vector<std::wstring>{L"Z:\\Tmp\\One"}, form.Lists.ExcludeFoldersList);
    EXPECT_EQ(std::vector<std::wstring>{L"Z:\\Tmp\\One"}, ListedFolders(c.ListViewExcludeFolders));
    EXPECT_EQ(L"Exclude folders *", form.TabCaption(3));
    EXPECT_FALSE(IsWindowEnabled(c.BtnSFRemove));
    EXPECT_EQ(c.BtnSFAdd, GetFocus()); // not lost with the button that had it

    Click(c.BtnSFClear); // answered No
    ASSERT_EQ(1u, Prompt().Records().size());
    EXPECT_EQ(PromptType::Confirmation, Prompt().Records()[0].type);
    EXPECT_EQ(L"Do you want to clear the list with skipped folders?", Prompt().Records()[0].text);
    EXPECT_EQ(1u, form.Lists.ExcludeFoldersList.size());

    Prompt().QueueResult(PromptResult::Yes);
    Click(c.BtnSFClear);
    EXPECT_TRUE(form.Lists.ExcludeFoldersList.empty());
    EXPECT_EQ(0, ListView_GetItemCount(c.ListViewExcludeFolders));
    EXPECT_EQ(L"Exclude folders", form.TabCaption(3));
    EXPECT_FALSE(IsWindowEnabled(c.BtnSFClear));
    EXPECT_TRUE(IsWindowEnabled(c.BtnSFAdd));
    EXPECT_TRUE(IsWindowEnabled(c.BtnSFSuggest));

    // An empty list asks nothing.
    form.BtnSFClearClick();
    EXPECT_EQ(2u, Prompt().Records().size());
    form.ExecuteAction(TActionId::ActionFileExit);
    Pump();
    wchar_t value[64] = {};
    GetPrivateProfileStringW(L"ExcludeFoldersList", L"0", L"", value, 64,
                             (AppData() + L"\\Quarrow.ini").c_str());
    EXPECT_EQ(L"", std::wstring(value));
}

TEST_F(ExcludeFoldersWindowTest, SuggestOffersTheSystemRootOnceInItsOwnSpelling) {
    // The prefix's drive C: holds C:\windows; the other suggestions do not exist there.
    wchar_t saved[MAX_PATH] = {};
    GetEnvironmentVariableW(L"SYSTEMROOT", saved, MAX_PATH);
    SetEnvironmentVariableW(L"SYSTEMROOT", L"C:\\WINDOWS");
    TMainForm& form = OpenWithFolders({L"Z:\\Tmp\\Kept"});
    const TMainControls& c = C();

    Click(c.BtnSFSuggest); // answered No
    ASSERT_EQ(1u, Prompt().Records().size());
    EXPECT_EQ(PromptType::Confirmation, Prompt().Records()[0].type);
    EXPECT_EQ(L"The following folders have been found on your system that usually can be skipped during a "
              L"search. \r\nWould you like to add these folders to the list of skipped folders?\r\n\r\n"
              L"C:\\WINDOWS\r\n",
              Prompt().Records()[0].text);
    EXPECT_EQ(std::vector<std::wstring>{L"Z:\\Tmp\\Kept"}, form.Lists.ExcludeFoldersList);

    Prompt().QueueResult(PromptResult::Yes);
    Click(c.BtnSFSuggest);
    const std::vector<std::wstring> expected = {L"C:\\WINDOWS", L"Z:\\Tmp\\Kept"};
    EXPECT_EQ(expected, form.Lists.ExcludeFoldersList);
    EXPECT_EQ(expected, ListedFolders(c.ListViewExcludeFolders));
    EXPECT_EQ(0u, ListView_GetSelectedCount(c.ListViewExcludeFolders));

    // Suggested again, the folder moves up instead of being added twice.
    form.Lists.ExcludeFoldersList = {L"Z:\\Tmp\\Kept", L"c:\\windows"};
    Prompt().QueueResult(PromptResult::Yes);
    Click(c.BtnSFSuggest);
    EXPECT_EQ((std::vector<std::wstring>{L"c:\\windows", L"Z:\\Tmp\\Kept"}), form.Lists.ExcludeFoldersList);
    SetEnvironmentVariableW(L"SYSTEMROOT", saved[0] != L'\0' ? saved : nullptr);
}

TEST_F(ExcludeFoldersWindowTest, TheSwitchClearsTheSelectionBothWaysAndEveryFolderHasTheFolderPicture) {
    TMainForm& form = OpenWithFolders({L"Z:\\Tmp\\One", L"Z:\\Tmp\\Two"});
    const TMainControls& c = C();
    for (int row = 0; row < 2; ++row) {
        LVITEMW item{};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        ASSERT_TRUE(ListView_GetItem(c.ListViewExcludeFolders, &item));
        EXPECT_EQ(ImageIndexExcludedFolder, item.iImage) << row;
    }
    EXPECT_GT(ImageList_GetImageCount(ListView_GetImageList(c.ListViewExcludeFolders, LVSIL_SMALL)),
              ImageIndexExcludedFolder);

    for (const bool tickedAfter : {false, true}) {
        SetCheckBy(c.CheckBoxExcludeFolders, true);
        ListView_SetItemState(c.ListViewExcludeFolders, 1, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
        Pump();
        ASSERT_TRUE(IsWindowEnabled(c.BtnSFRemove));
        SetCheckBy(c.CheckBoxExcludeFolders, false);
        if (tickedAfter)
            SetCheckBy(c.CheckBoxExcludeFolders, true);
        EXPECT_EQ(0u, ListView_GetSelectedCount(c.ListViewExcludeFolders)) << tickedAfter;
        EXPECT_FALSE(IsWindowEnabled(c.BtnSFRemove)) << tickedAfter;
        EXPECT_EQ(tickedAfter, form.Settings.ExcludeFolders);
        EXPECT_EQ(tickedAfter, IsWindowEnabled(c.BtnSFClear) != FALSE);
        EXPECT_EQ(tickedAfter ? L"Exclude folders *" : L"Exclude folders", form.TabCaption(3));
    }
}

TEST_F(ExcludeFoldersWindowTest, SuggestOffersTheRecycleBinAndTheVolumeFolderOfAFixedDrive) {
    TempDir drive(L"fixeddrive");
    const std::wstring recycleBin = drive.MakeDir(L"$Recycle.Bin");
    const std::wstring volume = drive.MakeDir(L"System Volume Information");
    const std::wstring windows = drive.MakeDir(L"Windows");
    drive.WriteFile(L"RECYCLER"); // a file, not the folder
    wchar_t saved[MAX_PATH] = {};
    GetEnvironmentVariableW(L"SYSTEMROOT", saved, MAX_PATH);
    SetEnvironmentVariableW(L"SYSTEMROOT", windows.c_str());
    TMainForm& form = OpenWithFolders({});
    form.Engine().FixedDriveList = {drive.Path() + L"\\"};

    Prompt().QueueResult(PromptResult::Yes);
    Click(C().BtnSFSuggest);
    SetEnvironmentVariableW(L"SYSTEMROOT", saved[0] != L'\0' ? saved : nullptr);
    ASSERT_EQ(1u, Prompt().Records().size());
    EXPECT_EQ(SuggestQuestion({recycleBin, volume, windows}), Prompt().Records()[0].text);
    EXPECT_EQ((std::vector<std::wstring>{recycleBin, volume, windows}), form.Lists.ExcludeFoldersList);
}
