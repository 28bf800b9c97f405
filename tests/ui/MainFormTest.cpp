// The main window as the user meets it: its controls, menus, fonts, sizing and window
// behaviour, driven through its handlers and window messages.

#include "WindowTestSupport.h"

#include "base/DateTime.h"
#include "base/Text.h"
#include "ui/Controls.h"
#include "ui/UiFont.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <tuple>

using namespace quarrow;
using namespace quarrow::test;

namespace {

RECT WindowRectIn(HWND window, HWND parent) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::wstring ColumnCaption(HWND list, int index, int* width, int* format) {
    wchar_t text[64] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.pszText = text;
    column.cchTextMax = 64;
    ListView_GetColumn(list, index, &column);
    *width = column.cx;
    *format = column.fmt & LVCFMT_JUSTIFYMASK;
    return text;
}

} // namespace

TEST_F(MainFormTest, FirstDisplayShowsTheDesignedControlsInTheirResetState) {
    TMainForm& form = OpenForm();
    const TMainControls& c = C();
    EXPECT_EQ(L"Quarrow", WindowText(form.Handle()));
    EXPECT_EQ(L"Files and Folders", form.TabCaption(0));
    EXPECT_EQ(L"Date and Size", form.TabCaption(1));
    EXPECT_EQ(L"Containing text", form.TabCaption(2));
    EXPECT_EQ(L"Exclude folders", form.TabCaption(3));
    EXPECT_EQ(0, form.ActivePage());
    EXPECT_TRUE(IsWindowVisible(c.TabSheets[0]));
    EXPECT_FALSE(IsWindowVisible(c.TabSheets[1]));

    EXPECT_EQ(L"Search", WindowText(c.BtnSearch));
    EXPECT_EQ(L"Stop", WindowText(c.BtnStop));
    EXPECT_EQ(L"Reset", WindowText(c.BtnReset));
    EXPECT_TRUE(IsWindowEnabled(c.BtnSearch));
    EXPECT_FALSE(IsWindowEnabled(c.BtnStop));
    EXPECT_TRUE(IsWindowEnabled(c.BtnReset));
    EXPECT_NE(0, GetWindowLongW(c.BtnSearch, GWL_STYLE) & BS_DEFPUSHBUTTON);

    EXPECT_EQ(L"", WindowText(c.ComboBoxSearchPattern));
    EXPECT_EQ(L"C:\\", WindowText(c.ComboBoxSearchLocation));
    EXPECT_TRUE(IsChecked(c.CheckBoxSearchInSubfolders));
    EXPECT_TRUE(IsChecked(c.CheckBoxShowMatchingFilenames));
    EXPECT_FALSE(IsChecked(c.CheckBoxShowMatchingFoldernames));
    EXPECT_EQ(L"Show matching file names", WindowText(c.CheckBoxShowMatchingFilenames));
    EXPECT_EQ(L"Search for files with a modified date:    ", WindowText(c.CheckBoxSearchForDateTime));

    EXPECT_FALSE(IsChecked(c.CheckBoxSearchForDateTime));
    EXPECT_TRUE(IsChecked(c.RadioButtonDSNewerThan));
    EXPECT_EQ(L"1", WindowText(c.EditDTCount));
    EXPECT_EQ(1, UpDownPosition(c.UpDownDTCount));
    EXPECT_EQ((std::vector<std::wstring>{L"Years", L"Months", L"Weeks", L"Days", L"Hours", L"Minutes"}),
              ComboItems(c.ComboBoxDTUnits));
    EXPECT_EQ(L"Days", WindowText(c.ComboBoxDTUnits));
    EXPECT_EQ((std::vector<std::wstring>{L"GB", L"MB", L"KB", L"Bytes"}), ComboItems(c.ComboBoxSZUnits));
    EXPECT_EQ(L"KB", WindowText(c.ComboBoxSZUnits));
    EXPECT_TRUE(IsChecked(c.RadioButtonSZLargerThan));
    EXPECT_FALSE(IsWindowEnabled(c.EditDTCount)); // the date group follows its check box
    EXPECT_FALSE(IsWindowEnabled(c.ComboBoxSZUnits));
    EXPECT_TRUE(IsWindowEnabled(c.CheckBoxSearchForSize));

    EXPECT_FALSE(IsChecked(c.CheckBoxCTCaseSensitive));
    EXPECT_TRUE(IsChecked(c.CheckBoxCTIgnoreExecutableFiles));
    EXPECT_TRUE(IsChecked(c.CheckBoxCTIgnoreMediaFiles));
    EXPECT_FALSE(IsChecked(c.CheckBoxExcludeFolders));
    EXPECT_FALSE(IsWindowEnabled(c.BtnSFAdd));
    EXPECT_FALSE(IsWindowEnabled(c.ListViewExcludeFolders));

    SYSTEMTIME begin{}, end{};
    ASSERT_TRUE(PickerValue(c.DateTimePickerBegin, begin));
    ASSERT_TRUE(PickerValue(c.DateTimePickerEnd, end));
    EXPECT_DOUBLE_EQ(IncMonth(SystemTimeToDateTime(end), -12), SystemTimeToDateTime(begin));
    EXPECT_LT(std::abs(SystemTimeToDateTime(end) - NowLocal()), 1.0 / 24);

    const std::wstring captions[] = {L"Name", L"Folder", L"Size", L"Date Modified", L"Type"};
    const int widths[] = {150, 130, 80, 100, 50};
    for (int i = 0; i < 5; ++i) {
        int width = 0, format = 0;
        EXPECT_EQ(captions[i], ColumnCaption(c.ListViewResults, i, &width, &format));
        EXPECT_EQ(form.Scale(widths[i]), width);
        EXPECT_EQ(i == 2 ? LVCFMT_RIGHT : LVCFMT_LEFT, format);
    }
    const LONG listStyle = GetWindowLongW(c.ListViewResults, GWL_STYLE);
    EXPECT_NE(0, listStyle & LVS_OWNERDATA);
    EXPECT_NE(0, listStyle & LVS_SHOWSELALWAYS);
    EXPECT_EQ(0, listStyle & LVS_SINGLESEL);
    EXPECT_NE(0, listStyle & LVS_SHAREIMAGELISTS); // the system's icons are never freed by the list

    EXPECT_EQ(3, SendMessageW(c.StatusBar, SB_GETPARTS, 0, 0));
    EXPECT_EQ(L"", StatusText(c.StatusBar, 0));
    EXPECT_EQ(L"", StatusText(c.StatusBar, 1));
    EXPECT_TRUE(IsWindowVisible(c.ImageStatusGreen));
    EXPECT_FALSE(IsWindowVisible(c.ImageStatusRed));
    EXPECT_FALSE(IsWindowVisible(c.ImageStatusGray));
    EXPECT_EQ(c.StatusBar, GetParent(c.ImageStatusGreen));
}

TEST_F(MainFormTest, StatusBarPanelsAndImagesFollowTheWindowWidth) {
    TMainForm& form = OpenForm();
    const TMainControls& c = C();
    SetWindowPos(form.Handle(), nullptr, 0, 0, form.Scale(800), form.Scale(500), SWP_NOZORDER | SWP_NOMOVE);
    Pump();
    int parts[3] = {};
    SendMessageW(c.StatusBar, SB_GETPARTS, 3, reinterpret_cast<LPARAM>(parts));
    RECT status{};
    GetClientRect(c.StatusBar, &status);
    EXPECT_EQ(form.Scale(340), parts[0]);
    EXPECT_EQ(status.right - form.Scale(46), parts[1]);
    for (HWND image : {c.ImageStatusGreen, c.ImageStatusRed, c.ImageStatusGray}) {
        const RECT rect = WindowRectIn(image, c.StatusBar);
        EXPECT_EQ(status.right - form.Scale(32), rect.left);
        EXPECT_EQ(form.Scale(3), rect.top);
        EXPECT_EQ(form.Scale(16), rect.right - rect.left);
    }
    // The list fills the width; the location box stretches with the window.
    RECT client{};
    GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, WindowRectIn(c.ListViewResults, form.Handle()).right);
    const RECT sheet = WindowRectIn(c.TabSheets[0], form.Handle());
    const RECT location = WindowRectIn(c.ComboBoxSearchLocation, c.TabSheets[0]);
    EXPECT_EQ(sheet.right - sheet.left - form.Scale(39), location.right);
}

TEST_F(MainFormTest, EveryControlFitsItsSheetWithoutOverlapping) {
    TMainForm& form = OpenForm();
    const TMainControls& c = C();
    const std::vector<HWND> groups = {c.GroupBoxDateTime, c.GroupBoxSize, c.GroupBoxExcludeFolders};
    for (HWND sheet : c.TabSheets) {
        RECT bounds{};
        GetClientRect(sheet, &bounds);
        std::vector<HWND> children;
        for (HWND child = GetWindow(sheet, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
            children.push_back(child);
        for (HWND child : children) {
            const RECT rect = WindowRectIn(child, sheet);
            EXPECT_GE(rect.left, 0);
            EXPECT_GE(rect.top, 0);
            EXPECT_LE(rect.right, bounds.right) << WindowText(child);
            EXPECT_LE(rect.bottom, bounds.bottom) << WindowText(child);
        }
        for (size_t i = 0; i < children.size(); ++i) {
            for (size_t j = i + 1; j < children.size(); ++j) {
                if (std::find(groups.begin(), groups.end(), children[i]) != groups.end() ||
                    std::find(groups.begin(), groups.end(), children[j]) != groups.end())
                    continue;
                if ((children[i] == c.EditDTCount && children[j] == c.UpDownDTCount) ||
                    (children[i] == c.EditSZCount && children[j] == c.UpDownSZCount))
                    continue;
                RECT a = WindowRectIn(children[i], sheet), b = WindowRectIn(children[j], sheet), overlap{};
                EXPECT_FALSE(IntersectRect(&overlap, &a, &b))
                    << "'" << ToUtf8(WindowText(children[i])) << "' and '" << ToUtf8(WindowText(children[j]))
                    << "'";
            }
        }
    }
    // The header check boxes sit on their group box's top edge, inside its width.
    for (auto [check, group] : {std::pair{c.CheckBoxSearchForDateTime, c.GroupBoxDateTime},
                                std::pair{c.CheckBoxSearchForSize, c.GroupBoxSize},
                                std::pair{c.CheckBoxExcludeFolders, c.GroupBoxExcludeFolders}}) {
        const RECT box = WindowRectIn(check, GetParent(check));
        const RECT frame = WindowRectIn(group, GetParent(group));
        EXPECT_LT(box.top, frame.top + form.Scale(8));
        EXPECT_GT(box.bottom, frame.top + form.Scale(8));
        EXPECT_GT(box.left, frame.left);
    }
    // The count boxes show their largest count whole, clear of their up-down arrows.
    for (auto [edit, upDown] :
         {std::pair{c.EditDTCount, c.UpDownDTCount}, std::pair{c.EditSZCount, c.UpDownSZCount}}) {
        RECT text{};
        SendMessageW(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
        MapWindowPoints(edit, GetParent(edit), reinterpret_cast<POINT*>(&text), 2);
        HDC dc = GetDC(edit);
        const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0)));
        SIZE largest{};
        GetTextExtentPoint32W(dc, L"10000", 5, &largest);
        SelectObject(dc, old);
        ReleaseDC(edit, dc);
        EXPECT_GE(text.right - text.left, largest.cx);
        EXPECT_LE(text.right, WindowRectIn(upDown, GetParent(edit)).left);
    }
}

TEST_F(MainFormTest, UsesTheUIFontAndWidensTheHeaderCheckBoxes) {
    TMainForm& form = OpenForm();
    const TMainControls& c = C();
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(c.CheckBoxSearchInSubfolders, WM_GETFONT, 0, 0));
    LOGFONTW logFont{};
    ASSERT_TRUE(GetObjectW(font, sizeof(logFont), &logFont));
    EXPECT_EQ(GetUIFontName(), logFont.lfFaceName);
    EXPECT_EQ(-MulDiv(GetUIFontSize(), form.Dpi(), 72), logFont.lfHeight);
    ASSERT_EQ(9, GetUIFontSize()); // the test prefix runs as Windows 7
    // Widened to at least 214, 160 and 222, and wide enough for the whole caption.
    for (auto [check, sheet, width] : {std::tuple{c.CheckBoxSearchForDateTime, c.TabSheets[1], 214},
                                       std::tuple{c.CheckBoxSearchForSize, c.TabSheets[1], 160},
                                       std::tuple{c.CheckBoxExcludeFolders, c.TabSheets[3], 222}}) {
        const RECT rect = WindowRectIn(check, sheet);
        EXPECT_GE(rect.right - rect.left, form.Scale(width));
        HDC dc = GetDC(check);
        HGDIOBJ previous = SelectObject(dc, font);
        SIZE extent{};
        const std::wstring text = WindowText(check);
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        SelectObject(dc, previous);
        ReleaseDC(check, dc);
        EXPECT_GT(rect.right - rect.left, extent.cx + GetSystemMetrics(SM_CXMENUCHECK)) << ToUtf8(text);
    }
}

TEST_F(MainFormTest, MenusAndPopupAreBuiltFromTheActionList) {
    TMainForm& form = OpenForm();
    HMENU bar = GetMenu(form.Handle());
    ASSERT_EQ(form.MainMenu(), bar);
    EXPECT_EQ((std::vector<std::wstring>{L"&File", L"&Actions", L"&View", L"&Tools", L"&Help"}),
              MenuItemTexts(bar));
    EXPECT_EQ((std::vector<std::wstring>{L"&Exit"}), MenuItemTexts(GetSubMenu(bar, 0)));
    EXPECT_EQ((std::vector<std::wstring>{L"O&pen", L"&Edit", L"-", L"&Cut", L"Cop&y", L"-", L"&Delete",
                                         L"&Rename", L"Proper&ties", L"-", L"&Select All",
                                         L"&Invert Selection", L"-", L"&Open Containing Folder"}),
              MenuItemTexts(GetSubMenu(bar, 1)));
    HMENU tools = GetSubMenu(bar, 3);
    EXPECT_EQ((std::vector<std::wstring>{L"&Preferences...", L"&Export", L"&Not Searched..."}),
              MenuItemTexts(tools));
    EXPECT_EQ(
        (std::vector<std::wstring>{L"&Selected items to the clipboard", L"&All items to the clipboard", L"-",
                                   L"A&ll items to a text file", L"All &items to a comma delimited file"}),
        MenuItemTexts(GetSubMenu(tools, 1)));
    EXPECT_EQ((std::vector<std::wstring>{L"&Help\tF1", L"&About..."}), MenuItemTexts(GetSubMenu(bar, 4)));
    // The items are drawn by the window, which also answers their accelerator letters.
    EXPECT_EQ(MAKELRESULT(3, MNC_EXECUTE),
              SendMessageW(form.Handle(), WM_MENUCHAR, L't', reinterpret_cast<LPARAM>(bar)));
    EXPECT_EQ(MAKELRESULT(1, MNC_EXECUTE),
              SendMessageW(form.Handle(), WM_MENUCHAR, L'E', reinterpret_cast<LPARAM>(tools)));
    EXPECT_EQ(MNC_IGNORE,
              HIWORD(SendMessageW(form.Handle(), WM_MENUCHAR, L'q', reinterpret_cast<LPARAM>(bar))));
    EXPECT_EQ((std::vector<std::wstring>{L"Open", L"Edit", L"-", L"Cut", L"Copy", L"-", L"Delete", L"Rename",
                                         L"Properties", L"-", L"Select All", L"Invert Selection", L"-",
                                         L"Open Containing Folder"}),
              MenuItemTexts(form.PopupActionMenuFull()));

    // With no results every result action is off, in the menu bar and the popup alike.
    auto expectStates = [&](const std::string& when) {
        for (const TActionInfo& action : ActionTable()) {
            const UINT command = ActionCommand(action.Id);
            EXPECT_EQ(form.ActionEnabled(action.Id), MenuItemEnabled(bar, command))
                << when << ToUtf8(action.Name);
            if (GetMenuState(form.PopupActionMenuFull(), command, MF_BYCOMMAND) != static_cast<UINT>(-1)) {
                EXPECT_EQ(form.ActionEnabled(action.Id), MenuItemEnabled(form.PopupActionMenuFull(), command))
                    << when << ToUtf8(action.Name);
            }
        }
    };
    EXPECT_FALSE(form.ActionEnabled(TActionId::ActionActionCopy));
    EXPECT_FALSE(form.ActionEnabled(TActionId::ActionActionSelectAll));
    EXPECT_TRUE(form.ActionEnabled(TActionId::ActionFileExit));
    EXPECT_TRUE(form.ActionEnabled(TActionId::ActionHelpHelp));
    expectStates("no results: ");

    for (int i = 0; i < 3; ++i) {
        auto item = std::make_unique<TShellItem>();
        item->Name = L"file" + std::to_wstring(i) + L".txt";
        form.IDList.Add(std::move(item));
    }
    form.TotalSelectedFiles = 1;
    form.UpdateActionStates();
    EXPECT_TRUE(form.ActionEnabled(TActionId::ActionActionOpen));
    EXPECT_TRUE(form.ActionEnabled(TActionId::ActionActionEdit)); // the default editor is set
    expectStates("one selected: ");
    form.TotalSelectedFiles = 2;
    form.UpdateActionStates();
    EXPECT_FALSE(form.ActionEnabled(TActionId::ActionActionRename));
    EXPECT_TRUE(form.ActionEnabled(TActionId::ActionActionDelete));
    expectStates("two selected: ");
    form.IDList.Clear();
}

TEST_F(MainFormTest, FilterControlsEnableTheirGroupsAndMarkTheTabs) {
    TMainForm& form = OpenForm();
    const TMainControls& c = C();
    form.SelectPage(1);
    SetCheckBy(c.CheckBoxSearchForDateTime, true);
    for (HWND control :
         {c.RadioButtonDSNewerThan, c.RadioButtonDSOlderThan, c.RadioButtonDSBetween, c.EditDTCount,
          c.UpDownDTCount, c.ComboBoxDTUnits, c.DateTimePickerBegin, c.DateTimePickerEnd})
        EXPECT_TRUE(IsWindowEnabled(control));
    EXPECT_FALSE(IsWindowEnabled(c.EditSZCount));
    EXPECT_EQ(L"Date and Size *", form.TabCaption(1));

    SetCheckBy(c.CheckBoxSearchForSize, true);
    SetCheckBy(c.CheckBoxSearchForDateTime, false);
    EXPECT_FALSE(IsWindowEnabled(c.DateTimePickerEnd));
    EXPECT_TRUE(IsWindowEnabled(c.RadioButtonSZSmallerThan));
    EXPECT_EQ(L"Date and Size *", form.TabCaption(1)); // the size filter still marks it
    SetCheckBy(c.CheckBoxSearchForSize, false);
    EXPECT_EQ(L"Date and Size", form.TabCaption(1));

    // Typing into the containing-text box marks its tab; choosing from the list does too.
    SetWindowTextW(c.ComboBoxContainingText, L"needle");
    SendMessageW(GetParent(c.ComboBoxContainingText), WM_COMMAND,
                 MAKEWPARAM(GetDlgCtrlID(c.ComboBoxContainingText), CBN_EDITCHANGE),
                 reinterpret_cast<LPARAM>(c.ComboBoxContainingText));
    EXPECT_EQ(L"Containing text *", form.TabCaption(2));
    form.UpdateContainingTextHistory(L"");
    SetWindowTextW(c.ComboBoxContainingText, L"");
    form.ComboBoxContainingTextChange();
    EXPECT_EQ(L"Containing text", form.TabCaption(2));

    // The exclude switch enables its group; the tab is marked only with folders listed.
    form.Lists.ExcludeFoldersList = {L"C:\\Windows"};
    form.UpdateExcludeFoldersList(L"");
    SetCheckBy(c.CheckBoxExcludeFolders, true);
    EXPECT_TRUE(form.Settings.ExcludeFolders);
    EXPECT_TRUE(IsWindowEnabled(c.BtnSFAdd));
    EXPECT_TRUE(IsWindowEnabled(c.BtnSFClear));
    EXPECT_FALSE(IsWindowEnabled(c.BtnSFRemove)); // nothing selected
    EXPECT_EQ(L"Exclude folders *", form.TabCaption(3));
    ListView_SetItemState(c.ListViewExcludeFolders, 0, LVIS_SELECTED, LVIS_SELECTED);
    Pump();
    EXPECT_TRUE(IsWindowEnabled(c.BtnSFRemove));
    SetCheckBy(c.CheckBoxExcludeFolders, false);
    EXPECT_FALSE(IsWindowEnabled(c.ListViewExcludeFolders));
    EXPECT_FALSE(IsWindowEnabled(c.BtnSFClear));
    EXPECT_EQ(L"Exclude folders", form.TabCaption(3));
}

TEST_F(MainFormTest, CountFieldsAcceptOnlyDigitsAndBackspace) {
    OpenForm();
    const TMainControls& c = C();
    for (HWND edit : {c.EditDTCount, c.EditSZCount}) {
        EnableWindow(edit, TRUE);
        SetWindowTextW(edit, L"1");
        SendMessageW(edit, EM_SETSEL, 1, 1);
        for (wchar_t key : {L'a', L'-', L' ', L'Z', L'.', L'2', L'x', L'5'})
            SendMessageW(edit, WM_CHAR, key, 0);
        EXPECT_EQ(L"125", WindowText(edit));
        SendMessageW(edit, WM_CHAR, L'\b', 0);
        EXPECT_EQ(L"12", WindowText(edit));
    }
}

TEST_F(MainFormTest, ResetRestoresTheCriteriaButKeepsTheMediaSwitch) {
    TMainForm& form = OpenForm();
    const TMainControls& c = C();
    SetWindowTextW(c.ComboBoxSearchPattern, L"*.doc");
    SetWindowTextW(c.ComboBoxSearchLocation, L"Z:\\tmp");
    SetCheckBy(c.CheckBoxSearchInSubfolders, false);
    SetCheckBy(c.CheckBoxShowMatchingFoldernames, true);
    SetCheckBy(c.CheckBoxSearchForDateTime, true);
    Click(c.RadioButtonDSBetween);
    SetUpDownPosition(c.UpDownDTCount, 7);
    SetComboIndex(c.ComboBoxDTUnits, 0);
    SetCheckBy(c.CheckBoxSearchForSize, true);
    Click(c.RadioButtonSZSmallerThan);
    SetComboIndex(c.ComboBoxSZUnits, 0);
    SetWindowTextW(c.ComboBoxContainingText, L"text");
    SetCheckBy(c.CheckBoxCTCaseSensitive, true);
    SetCheckBy(c.CheckBoxCTIgnoreExecutableFiles, false);
    SetCheckBy(c.CheckBoxCTIgnoreMediaFiles, false);
    form.SelectPage(2);
    SetStatusTextOf(c.StatusBar, 0, L"Search time: 00:01:000");

    Click(c.BtnReset);
    EXPECT_EQ(L"", WindowText(c.ComboBoxSearchPattern));
    EXPECT_EQ(L"C:\\", WindowText(c.ComboBoxSearchLocation));
    EXPECT_TRUE(IsChecked(c.CheckBoxSearchInSubfolders));
    EXPECT_FALSE(IsChecked(c.CheckBoxShowMatchingFoldernames));
    EXPECT_FALSE(IsChecked(c.CheckBoxSearchForDateTime));
    EXPECT_FALSE(IsWindowEnabled(c.RadioButtonDSBetween));
    EXPECT_TRUE(IsChecked(c.RadioButtonDSNewerThan));
    EXPECT_FALSE(IsChecked(c.RadioButtonDSBetween));
    EXPECT_EQ(L"1", WindowText(c.EditDTCount));
    EXPECT_EQ(L"Days", WindowText(c.ComboBoxDTUnits));
    EXPECT_TRUE(IsChecked(c.RadioButtonSZLargerThan));
    EXPECT_FALSE(IsChecked(c.RadioButtonSZSmallerThan));
    EXPECT_EQ(L"KB", WindowText(c.ComboBoxSZUnits));
    EXPECT_EQ(L"", WindowText(c.ComboBoxContainingText));
    EXPECT_EQ(L"Containing text", form.TabCaption(2));
    EXPECT_EQ(L"Date and Size", form.TabCaption(1));
    EXPECT_FALSE(IsChecked(c.CheckBoxCTCaseSensitive));
    EXPECT_TRUE(IsChecked(c.CheckBoxCTIgnoreExecutableFiles));
    EXPECT_FALSE(IsChecked(c.CheckBoxCTIgnoreMediaFiles)); // Reset leaves it alone
    EXPECT_EQ(L"", StatusText(c.StatusBar, 0));
    EXPECT_EQ(0, form.ActivePage());
    const HWND focus = GetFocus();
    EXPECT_TRUE(focus == c.ComboBoxSearchPattern || GetParent(focus) == c.ComboBoxSearchPattern);
}

TEST_F(MainFormTest, FirstDisplayTakesTheLocationFromTheCommandLine) {
    TMainForm& form = OpenForm(L"Z:\\some\\place");
    const TMainControls& c = C();
    EXPECT_EQ(L"Z:\\some\\place", WindowText(c.ComboBoxSearchLocation));
    ASSERT_FALSE(form.Lists.SearchLocationHistoryList.empty());
    EXPECT_EQ(L"Z:\\some\\place", form.Lists.SearchLocationHistoryList.front());
    const std::vector<std::wstring> items = ComboItems(c.ComboBoxSearchLocation);
    // The fixed drive roots come first, then "Local Hard Drives", then the history.
    ASSERT_GE(items.size(), 3u);
    EXPECT_EQ(L"C:\\", items[0]);
    const auto drives = std::find(items.begin(), items.end(), L"Local Hard Drives");
    ASSERT_NE(items.end(), drives);
    EXPECT_EQ(L"Z:\\some\\place", *(drives + 1));
}

TEST_F(MainFormTest, BrowseButtonPutsThePickedFolderIntoTheLocationBox) {
    TMainForm& form = OpenForm();
    const TMainControls& c = C();
    SetWindowTextW(c.ComboBoxSearchLocation, L"");
    Prompt().QueuePath(L"Z:\\picked");
    Click(c.BitBtnOpenFolderDialog);
    ASSERT_EQ(1u, Prompt().Records().size());
    EXPECT_EQ(ScriptedPrompt::Kind::PickFolder, Prompt().Records()[0].kind);
    EXPECT_EQ(L"Select a search location: ", Prompt().Records()[0].text);
    EXPECT_EQ(L"C:\\", Prompt().Records()[0].detail); // an empty box starts at C:\ .
    EXPECT_EQ(L"Z:\\picked", WindowText(c.ComboBoxSearchLocation));

    Prompt().QueueCancel();
    Click(c.BitBtnOpenFolderDialog);
    EXPECT_EQ(L"Z:\\picked", Prompt().Records()[1].detail);
    EXPECT_EQ(L"Z:\\picked", WindowText(c.ComboBoxSearchLocation));
    EXPECT_TRUE(form.Lists.SearchLocationHistoryList.empty()); // no history entry, no search
}

TEST_F(MainFormTest, WidthNeverGoesBelowTheDesignAndHeightNeverBelow400) {
    TMainForm& form = OpenForm();
    RECT window{};
    GetWindowRect(form.Handle(), &window);
    EXPECT_EQ(form.Scale(549), window.right - window.left);
    EXPECT_EQ(form.Scale(454), window.bottom - window.top);
    SetWindowPos(form.Handle(), nullptr, 0, 0, form.Scale(300), form.Scale(200), SWP_NOZORDER | SWP_NOMOVE);
    GetWindowRect(form.Handle(), &window);
    EXPECT_EQ(form.Scale(549), window.right - window.left);
    EXPECT_EQ(form.Scale(400), window.bottom - window.top);
    MINMAXINFO limits{};
    SendMessageW(form.Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(form.Scale(549), limits.ptMinTrackSize.x);
    EXPECT_EQ(form.Scale(400), limits.ptMinTrackSize.y);
}

// A damaged file: the window is placed by the size it really takes, so all of it shows.
TEST_F(MainFormTest, ASavedSizeBelowTheSmallestStillOpensTheWholeWindowOnTheScreen) {
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    for (const wchar_t* height : {L"0", L"-300"}) {
        const std::wstring ini = AppData() + L"\\Quarrow.ini";
        WritePrivateProfileStringW(L"Preferences", L"SavePositionAndSize", L"1", ini.c_str());
        WritePrivateProfileStringW(L"Preferences", L"AppHeight", height, ini.c_str());
        WritePrivateProfileStringW(L"Preferences", L"AppTop", L"3000", ini.c_str());
        TMainForm& form = OpenForm();
        RECT window{};
        GetWindowRect(form.Handle(), &window);
        EXPECT_EQ(form.Scale(400), window.bottom - window.top) << height;
        EXPECT_GE(window.top, area.top) << height;
        EXPECT_LE(window.bottom, area.bottom) << height;
        CloseForm();
    }
}

TEST_F(MainFormTest, MinimisesItselfAndBringsAModalDialogForward) {
    TMainForm& form = OpenForm();
    EXPECT_NE(0, GetWindowLongW(form.Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
    SendMessageW(form.Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(form.Handle()));
    SendMessageW(form.Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsIconic(form.Handle()));

    // A modal dialog disables its owner; activating the owner (a click on its taskbar
    // button) brings the dialog forward instead.
    HWND dialog = CreateWindowExW(0, WC_STATICW, L"modal", WS_POPUP | WS_CAPTION | WS_VISIBLE, 50, 50, 200,
                                  100, form.Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    HWND other = CreateWindowExW(0, WC_STATICW, L"other", WS_POPUP | WS_CAPTION | WS_VISIBLE, 300, 50, 200,
                                 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    EnableWindow(form.Handle(), FALSE);
    SetActiveWindow(other);
    ASSERT_EQ(other, GetActiveWindow());
    SendMessageW(form.Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
    Pump();
    EXPECT_EQ(dialog, GetActiveWindow());
    EnableWindow(form.Handle(), TRUE);
    DestroyWindow(other);
    DestroyWindow(dialog);
}

TEST_F(MainFormTest, ExitClosesTheWindowAndSavesTheSettings) {
    TMainForm& form = OpenForm();
    form.ExecuteAction(TActionId::ActionFileExit);
    Pump();
    EXPECT_EQ(nullptr, form.Handle());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((AppData() + L"\\Quarrow.ini").c_str()));
}

TEST_F(MainFormTest, MovingToAScreenOfAnotherDpiScalesTheWholeWindow) {
    TMainForm& form = OpenForm();
    const TMainControls& c = C();
    ASSERT_EQ(96, form.Dpi());
    RECT suggested{10, 10, 10 + MulDiv(549, 144, 96), 10 + MulDiv(454, 144, 96)};
    SendMessageW(form.Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    Pump();
    EXPECT_EQ(144, form.Dpi());
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(c.ComboBoxSearchPattern, WM_GETFONT, 0, 0)), sizeof(font),
               &font);
    EXPECT_EQ(-MulDiv(GetUIFontSize(), 144, 72), font.lfHeight);
    EXPECT_EQ(225, ListView_GetColumnWidth(c.ListViewResults, 0));
    int parts[3] = {};
    SendMessageW(c.StatusBar, SB_GETPARTS, 3, reinterpret_cast<LPARAM>(parts));
    EXPECT_EQ(510, parts[0]);
    int iconWidth = 0, iconHeight = 0;
    ImageList_GetIconSize(ListView_GetImageList(c.ListViewExcludeFolders, LVSIL_SMALL), &iconWidth,
                          &iconHeight);
    EXPECT_EQ(24, iconWidth);
    EXPECT_EQ(MulDiv(549, 144, 96), form.DesignedGeometry.DefaultAppWidth);
    const RECT button = WindowRectIn(c.BtnSearch, form.Handle());
    EXPECT_EQ(MulDiv(75, 144, 96), button.right - button.left);
    RECT sheet{};
    GetClientRect(c.TabSheets[0], &sheet);
    EXPECT_LE(WindowRectIn(c.CheckBoxShowMatchingFoldernames, c.TabSheets[0]).bottom, sheet.bottom);
}

TEST_F(MainFormTest, AFailedSettingsWriteAtExitIsReportedAndTheWindowStillCloses) {
    // A file in the way: the folder cannot be made.
    const std::wstring blocked = WriteFileExactly(AppData() + L"\\file") + L"\\missing";
    SetEnvironmentVariableW(L"APPDATA", blocked.c_str());
    TMainForm& form = OpenForm();
    form.ExecuteAction(TActionId::ActionFileExit);
    Pump();
    EXPECT_EQ(nullptr, form.Handle());
    ASSERT_EQ(1u, Prompt().Records().size());
    EXPECT_EQ(PromptType::Error, Prompt().Records()[0].type);
    EXPECT_EQ(L"Unable to write to " + blocked + L"\\Quarrow.ini.", Prompt().Records()[0].text);
}
