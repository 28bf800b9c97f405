// A search from the window: the rows it lists, the launch messages, Stop, closing while it
// runs, Reset, and the histories it feeds.

#include "WindowTestSupport.h"

#include "base/DateTime.h"
#include "base/Text.h"
#include "results/DisplayFormats.h"
#include "ui/Controls.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

using namespace quarrow;
using namespace quarrow::test;

namespace {

// The list follows the mouse after a press until the button comes up: the release waits in
// the queue before the press is handled.
void ClickRow(HWND list, const RECT& item, UINT down, UINT up) {
    const LPARAM point = MAKELPARAM(item.left + 2, item.top + 2);
    PostMessageW(list, up, 0, point);
    SendMessageW(list, down, down == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON, point);
}

bool HasFocus(HWND control) {
    const HWND focus = GetFocus();
    return focus != nullptr && (focus == control || GetParent(focus) == control);
}

// A root folder with two files and a chain of nested folders, each holding one file.
void MakeDeepTree(const TempDir& root, int depth) {
    root.WriteFile(L"top1.txt", "1");
    root.WriteFile(L"top2.txt", "2");
    std::wstring path;
    for (int level = 0; level < depth; ++level) {
        path += L"level" + std::to_wstring(level) + L"\\";
        root.WriteFile(path + L"file.txt", "x");
    }
}

} // namespace

TEST_F(MainFormTest, SearchListsTheFilesOfAFolderAndShowsTheEnd) {
    TempDir folder(L"search");
    folder.WriteFile(L"empty.txt");
    const std::wstring big = folder.WriteFile(L"big.log", std::string(1025, 'b'));
    folder.WriteFile(L"sub\\inner.txt", "inner");
    ASSERT_TRUE(SetLastWriteTimeUtc(big, 2020, 5, 6, 7, 8)); // the tests run in UTC

    TMainForm& form = OpenForm(folder.Path());
    const TMainControls& c = C();
    Click(c.BtnSearch);

    EXPECT_TRUE(Prompt().Records().empty());
    ASSERT_EQ(3, form.IDList.Count());
    EXPECT_EQ(3, ListView_GetItemCount(c.ListViewResults));
    const int row = RowNamed(c.ListViewResults, L"big.log");
    ASSERT_GE(row, 0);
    EXPECT_EQ(folder.Path() + L"\\", CellText(c.ListViewResults, row, 1));
    EXPECT_EQ(L"2 KB", CellText(c.ListViewResults, row, 2));
    EXPECT_EQ(DateText(EncodeDateTime(2020, 5, 6, 7, 8)), CellText(c.ListViewResults, row, 3));
    EXPECT_EQ(L"log", CellText(c.ListViewResults, row, 4));
    EXPECT_EQ(L"1 KB", CellText(c.ListViewResults, RowNamed(c.ListViewResults, L"empty.txt"), 2));
    EXPECT_EQ(folder.Path() + L"\\sub\\",
              CellText(c.ListViewResults, RowNamed(c.ListViewResults, L"inner.txt"), 1));

    EXPECT_EQ(L"Search time: ", StatusText(c.StatusBar, 0).substr(0, 13));
    EXPECT_EQ(std::wstring::npos, StatusText(c.StatusBar, 0).find(L"stopped"));
    EXPECT_EQ(L"Found: 3 files", StatusText(c.StatusBar, 1));
    EXPECT_TRUE(IsWindowVisible(c.ImageStatusGreen));
    EXPECT_FALSE(IsWindowVisible(c.ImageStatusRed));
    EXPECT_TRUE(IsWindowEnabled(c.BtnSearch));
    EXPECT_FALSE(IsWindowEnabled(c.BtnStop));
    EXPECT_TRUE(IsWindowEnabled(c.BtnReset));
    EXPECT_FALSE(form.SearchRunning());
    EXPECT_TRUE(form.ChangeMonitoringEnabled);
    EXPECT_TRUE(form.ActionEnabled(TActionId::ActionActionSelectAll));
    EXPECT_FALSE(form.ActionEnabled(TActionId::ActionActionCopy)); // nothing selected yet
    EXPECT_EQ(folder.Path(), form.Lists.SearchLocationHistoryList.front());

    // A click on a row selects it and refreshes the totals, the actions and the status bar.
    RECT item{};
    ListView_GetItemRect(c.ListViewResults, row, &item, LVIR_LABEL);
    ClickRow(c.ListViewResults, item, WM_LBUTTONDOWN, WM_LBUTTONUP);
    Pump();
    EXPECT_EQ(1, form.TotalSelectedFiles);
    EXPECT_EQ(1025, form.TotalSelectedSize);
    EXPECT_EQ(L"Selected: 1 file (2 KB)", StatusText(c.StatusBar, 0));
    EXPECT_EQ(L"Found: 3 files", StatusText(c.StatusBar, 1));
    EXPECT_TRUE(form.ActionEnabled(TActionId::ActionActionRename));

    // A right click selects the row under it, refreshes the same, and opens the popup where
    // the cursor is.
    const int other = RowNamed(c.ListViewResults, L"empty.txt");
    ListView_GetItemRect(c.ListViewResults, other, &item, LVIR_LABEL);
    POINT cursor{};
    GetCursorPos(&cursor);
    RECT popup{};
    InspectNextMenu([&](HWND menu) {
        if (menu != nullptr)
            GetWindowRect(menu, &popup);
    });
    ClickRow(c.ListViewResults, item, WM_RBUTTONDOWN, WM_RBUTTONUP);
    Pump();
    EXPECT_EQ(1, form.TotalSelectedFiles);
    EXPECT_EQ(0, form.TotalSelectedSize);
    EXPECT_EQ(L"Selected: 1 file", StatusText(c.StatusBar, 0));
    EXPECT_EQ(other, ListView_GetNextItem(c.ListViewResults, -1, LVNI_SELECTED));
    EXPECT_LE(std::abs(popup.left - cursor.x), 2);
    EXPECT_LE(std::abs(popup.top - cursor.y), 2);
}

TEST_F(MainFormTest, RowsLoadTheirIconsWhenFirstDrawn) {
    TempDir folder(L"rows");
    for (int i = 0; i < 80; ++i)
        folder.WriteFile(L"file" + std::to_wstring(100 + i) + L".txt", "x");
    TMainForm& form = OpenForm(folder.Path());
    Click(C().BtnSearch);
    ASSERT_EQ(80, form.IDList.Count());
    RedrawWindow(C().ListViewResults, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Pump();
    EXPECT_TRUE(form.IDList[0].InfoLoaded);
    EXPECT_GE(form.IDList[0].ImageIndex, 0);
    EXPECT_FALSE(form.IDList[79].InfoLoaded); // never scrolled into view
    EXPECT_EQ(-1, form.IDList[79].ImageIndex);
}

TEST_F(MainFormTest, LaunchMessagesShowTheirTextAndMoveToTheLocation) {
    TempDir folder(L"messages");
    folder.WriteFile(L"one.txt", "1");
    TMainForm& form = OpenForm(folder.Path());
    const TMainControls& c = C();
    Click(c.BtnSearch);
    ASSERT_EQ(1, form.IDList.Count());

    struct TCase {
        std::wstring location;
        bool showFiles;
        int page;
        std::wstring message;
        int pageAfter;
        bool focusLocation;
    };
    const TCase cases[] = {
        {L"", true, 2, L"Specify a folder to start the search in.  ", 0, true},
        {folder.Sub(L"missing"), true, 3, L"The location is not valid.", 0, true},
        {folder.Path(), false, 1,
         L"Both 'Show matching filenames' and 'Show matching foldernames' are unchecked.\r\n"
         L"As a result nothing will be found.",
         1, false},
    };
    for (const TCase& test : cases) {
        Prompt().Clear();
        SetWindowTextW(c.ComboBoxSearchLocation, test.location.c_str());
        SetChecked(c.CheckBoxShowMatchingFilenames, test.showFiles);
        form.SelectPage(test.page);
        SetFocus(c.BtnReset);
        Click(c.BtnSearch);
        ASSERT_EQ(1u, Prompt().Records().size()) << ToUtf8(test.message);
        const ScriptedPrompt::Record& record = Prompt().Records()[0];
        EXPECT_EQ(test.message, record.text);
        EXPECT_EQ(PromptType::Information, record.type);
        EXPECT_EQ(PromptButtons::Ok, record.buttons);
        EXPECT_EQ(test.pageAfter, form.ActivePage()) << ToUtf8(test.message);
        EXPECT_EQ(test.focusLocation, HasFocus(c.ComboBoxSearchLocation)) << ToUtf8(test.message);
        EXPECT_EQ(1, form.IDList.Count()) << "the previous results stay";
        EXPECT_FALSE(form.ChangeMonitoringEnabled);
        EXPECT_TRUE(IsWindowEnabled(c.BtnSearch));
    }
}

TEST_F(MainFormTest, StopEndsTheWalkBeforeTheNextFolder) {
    TempDir tree(L"deep");
    MakeDeepTree(tree, 20);
    TMainForm& form = OpenForm(tree.Path());
    const TMainControls& c = C();
    // The click waits in the queue until the walk lets the window handle messages, which it
    // does before entering the first sub-folder; Stop is enabled by then.
    PostMessageW(c.BtnStop, BM_CLICK, 0, 0);
    Click(c.BtnSearch);
    EXPECT_EQ(2, form.IDList.Count()); // the files of the start folder, nothing deeper
    EXPECT_TRUE(form.Engine().RunState.FindStopped);
    const std::wstring info = StatusText(c.StatusBar, 0);
    EXPECT_EQ(L" (stopped)", info.substr(info.size() - 10));
    EXPECT_EQ(L"Found: 2 files", StatusText(c.StatusBar, 1));
    EXPECT_TRUE(IsWindowEnabled(c.BtnSearch));
    EXPECT_FALSE(IsWindowEnabled(c.BtnStop));

    Click(c.BtnSearch); // a new search runs to the end again
    EXPECT_EQ(22, form.IDList.Count());
    EXPECT_FALSE(form.Engine().RunState.FindStopped);
}

TEST_F(MainFormTest, ClosingDuringASearchEndsTheWalkBeforeTheWindowGoes) {
    TempDir tree(L"closing");
    MakeDeepTree(tree, 20);
    TMainForm& form = OpenForm(tree.Path());
    const HWND window = form.Handle();
    PostMessageW(window, WM_CLOSE, 0, 0);
    SendMessageW(C().BtnSearch, BM_CLICK, 0, 0);
    // The walk has ended early and the window is still whole: nothing was freed under it.
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(form.SearchRunning());
    EXPECT_EQ(2, form.IDList.Count());
    EXPECT_TRUE(form.Engine().RunState.FindStopped);
    Pump(); // the close goes on from the message loop
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(nullptr, form.Handle());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((AppData() + L"\\Quarrow.ini").c_str()));
}

// At logoff the process ends without its window being destroyed: the end of the session
// saves what a close would, after stopping a running search.
TEST_F(MainFormTest, TheEndOfTheSessionStopsTheSearchAndSavesTheSettings) {
    TempDir tree(L"session");
    MakeDeepTree(tree, 20);
    TMainForm& form = OpenForm(tree.Path());
    const HWND window = form.Handle();
    const std::wstring ini = AppData() + L"\\Quarrow.ini";
    SetWindowTextW(C().ComboBoxSearchPattern, L"*.txt");

    EXPECT_TRUE(SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
    SendMessageW(window, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(ini.c_str())) << "a session that goes on";

    PostMessageW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    SendMessageW(C().BtnSearch, BM_CLICK, 0, 0);
    EXPECT_TRUE(form.Engine().RunState.FindStopped);
    EXPECT_EQ(2, form.IDList.Count());
    const std::string saved = ReadFileBytes(ini);
    EXPECT_NE(std::string::npos, saved.find("[SearchPatternHistoryList]\r\n0=*.txt\r\n")) << saved;
    EXPECT_NE(std::string::npos, saved.find("[SearchLocationHistoryList]\r\n0=" + ToAnsi(tree.Path())))
        << saved;
    EXPECT_NE(std::string::npos, saved.find("AppWidth=")) << saved;
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(MainFormTest, ResetEmptiesTheResultsAndTheStatusBar) {
    TempDir folder(L"reset");
    folder.WriteFile(L"a.txt", "a");
    folder.WriteFile(L"b.txt", "b");
    TMainForm& form = OpenForm(folder.Path());
    const TMainControls& c = C();
    Click(c.BtnSearch);
    ASSERT_EQ(2, form.IDList.Count());
    ASSERT_TRUE(form.ChangeMonitoringEnabled);
    form.Vantor->SetFolder(folder.Path());
    form.Vantor->MultiObjects().push_back(form.IDList[0].FullName());
    Click(c.BtnReset);
    EXPECT_TRUE(form.Vantor->MultiObjects().empty());
    EXPECT_EQ(L"", form.Vantor->Folder()); // My Computer again
    EXPECT_EQ(0, form.IDList.Count());
    EXPECT_EQ(0, ListView_GetItemCount(c.ListViewResults));
    EXPECT_FALSE(form.ChangeMonitoringEnabled);
    EXPECT_EQ(L"", StatusText(c.StatusBar, 0));
    EXPECT_EQ(L"", StatusText(c.StatusBar, 1));
    EXPECT_EQ(L"C:\\", WindowText(c.ComboBoxSearchLocation));
    EXPECT_FALSE(form.ActionEnabled(TActionId::ActionActionSelectAll));
    EXPECT_FALSE(form.ActionEnabled(TActionId::ActionExportAlltemsToClipboard));
}

TEST_F(MainFormTest, SearchesFeedTheThreeHistories) {
    TempDir folder(L"history");
    folder.WriteFile(L"report.txt", "quarterly figures");
    folder.WriteFile(L"other.txt", "nothing here");
    TMainForm& form = OpenForm(folder.Path());
    const TMainControls& c = C();
    SetWindowTextW(c.ComboBoxSearchPattern, L"*.txt");
    SetWindowTextW(c.ComboBoxContainingText, L"figures");
    Click(c.BtnSearch);
    ASSERT_EQ(1, form.IDList.Count());
    EXPECT_EQ(L"report.txt", form.IDList[0].Name);
    EXPECT_EQ((std::vector<std::wstring>{L"*.txt"}), ComboItems(c.ComboBoxSearchPattern));
    EXPECT_EQ(L"*.txt", WindowText(c.ComboBoxSearchPattern)); // the typed text stays
    EXPECT_EQ((std::vector<std::wstring>{L"figures"}), ComboItems(c.ComboBoxContainingText));

    SetWindowTextW(c.ComboBoxSearchPattern, L"*.TXT");
    SetWindowTextW(c.ComboBoxSearchLocation, (folder.Path() + L"\\.").c_str());
    Click(c.BtnSearch);
    EXPECT_EQ((std::vector<std::wstring>{L"*.txt"}), form.Lists.SearchPatternHistoryList);
    const std::vector<std::wstring> locations = ComboItems(c.ComboBoxSearchLocation);
    EXPECT_EQ(1, std::count(locations.begin(), locations.end(), folder.Path()));
    EXPECT_EQ(folder.Path(), WindowText(c.ComboBoxSearchLocation)); // the expanded path is selected
}

TEST_F(MainFormTest, EnterInTheCriteriaStartsASearch) {
    TempDir folder(L"enter");
    folder.WriteFile(L"a.txt", "a");
    TMainForm& form = OpenForm(folder.Path());
    const TMainControls& c = C();
    SetWindowTextW(c.ComboBoxSearchPattern, L"a");
    SetFocus(c.ComboBoxSearchPattern);
    const HWND edit = GetFocus();
    ASSERT_NE(nullptr, edit);
    PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
    Pump();
    EXPECT_EQ(1, form.IDList.Count());
    EXPECT_EQ(L"Found: 1 file", StatusText(c.StatusBar, 1));
}

namespace {

// What the status bar shows while a walk has found nothing yet: every text its count panel
// is given, and the lights, sampled once from a timer that fires when the walk first lets
// messages through.
struct TStartSamples {
    TMainForm* Form = nullptr;
    std::vector<std::wstring> CountTexts;
    bool Sampled = false;
    bool Red = false;
    bool OtherLight = true;
};
TStartSamples* g_startSamples = nullptr;

bool WalkingWithoutHits(TMainForm& form) {
    return form.Engine().RunState.SearchInProgress && form.IDList.Empty();
}

LRESULT CALLBACK RecordCountPanel(HWND bar, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    TStartSamples& samples = *g_startSamples;
    if (message == SB_SETTEXTW && LOBYTE(wParam) == 1 && WalkingWithoutHits(*samples.Form))
        samples.CountTexts.push_back(reinterpret_cast<const wchar_t*>(lParam));
    return DefSubclassProc(bar, message, wParam, lParam);
}

void CALLBACK SampleSearchStart(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    TStartSamples& samples = *g_startSamples;
    const TMainControls& c = samples.Form->Controls();
    if (!WalkingWithoutHits(*samples.Form))
        return;
    samples.Sampled = true;
    samples.Red = IsWindowVisible(c.ImageStatusRed) != FALSE;
    samples.OtherLight = IsWindowVisible(c.ImageStatusGreen) || IsWindowVisible(c.ImageStatusGray);
    // A slow disk: the walk's progress texts come due before the next folder.
    Sleep(150);
}

} // namespace

TEST_F(MainFormTest, UntilTheFirstHitTheStatusBarSaysSearchingWithTheRedLight) {
    TempDir folder(L"searchstart");
    for (int i = 0; i < 4; ++i)
        folder.WriteFile(L"sub" + std::to_wstring(i) + L"\\file.txt", "x");
    TMainForm& form = OpenForm(folder.Path());
    SetWindowTextW(C().ComboBoxSearchPattern, L"*.none");
    TStartSamples samples;
    samples.Form = &form;
    g_startSamples = &samples;
    SetWindowSubclass(C().StatusBar, RecordCountPanel, 1, 0);
    SetTimer(nullptr, 0, USER_TIMER_MINIMUM, SampleSearchStart);
    Sleep(20);
    Click(C().BtnSearch);
    RemoveWindowSubclass(C().StatusBar, RecordCountPanel, 1);
    g_startSamples = nullptr;

    ASSERT_TRUE(samples.Sampled) << "the walk let messages through";
    EXPECT_TRUE(samples.Red);
    EXPECT_FALSE(samples.OtherLight);
    ASSERT_FALSE(samples.CountTexts.empty());
    for (const std::wstring& text : samples.CountTexts)
        EXPECT_EQ(L"Searching...", text);
    EXPECT_EQ(L"No files found", StatusText(C().StatusBar, 1));
    EXPECT_TRUE(IsWindowVisible(C().ImageStatusGreen));
}
