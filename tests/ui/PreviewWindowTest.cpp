// The preview pane through the real window: shown with Alt+P and kept in the settings, the
// matching lines of the focused result, F3 and Shift+F3 across matches and results, a slow
// read abandoned when the focus moves, a focused result that the monitoring removes, and
// the pane's own keys.

#include "WindowTestSupport.h"

#include "base/FileSystem.h"
#include "base/Text.h"
#include "results/ClipboardText.h"
#include "settings/IniFile.h"
#include "ui/Controls.h"

#include <commctrl.h>
#include <shlobj.h>

using namespace quarrow;
using namespace quarrow::test;

namespace {

std::wstring ItemText(HWND list, int row, int column) {
    wchar_t text[512] = {};
    ListView_GetItemText(list, row, column, text, 512);
    return text;
}

int FocusedRow(HWND list) {
    return ListView_GetNextItem(list, -1, LVNI_FOCUSED);
}

bool MenuItemChecked(HMENU menu, TActionId action) {
    return (GetMenuState(menu, ActionCommand(action), MF_BYCOMMAND) & MF_CHECKED) != 0;
}

RECT RectIn(HWND control, HWND parent) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

class PreviewWindowTest : public MainFormTest {
protected:
    // A content search for "needle" over the folder's files, the pane shown.
    TMainForm& SearchForNeedle() {
        TMainForm& form = OpenForm(folder_.Path());
        SetWindowTextOf(C().ComboBoxContainingText, L"needle");
        form.ComboBoxContainingTextChange();
        if (!form.Settings.PreviewPane)
            form.ExecuteAction(TActionId::ActionViewPreviewPane);
        Click(C().BtnSearch);
        return form;
    }

    TMainForm& SearchThreeFiles() {
        a_ = folder_.WriteFile(L"a.txt", "one\nneedle two\nthree Needle needle\n");
        b_ = folder_.WriteFile(L"b.txt", "x\r\ny needle\r\n");
        c_ = folder_.WriteFile(L"c.txt", "needle");
        TMainForm& form = SearchForNeedle();
        EXPECT_EQ(3, form.IDList.Count());
        return form;
    }

    // The row of the result `path`, focused and selected with the keyboard.
    void FocusResult(const std::wstring& path) {
        const HWND list = C().ListViewResults;
        SetFocus(list);
        PressKeys({VK_HOME});
        while (FocusedRow(list) >= 0 && form_->GetResult(FocusedRow(list)).FullName() != path &&
               FocusedRow(list) + 1 < ListView_GetItemCount(list))
            PressKeys({VK_DOWN});
    }

    bool PaneShowsAllOf(const std::wstring& path) {
        return PumpUntil([&] { return Pane().Path() == path && Pane().Finished(); });
    }

    TPreviewPane& Pane() { return form_->PreviewPane(); }

    TempDir folder_{L"preview"};
    std::wstring a_, b_, c_;
};

} // namespace

TEST_F(PreviewWindowTest, AltPShowsThePaneBelowTheListAndItsPlaceIsKept) {
    TMainForm& form = OpenForm(folder_.Path());
    const TMainControls& c = C();
    form.Settings.SavePositionAndSize = true;
    SetWindowPos(form.Handle(), nullptr, 0, 0, form.Scale(760), form.Scale(700), SWP_NOZORDER | SWP_NOMOVE);
    EXPECT_FALSE(IsWindowVisible(c.PreviewPane));
    EXPECT_FALSE(MenuItemChecked(form.MainMenu(), TActionId::ActionViewPreviewPane));
    EXPECT_EQ((std::vector<std::wstring>{L"&File", L"&Actions", L"&View", L"&Tools", L"&Help"}),
              MenuItemTexts(form.MainMenu()));
    EXPECT_EQ((std::vector<std::wstring>{L"&Preview Pane\tAlt+P", L"-", L"&Next Match\tF3",
                                         L"Pre&vious Match\tShift+F3"}),
              MenuItemTexts(GetSubMenu(form.MainMenu(), 2)));
    const RECT listAlone = RectIn(c.ListViewResults, form.Handle());

    SetFocus(c.ListViewResults);
    PressKeys({VK_MENU, 'P'});
    ASSERT_TRUE(IsWindowVisible(c.PreviewPane));
    EXPECT_TRUE(MenuItemChecked(form.MainMenu(), TActionId::ActionViewPreviewPane));
    const RECT list = RectIn(c.ListViewResults, form.Handle());
    const RECT splitter = RectIn(c.PreviewSplitter, form.Handle());
    RECT pane = RectIn(c.PreviewPane, form.Handle());
    EXPECT_EQ(listAlone.top, list.top);
    EXPECT_EQ(list.bottom, splitter.top);
    EXPECT_EQ(splitter.bottom, pane.top);
    EXPECT_EQ(listAlone.bottom, pane.bottom);
    EXPECT_EQ(form.Settings.PreviewPaneHeight, pane.bottom - pane.top);

    // The splitter dragged 40 pixels up makes the pane 40 pixels higher.
    const int height = pane.bottom - pane.top;
    SendMessageW(c.PreviewSplitter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 2));
    SendMessageW(c.PreviewSplitter, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, -38));
    SendMessageW(c.PreviewSplitter, WM_LBUTTONUP, 0, MAKELPARAM(10, -38));
    Pump();
    pane = RectIn(c.PreviewPane, form.Handle());
    EXPECT_EQ(height + 40, pane.bottom - pane.top);
    EXPECT_EQ(RectIn(c.PreviewSplitter, form.Handle()).bottom, pane.top);

    CloseForm();
    const TIniFile ini(AppData() + L"\\Quarrow.ini");
    EXPECT_TRUE(ini.ReadBool(L"Preferences", L"PreviewPane", false));
    EXPECT_EQ(height + 40, ini.ReadInteger(L"Preferences", L"PreviewPaneHeight", 0));

    TMainForm& again = OpenForm(folder_.Path());
    EXPECT_TRUE(IsWindowVisible(C().PreviewPane));
    EXPECT_EQ(height + 40,
              RectIn(C().PreviewPane, again.Handle()).bottom - RectIn(C().PreviewPane, again.Handle()).top);
    // Hidden again, the pane leaves its place to the list, and the focus leaves the pane.
    SetFocus(again.PreviewPane().Lines());
    PressKeys({VK_MENU, 'P'});
    EXPECT_FALSE(IsWindowVisible(C().PreviewPane));
    EXPECT_EQ(listAlone.bottom, RectIn(C().ListViewResults, again.Handle()).bottom);
    EXPECT_EQ(C().ListViewResults, GetFocus());
}

// At the first-run size the pane would leave the list two rows: the window grows within the
// work area until the list shows eight, at start and when the pane is shown at 144 DPI.
TEST_F(PreviewWindowTest, TheShownPaneLeavesTheListEightRowsAtTheFirstRunSize) {
    WritePrivateProfileStringW(L"Preferences", L"PreviewPane", L"1", (AppData() + L"\\Quarrow.ini").c_str());
    TMainForm& form = OpenForm(folder_.Path());
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const auto expectEightRowsOnScreen = [&](const char* when) {
        EXPECT_GE(ListView_GetCountPerPage(C().ListViewResults), 8) << when;
        RECT window{};
        GetWindowRect(form.Handle(), &window);
        EXPECT_GE(window.top, area.top) << when;
        EXPECT_LE(window.bottom, area.bottom) << when;
    };
    ASSERT_TRUE(IsWindowVisible(C().PreviewPane));
    expectEightRowsOnScreen("at start");

    form.ExecuteAction(TActionId::ActionViewPreviewPane);
    RECT suggested{0, 0, MulDiv(549, 144, 96), MulDiv(454, 144, 96)};
    SendMessageW(form.Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    Pump();
    form.ExecuteAction(TActionId::ActionViewPreviewPane);
    ASSERT_TRUE(IsWindowVisible(C().PreviewPane));
    expectEightRowsOnScreen("at 144 DPI");
}

TEST_F(PreviewWindowTest, TheFocusedResultShowsItsMatchingLinesAndF3GoesOnToTheNextResult) {
    TMainForm& form = SearchThreeFiles();
    const HWND lines = Pane().Lines();
    FocusResult(a_);
    ASSERT_TRUE(PaneShowsAllOf(a_));
    EXPECT_EQ(L"3 matches in 2 lines", WindowText(Pane().HeaderLabel()));
    ASSERT_EQ(2, ListView_GetItemCount(lines));
    EXPECT_EQ(L"2", ItemText(lines, 0, 0));
    EXPECT_EQ(L"needle two", ItemText(lines, 0, 1));
    EXPECT_EQ(L"3", ItemText(lines, 1, 0));
    EXPECT_EQ(L"three Needle needle", ItemText(lines, 1, 1));

    // F3 in the results list: every match of a.txt, then b.txt's first.
    const std::vector<std::pair<int, int>> matches{{0, 0}, {1, 0}, {1, 1}};
    for (const auto& [row, index] : matches) {
        PressKeys({VK_F3});
        EXPECT_EQ(row, Pane().MatchRow());
        EXPECT_EQ(index, Pane().MatchIndex());
        EXPECT_EQ(row, ListView_GetNextItem(lines, -1, LVNI_SELECTED));
    }
    PressKeys({VK_F3});
    ASSERT_TRUE(PumpUntil([&] { return Pane().Path() == b_ && Pane().MatchRow() == 0; }));
    EXPECT_EQ(b_, form.GetResult(FocusedRow(C().ListViewResults)).FullName());
    EXPECT_EQ(L"2", ItemText(lines, 0, 0));
    EXPECT_EQ(C().ListViewResults, GetFocus());

    // Shift+F3 goes back to the last match of the result before.
    PressKeys({VK_SHIFT, VK_F3});
    ASSERT_TRUE(PumpUntil([&] { return Pane().Path() == a_ && Pane().MatchRow() == 1; }));
    EXPECT_EQ(1, Pane().MatchIndex());

    // Past the last match of the last result nothing moves.
    FocusResult(c_);
    ASSERT_TRUE(PaneShowsAllOf(c_));
    PressKeys({VK_F3});
    EXPECT_EQ(0, Pane().MatchRow());
    PressKeys({VK_F3});
    EXPECT_EQ(c_, Pane().Path());
    EXPECT_EQ(0, Pane().MatchRow());
}

// A match far down a long log: its line number is shown whole, the column grown to hold it.
TEST_F(PreviewWindowTest, ALineNumberOfEightDigitsIsShownWhole) {
    const std::wstring log = folder_.WriteFile(L"long.log", std::string(12345677, '\n') + "needle");
    ASSERT_EQ(1, SearchForNeedle().IDList.Count());
    FocusResult(log);
    ASSERT_TRUE(PaneShowsAllOf(log));
    const HWND lines = Pane().Lines();
    ASSERT_EQ(1, ListView_GetItemCount(lines));
    EXPECT_EQ(L"12345678", ItemText(lines, 0, 0));
    EXPECT_GT(ListView_GetColumnWidth(lines, 0), TextExtentIn(lines, L"12345678").cx + 12);
}

TEST_F(PreviewWindowTest, ASlowReadIsAbandonedWhenTheFocusMovesAndNeverLandsInThePane) {
    TMainForm& form = SearchThreeFiles();
    const UniqueHandle entered(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const UniqueHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::wstring slow = ExtendedLengthPath(a_);
    form.PreviewPane().Loader().SetOpener([&](const std::wstring& path) {
        if (path == slow) {
            SetEvent(entered.Get());
            WaitForSingleObject(release.Get(), INFINITE);
        }
        return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    });
    FocusResult(a_);
    ASSERT_TRUE(PumpUntil([&] { return WaitForSingleObject(entered.Get(), 0) == WAIT_OBJECT_0; }));
    // The window goes on handling its messages while the file is being opened.
    EXPECT_EQ(L"Reading\u2026", WindowText(Pane().HeaderLabel()));

    PressKeys({VK_DOWN});
    ASSERT_TRUE(PaneShowsAllOf(b_));
    SetEvent(release.Get());
    ASSERT_TRUE(PumpUntil([&] { return Pane().Loader().RunningThreads() == 0; }));
    Pump();
    EXPECT_EQ(b_, Pane().Path());
    EXPECT_EQ(L"1 match in 1 line", WindowText(Pane().HeaderLabel()));
    ASSERT_EQ(1, ListView_GetItemCount(Pane().Lines()));
    EXPECT_EQ(L"y needle", ItemText(Pane().Lines(), 0, 1));

    // c.txt also has one line: the row the list drew empty while c.txt was read is drawn
    // again when its line comes, though the list's row count stays as it was.
    const HWND lines = Pane().Lines();
    ResetEvent(entered.Get());
    ResetEvent(release.Get());
    slow = ExtendedLengthPath(c_);
    PressKeys({VK_DOWN});
    ASSERT_TRUE(PumpUntil([&] { return WaitForSingleObject(entered.Get(), 0) == WAIT_OBJECT_0; }));
    UpdateWindow(lines);
    RECT dirty{};
    ASSERT_FALSE(GetUpdateRect(lines, &dirty, FALSE));
    SetEvent(release.Get());
    // Only the messages the pane posts to itself, so that the list paints nothing meanwhile.
    const ULONGLONG end = GetTickCount64() + 10000;
    while (!(Pane().Path() == c_ && Pane().Finished()) && GetTickCount64() < end) {
        MSG message;
        while (PeekMessageW(&message, Pane().Handle(), WM_APP, 0xBFFF, PM_REMOVE))
            DispatchMessageW(&message);
        Sleep(5);
    }
    ASSERT_TRUE(Pane().Finished());
    ASSERT_EQ(1, ListView_GetItemCount(lines));
    // The line's text, as far as it is in view, is to be drawn again.
    RECT text{};
    RECT client{};
    ListView_GetSubItemRect(lines, 0, 1, LVIR_LABEL, &text);
    GetClientRect(lines, &client);
    IntersectRect(&text, &text, &client);
    ASSERT_TRUE(GetUpdateRect(lines, &dirty, FALSE));
    RECT covered{};
    UnionRect(&covered, &dirty, &text);
    EXPECT_TRUE(EqualRect(&covered, &dirty));
}

TEST_F(PreviewWindowTest, TheMonitoringRemovesTheFocusedResultAndThePaneFollowsTheNewFocus) {
    TMainForm& form = SearchThreeFiles();
    FocusResult(a_);
    ASSERT_TRUE(PaneShowsAllOf(a_));
    ASSERT_TRUE(DeleteFileW(a_.c_str()));
    SHChangeNotify(SHCNE_DELETE, SHCNF_PATHW, a_.c_str(), nullptr);
    ASSERT_TRUE(PumpUntil([&] { return form.IDList.Count() == 2; }));
    ASSERT_TRUE(PumpUntil([&] { return Pane().Path() != a_; }));
    const int row = FocusedRow(C().ListViewResults);
    ASSERT_GE(row, 0);
    EXPECT_EQ(form.GetResult(row).FullName(), Pane().Path());
    ASSERT_TRUE(PaneShowsAllOf(Pane().Path()));

    // A rename reported for the focused result: the pane leaves the old name.
    const std::wstring focused = Pane().Path();
    const std::wstring renamed = folder_.Sub(L"renamed.txt");
    ASSERT_TRUE(MoveFileW(focused.c_str(), renamed.c_str()));
    SHChangeNotify(SHCNE_RENAMEITEM, SHCNF_PATHW, focused.c_str(), renamed.c_str());
    ASSERT_TRUE(PumpUntil([&] { return form.IDList.Count() == 1; }));
    ASSERT_TRUE(PumpUntil([&] { return Pane().Path() != focused; }));
    const int left = FocusedRow(C().ListViewResults);
    EXPECT_TRUE(left < 0 ? Pane().Path().empty() : Pane().Path() == form.GetResult(left).FullName());
}

TEST_F(PreviewWindowTest, ThePanesKeysCopyOpenAndSwitchTheFocus) {
    TMainForm& form = SearchThreeFiles();
    const std::wstring output = folder_.Sub(L"arguments.txt");
    form.Settings.Editor = folder_.WriteFile(L"editor.bat", "@echo [%1]> \"" + ToAnsi(output) + "\"\r\n");
    FocusResult(a_);
    ASSERT_TRUE(PaneShowsAllOf(a_));
    const HWND lines = Pane().Lines();

    // F6 goes to the pane and back.
    PressKeys({VK_F6});
    EXPECT_EQ(lines, GetFocus());
    PressKeys({VK_CONTROL, 'A'});
    PressKeys({VK_CONTROL, 'C'});
    EXPECT_EQ(L"needle two\r\nthree Needle needle\r\n", ClipboardText());
    PressKeys({VK_F6});
    EXPECT_EQ(C().ListViewResults, GetFocus());

    // A double click on a line opens the previewed file in the editor, whatever else is selected.
    ListView_SetItemState(C().ListViewResults, -1, LVIS_SELECTED, LVIS_SELECTED);
    RECT row{};
    ListView_GetItemRect(lines, 1, &row, LVIR_BOUNDS);
    const LPARAM point = MAKELPARAM(row.left + 30, (row.top + row.bottom) / 2);
    SendMessageW(lines, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
    SendMessageW(lines, WM_LBUTTONUP, 0, point);
    ASSERT_TRUE(PumpUntil([&] { return !ReadFileBytes(output).empty(); }));
    EXPECT_EQ("[\"" + ToAnsi(a_) + "\"]", ReadFileBytes(output).substr(0, a_.size() + 4));

    // Without a containing text the pane shows the start of the file, and notes otherwise.
    folder_.MakeDir(L"sub folder");
    SetWindowTextOf(C().ComboBoxContainingText, L"");
    form.ComboBoxContainingTextChange();
    SetCheckBy(C().CheckBoxShowMatchingFoldernames, true);
    Click(C().BtnSearch);
    FocusResult(b_);
    ASSERT_TRUE(PaneShowsAllOf(b_));
    EXPECT_EQ(L"2 lines", WindowText(Pane().HeaderLabel()));
    EXPECT_EQ(L"y needle", ItemText(lines, 1, 1));
    FocusResult(folder_.Sub(L"sub folder"));
    ASSERT_TRUE(PaneShowsAllOf(folder_.Sub(L"sub folder")));
    EXPECT_EQ(L"No preview: this is a folder.", WindowText(Pane().HeaderLabel()));
    EXPECT_EQ(0, ListView_GetItemCount(lines));
}
