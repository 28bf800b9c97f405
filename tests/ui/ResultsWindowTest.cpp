// The results list through the real window: selections made with the keyboard and the
// mouse, Select All and Invert Selection, sorting by header clicks, in-place rename and the
// double click.

#include "WindowTestSupport.h"

#include "base/DateTime.h"
#include "base/Messages.h"
#include "base/SystemError.h"
#include "results/ResultSorting.h"
#include "results/StatusTexts.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <set>
#include <string>

using namespace quarrow;
using namespace quarrow::test;

namespace {

std::vector<int> SelectedRows(HWND list) {
    std::vector<int> rows;
    for (int row = ListView_GetNextItem(list, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(list, row, LVNI_SELECTED))
        rows.push_back(row);
    return rows;
}

std::set<std::wstring> SelectedPaths(const TMainForm& form) {
    std::set<std::wstring> paths;
    for (const int row : SelectedRows(form.Controls().ListViewResults))
        paths.insert(form.GetResult(row).FullName());
    return paths;
}

// A key as the list receives it, with Shift held or not.
void PressKey(HWND list, WORD key, bool shift = false) {
    BYTE state[256] = {};
    GetKeyboardState(state);
    const BYTE before = state[VK_SHIFT];
    state[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(state);
    SetFocus(list);
    SendMessageW(list, WM_KEYDOWN, key, 1);
    SendMessageW(list, WM_KEYUP, key, 0xC0000001);
    state[VK_SHIFT] = before;
    SetKeyboardState(state);
}

void ClickHeader(HWND list, int column) {
    const HWND header = ListView_GetHeader(list);
    RECT item{};
    Header_GetItemRect(header, column, &item);
    const LPARAM point = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageW(header, WM_LBUTTONUP, 0, point);
    ProcessMessages();
}

int64_t SizeOfRows(const TMainForm& form, const std::vector<int>& rows) {
    int64_t total = 0;
    for (const int row : rows)
        total += form.GetResult(row).Size;
    return total;
}

// The row whose record has this name, found in the records rather than in the list.
int RecordRow(const TMainForm& form, const std::wstring& name) {
    for (int row = 0; row < form.IDList.Count(); ++row) {
        if (form.IDList[row].Name == name)
            return row;
    }
    return -1;
}

std::vector<std::wstring> PathsOfRows(const TMainForm& form, const std::vector<int>& rows) {
    std::vector<std::wstring> paths;
    for (const int row : rows)
        paths.push_back(form.GetResult(row).FullName());
    return paths;
}

} // namespace

TEST_F(MainFormTest, KeyboardSelectionsAreHandedOverWithTheirTotals) {
    TempDir folder(L"keys");
    folder.WriteFile(L"a.txt", std::string(1, 'a'));
    folder.WriteFile(L"b.txt", std::string(1024, 'b'));
    folder.WriteFile(L"c.txt", std::string(2048, 'c'));
    folder.WriteFile(L"d.txt", std::string(10, 'd'));
    TMainForm& form = OpenForm(folder.Path());
    const HWND list = C().ListViewResults;
    Click(C().BtnSearch);
    ASSERT_EQ(4, form.IDList.Count());

    ClickRow(list, 0);
    PressKey(list, VK_DOWN, true);
    PressKey(list, VK_DOWN, true);
    Pump();
    const std::vector<int> three{0, 1, 2};
    ASSERT_EQ(three, SelectedRows(list));
    EXPECT_EQ(3, form.TotalSelectedFiles);
    EXPECT_EQ(SizeOfRows(form, three), form.TotalSelectedSize);
    EXPECT_EQ(SelectionSummaryText(3, SizeOfRows(form, three)), StatusText(C().StatusBar, 0));
    EXPECT_EQ(L"Found: 4 files", StatusText(C().StatusBar, 1));
    EXPECT_EQ(PathsOfRows(form, three), form.Vantor->MultiObjects());
    EXPECT_TRUE(form.ActionEnabled(TActionId::ActionActionDelete));
    EXPECT_FALSE(form.ActionEnabled(TActionId::ActionActionRename));

    PressKey(list, VK_DOWN);
    Pump();
    EXPECT_EQ(1, form.TotalSelectedFiles);
    EXPECT_EQ(form.GetResult(3).Size, form.TotalSelectedSize);
    EXPECT_TRUE(form.Vantor->MultiObjects().empty());
    EXPECT_EQ(folder.Path() + L"\\", form.Vantor->Folder());
    EXPECT_EQ(form.GetResult(3).Name, form.Vantor->ObjectName());
    EXPECT_TRUE(form.ActionEnabled(TActionId::ActionActionRename));

    // A command chosen before the hand-over's message has run acts on the current selection:
    // with two rows now selected, Rename is no longer enabled and starts nothing.
    PressKey(list, VK_UP, true);
    form.ExecuteAction(TActionId::ActionActionRename);
    EXPECT_EQ(2, form.TotalSelectedFiles);
    EXPECT_EQ(PathsOfRows(form, {2, 3}), form.Vantor->MultiObjects());
    EXPECT_FALSE(form.ActionEnabled(TActionId::ActionActionRename));
    EXPECT_EQ(nullptr, ListView_GetEditControl(list));

    // A new search empties the selection; a hand-over still waiting for its message does not
    // put a summary in the place of the search time.
    PressKey(list, VK_DOWN);
    Click(C().BtnSearch);
    Pump();
    EXPECT_EQ(L"Search time: ", StatusText(C().StatusBar, 0).substr(0, 13));
    EXPECT_EQ(0, form.TotalSelectedFiles);
    EXPECT_TRUE(SelectedRows(list).empty());
}

TEST_F(MainFormTest, SelectAllAndInvertSelectionHandEveryRowOverInRowOrder) {
    TempDir folder(L"selectall");
    folder.WriteFile(L"one.txt", std::string(100, '1'));
    folder.WriteFile(L"two.txt", std::string(2000, '2'));
    folder.WriteFile(L"three.txt");
    folder.MakeDir(L"four");
    TMainForm& form = OpenForm(folder.Path());
    SetCheckBy(C().CheckBoxShowMatchingFoldernames, true);
    const HWND list = C().ListViewResults;
    Click(C().BtnSearch);
    ASSERT_EQ(4, form.IDList.Count());
    const std::vector<int> all{0, 1, 2, 3};
    EXPECT_EQ(L"", CellText(list, RowNamed(list, L"four"), 2)); // a folder has no size
    EXPECT_EQ(L"1 KB", CellText(list, RowNamed(list, L"three.txt"), 2));
    EXPECT_EQ(L"2 KB", CellText(list, RowNamed(list, L"two.txt"), 2));

    ClickRow(list, 1);
    form.ExecuteAction(TActionId::ActionActionSelectAll);
    EXPECT_EQ(all, SelectedRows(list));
    EXPECT_EQ(4, form.TotalSelectedFiles);
    EXPECT_EQ(2100, form.TotalSelectedSize);
    EXPECT_EQ(PathsOfRows(form, all), form.Vantor->MultiObjects());
    EXPECT_EQ(L"Selected: 4 files (3 KB)", StatusText(C().StatusBar, 0));
    EXPECT_FALSE(form.ActionEnabled(TActionId::ActionActionOpen));
    EXPECT_TRUE(form.ActionEnabled(TActionId::ActionActionCopy));

    ClickRow(list, 0);
    form.ExecuteAction(TActionId::ActionActionInvertSelection);
    const std::vector<int> rest{1, 2, 3};
    EXPECT_EQ(rest, SelectedRows(list));
    EXPECT_EQ(3, form.TotalSelectedFiles);
    EXPECT_EQ(SizeOfRows(form, rest), form.TotalSelectedSize);
    EXPECT_EQ(PathsOfRows(form, rest), form.Vantor->MultiObjects());
    EXPECT_EQ(SelectionSummaryText(3, SizeOfRows(form, rest)), StatusText(C().StatusBar, 0));

    // Even a single row goes to the list of objects; the object name stays unset.
    form.ExecuteAction(TActionId::ActionActionInvertSelection);
    EXPECT_EQ(std::vector<int>{0}, SelectedRows(list));
    EXPECT_EQ(1, form.TotalSelectedFiles);
    EXPECT_EQ(PathsOfRows(form, {0}), form.Vantor->MultiObjects());
    EXPECT_EQ(L"", form.Vantor->ObjectName());
    Pump(); // nothing left over to hand over again
    EXPECT_EQ(PathsOfRows(form, {0}), form.Vantor->MultiObjects());

    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    Pump();
    EXPECT_EQ(L"No files selected", StatusText(C().StatusBar, 0));
    form.ExecuteAction(TActionId::ActionActionInvertSelection);
    EXPECT_EQ(all, SelectedRows(list));
    EXPECT_EQ(4, form.TotalSelectedFiles);
}

TEST_F(MainFormTest, HeaderClicksSortEachColumnBothWaysAndKeepTheSelectedRecords) {
    TempDir folder(L"sorting");
    const struct {
        const wchar_t* name;
        size_t size;
        int day;
    } files[] = {
        {L"b.txt", 3000, 3}, {L"A.log", 10, 5}, {L"c.dat", 500000, 1}, {L"D.txt", 0, 2}, {L"e.bin", 7, 4}};
    for (const auto& file : files)
        ASSERT_TRUE(SetLastWriteTimeUtc(folder.WriteFile(file.name, std::string(file.size, 'x')), 2020, 1,
                                        file.day, 10));
    folder.MakeDir(L"f");
    TMainForm& form = OpenForm(folder.Path());
    SetCheckBy(C().CheckBoxShowMatchingFoldernames, true);
    const HWND list = C().ListViewResults;
    Click(C().BtnSearch);
    ASSERT_EQ(6, form.IDList.Count());
    for (const wchar_t* name : {L"b.txt", L"c.dat", L"f"})
        ListView_SetItemState(list, RowNamed(list, name), LVIS_SELECTED, LVIS_SELECTED);
    Pump();
    const std::set<std::wstring> selected = SelectedPaths(form);
    ASSERT_EQ(3u, selected.size());
    const std::wstring summary = StatusText(C().StatusBar, 0);
    EXPECT_EQ(SelectionSummaryText(3, 503000), summary);

    for (int column = 0; column < ResultColumnCount; ++column) {
        for (const bool ascending : {true, false}) {
            ClickHeader(list, column);
            EXPECT_EQ(column, form.SortColumn);
            EXPECT_EQ(ascending, form.SortAscending);
            for (int row = 1; row < form.IDList.Count(); ++row) {
                const int order = CompareResults(static_cast<TResultColumn>(column), form.GetResult(row - 1),
                                                 form.GetResult(row));
                EXPECT_TRUE(ascending ? order <= 0 : order >= 0) << "column " << column << " row " << row;
            }
            EXPECT_EQ(selected, SelectedPaths(form)) << "column " << column;
            EXPECT_EQ(form.GetResult(0).Name, CellText(list, 0, 0));
            EXPECT_EQ(summary, StatusText(C().StatusBar, 0));
            EXPECT_EQ(3, form.TotalSelectedFiles);
        }
    }
    // Ascending order of the names: A.log b.txt c.dat D.txt e.bin f.
    ClickHeader(list, ColumnName);
    EXPECT_TRUE(form.SortAscending);
    EXPECT_EQ(L"A.log", CellText(list, 0, 0));
    EXPECT_EQ(L"f", CellText(list, 5, 0));
    ClickHeader(list, ColumnSize); // another column starts ascending whatever came before
    EXPECT_TRUE(form.SortAscending);
    EXPECT_EQ(L"c.dat", CellText(list, 5, 0));

    // A new search forgets the sort: the first click sorts ascending again.
    Click(C().BtnSearch);
    EXPECT_EQ(-1, form.SortColumn);
    ClickHeader(list, ColumnSize);
    EXPECT_TRUE(form.SortAscending);
}

TEST_F(MainFormTest, InPlaceRenameRenamesOnDiskOrSaysWhyNot) {
    TempDir folder(L"rename");
    folder.WriteFile(L"old.txt", "old");
    folder.WriteFile(L"taken.txt", "taken");
    TMainForm& form = OpenForm(folder.Path());
    const HWND list = C().ListViewResults;
    Click(C().BtnSearch);
    ASSERT_EQ(2, form.IDList.Count());
    const int row = RowNamed(list, L"old.txt");
    ClickRow(list, row);

    const auto edit = [&](const std::wstring& text, WORD key) {
        const HWND editor = ListView_EditLabel(list, row);
        ASSERT_NE(nullptr, editor);
        SetWindowTextW(editor, text.c_str());
        SendMessageW(editor, WM_KEYDOWN, key, 1);
        Pump();
    };

    edit(L"new.txt", VK_RETURN);
    EXPECT_TRUE(Prompt().Records().empty());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(folder.Sub(L"old.txt").c_str()));
    EXPECT_EQ("old", ReadFileBytes(folder.Sub(L"new.txt")));
    EXPECT_EQ(L"new.txt", form.GetResult(row).Name);
    EXPECT_EQ(L"new.txt", CellText(list, row, 0));
    EXPECT_EQ(L"new.txt", form.Vantor->ObjectName()); // the shell component has the new path

    edit(L"taken.txt", VK_RETURN);
    ASSERT_EQ(1u, Prompt().Records().size());
    const ScriptedPrompt::Record& refusal = Prompt().Records()[0];
    EXPECT_EQ(PromptType::Warning, refusal.type);
    EXPECT_NE(std::wstring::npos, refusal.text.find(L"\"new.txt\" could not be renamed to \"taken.txt\""));
    EXPECT_NE(std::wstring::npos, refusal.text.find(SystemErrorText(ERROR_ALREADY_EXISTS)));
    EXPECT_EQ("old", ReadFileBytes(folder.Sub(L"new.txt")));
    EXPECT_EQ("taken", ReadFileBytes(folder.Sub(L"taken.txt")));
    EXPECT_EQ(L"new.txt", form.GetResult(row).Name);
    EXPECT_EQ(L"new.txt", CellText(list, row, 0));

    // A name that would move the file elsewhere is refused before the disk is touched.
    Prompt().Clear();
    edit(L"..\\away.txt", VK_RETURN);
    ASSERT_EQ(1u, Prompt().Records().size());
    EXPECT_NE(std::wstring::npos, Prompt().Records()[0].text.find(L"cannot contain"));
    EXPECT_EQ("old", ReadFileBytes(folder.Sub(L"new.txt")));

    // A cancelled edit changes nothing and says nothing.
    Prompt().Clear();
    edit(L"other.txt", VK_ESCAPE);
    EXPECT_TRUE(Prompt().Records().empty());
    EXPECT_EQ(L"new.txt", form.GetResult(row).Name);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(folder.Sub(L"other.txt").c_str()));
}

TEST_F(MainFormTest, DoubleClickHandsTheRowOverBeforeOpening) {
    TempDir folder(L"double");
    folder.WriteFile(L"first.qrw1", "1");
    folder.WriteFile(L"second.qrw2", "2");
    TMainForm& form = OpenForm(folder.Path());
    const HWND list = C().ListViewResults;
    Click(C().BtnSearch);
    ASSERT_EQ(2, form.IDList.Count());
    ClickRow(list, 0);
    // The verb is recorded and vetoed: nothing is registered to open these files.
    std::vector<std::wstring> verbs;
    std::wstring objectAtVerb;
    form.Vantor->OnContextMenuSelect = [&](const std::wstring& verb, bool& execute) {
        verbs.push_back(verb);
        objectAtVerb = form.Vantor->ObjectName();
        execute = false;
    };

    RECT item{};
    ListView_GetItemRect(list, 1, &item, LVIR_LABEL);
    const LPARAM point = MAKELPARAM(item.left + 2, item.top + 2);
    PostMessageW(list, WM_LBUTTONUP, 0, point);
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
    Pump();
    PostMessageW(list, WM_LBUTTONUP, 0, point);
    SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
    Pump();
    EXPECT_EQ(std::vector<int>{1}, SelectedRows(list));
    EXPECT_EQ(std::vector<std::wstring>{L"default"}, verbs);
    EXPECT_EQ(form.GetResult(1).Name, objectAtVerb);
    EXPECT_EQ(1, form.TotalSelectedFiles);
    EXPECT_TRUE(Prompt().Records().empty());
}

TEST_F(MainFormTest, AHeaderClickKeepsASingleSelectedRowAndEveryRowButOne) {
    TempDir folder(L"sortfew");
    for (const wchar_t* name : {L"e.txt", L"b.txt", L"d.txt", L"a.txt", L"c.txt", L"f.txt"})
        folder.WriteFile(name, "x");
    TMainForm& form = OpenForm(folder.Path());
    const HWND list = C().ListViewResults;
    Click(C().BtnSearch);
    ASSERT_EQ(6, form.IDList.Count());

    ListView_SetItemState(list, RowNamed(list, L"d.txt"), LVIS_SELECTED, LVIS_SELECTED);
    Pump();
    const std::set<std::wstring> one{folder.Sub(L"d.txt")};
    for (int click = 0; click < 2; ++click) {
        ClickHeader(list, ColumnName);
        EXPECT_EQ(one, SelectedPaths(form)) << click;
        EXPECT_EQ(1u, ListView_GetSelectedCount(list));
        EXPECT_EQ(1, form.TotalSelectedFiles);
    }

    form.ExecuteAction(TActionId::ActionActionSelectAll);
    ListView_SetItemState(list, RowNamed(list, L"b.txt"), 0, LVIS_SELECTED);
    Pump();
    std::set<std::wstring> allButOne;
    for (const wchar_t* name : {L"a.txt", L"c.txt", L"d.txt", L"e.txt", L"f.txt"})
        allButOne.insert(folder.Sub(name));
    for (int click = 0; click < 2; ++click) {
        ClickHeader(list, ColumnName);
        EXPECT_EQ(allButOne, SelectedPaths(form)) << click;
        EXPECT_EQ(5u, ListView_GetSelectedCount(list));
        EXPECT_EQ(L"Selected: 5 files (1 KB)", StatusText(C().StatusBar, 0));
    }
}

TEST_F(MainFormTest, TypingLettersMovesToTheNextNameBeginningWithThemAndNowhereWithoutOne) {
    TempDir folder(L"typeahead");
    for (const wchar_t* name : {L"charlie.txt", L"bravo.txt", L"alpha.txt", L"bingo.txt", L"beta.txt"})
        folder.WriteFile(name, "x");
    TMainForm& form = OpenForm(folder.Path());
    const HWND list = C().ListViewResults;
    Click(C().BtnSearch);
    ASSERT_EQ(5, form.IDList.Count());
    ClickHeader(list, ColumnName); // alpha, beta, bingo, bravo, charlie
    ClickRow(list, 4);
    SetFocus(list);
    const auto type = [&](WORD key) {
        PressKeys({key});
        Pump();
    };
    const auto selectedName = [&] {
        const std::vector<int> rows = SelectedRows(list);
        return rows.size() == 1 ? form.GetResult(rows[0]).Name : std::to_wstring(rows.size()) + L" rows";
    };

    type('Z');
    EXPECT_EQ(L"charlie.txt", selectedName()) << "no name begins with z: the selection stays";
    EXPECT_EQ(4, ListView_GetNextItem(list, -1, LVNI_FOCUSED));
    Sleep(1000); // the list's pause: the next letter starts a new name
    type('B');
    EXPECT_EQ(L"beta.txt", selectedName());
    EXPECT_EQ(L"beta.txt", form.Vantor->ObjectName()); // handed over as any selection
    EXPECT_EQ(L"Selected: 1 file (1 KB)", StatusText(C().StatusBar, 0));
    type('R');
    EXPECT_EQ(L"bravo.txt", selectedName());
    Sleep(1000);
    type('B'); // the next b after bravo, round the end
    EXPECT_EQ(L"beta.txt", selectedName());
    type('B'); // the same letter again moves on
    EXPECT_EQ(L"bingo.txt", selectedName());
}

namespace {

// Files file0.txt, file1.txt, ... holding their numbers, searched and sorted by name; their
// removals are reported by the test alone.
class NumberedFilesTest : public MainFormTest {
protected:
    TMainForm& SearchNumberedFiles(const TempDir& folder, int count) {
        for (int i = 0; i < count; ++i)
            folder.WriteFile(L"file" + std::to_wstring(i) + L".txt", std::to_string(i));
        TMainForm& form = OpenForm(folder.Path());
        Click(C().BtnSearch);
        EXPECT_EQ(count, form.IDList.Count());
        ClickHeader(C().ListViewResults, ColumnName);
        form.ShellChangeNotifier->CloseFileSystemWatch();
        return form;
    }
};

} // namespace

TEST_F(NumberedFilesTest, AnInPlaceRenameStaysWithItsFileWhenRowsAboveItGoAndEndsWhenItsFileGoes) {
    TempDir folder(L"renamemoves");
    TMainForm& form = SearchNumberedFiles(folder, 6);
    const HWND list = C().ListViewResults;
    const auto removeElsewhere = [&](const std::wstring& name) {
        const std::wstring path = folder.Sub(name);
        ASSERT_TRUE(DeleteFileW(path.c_str()));
        const int before = form.IDList.Count();
        SHChangeNotify(SHCNE_DELETE, SHCNF_PATHW, path.c_str(), nullptr);
        Pump();
        ASSERT_EQ(before - 1, form.IDList.Count());
    };

    ClickRow(list, 4);
    SetFocus(list);
    PressKeys({VK_F2});
    ASSERT_NE(nullptr, ListView_GetEditControl(list));
    RECT before{};
    GetWindowRect(ListView_GetEditControl(list), &before);
    removeElsewhere(L"file1.txt");
    EXPECT_EQ(5, ListView_GetItemCount(list));
    const HWND edit = ListView_GetEditControl(list);
    ASSERT_NE(nullptr, edit) << "a row above going ends no edit";
    ASSERT_NE(nullptr, form.RecordBeingRenamed());
    EXPECT_EQ(L"file4.txt", form.RecordBeingRenamed()->Name);
    RECT after{}, row{};
    GetWindowRect(edit, &after);
    ListView_GetItemRect(list, 0, &row, LVIR_BOUNDS);
    EXPECT_EQ(before.top - (row.bottom - row.top), after.top) << "the box moved up with its file";

    SetWindowTextW(edit, L"renamed.txt");
    SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
    Pump();
    EXPECT_TRUE(Prompt().Records().empty());
    EXPECT_EQ("4", ReadFileBytes(folder.Sub(L"renamed.txt")));
    EXPECT_EQ("5", ReadFileBytes(folder.Sub(L"file5.txt"))) << "the file now at the edit's first row";
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(folder.Sub(L"file4.txt").c_str()));
    EXPECT_EQ(L"renamed.txt", form.GetResult(3).Name);

    // The edit of a file that goes is cancelled: nothing is renamed, nothing is said.
    ClickRow(list, 0);
    SetFocus(list);
    PressKeys({VK_F2});
    ASSERT_NE(nullptr, ListView_GetEditControl(list));
    SetWindowTextW(ListView_GetEditControl(list), L"other.txt");
    removeElsewhere(L"file0.txt");
    EXPECT_EQ(nullptr, ListView_GetEditControl(list));
    EXPECT_EQ(nullptr, form.RecordBeingRenamed());
    Pump();
    EXPECT_TRUE(Prompt().Records().empty());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(folder.Sub(L"other.txt").c_str()));
    EXPECT_EQ("2", ReadFileBytes(folder.Sub(L"file2.txt")));
}

TEST_F(NumberedFilesTest, RowsAndSelectionFollowTheRecordsBeforeAClickOrACommandDuringABurstOfRemovals) {
    TempDir folder(L"burst");
    TMainForm& form = SearchNumberedFiles(folder, 10);
    const HWND list = C().ListViewResults;
    TKelShellChangeNotifier& notifier = *form.ShellChangeNotifier;
    // A removal reported while the rest of its burst waits in the queue (deliveries that do
    // nothing, as the handler is called here directly).
    const auto handler = notifier.OnChange;
    int waiting = 0;
    const auto removed = [&](const wchar_t* name) {
        notifier.OnChange = [](TKelShellChangeNotifier&, TNotificationEvent, const std::wstring&,
                               const std::wstring&) {};
        const std::wstring elsewhere = folder.Sub(L"elsewhere" + std::to_wstring(++waiting) + L".txt");
        SHChangeNotify(SHCNE_DELETE, SHCNF_PATHW, elsewhere.c_str(), nullptr);
        notifier.OnChange = handler;
        ASSERT_EQ(1u, notifier.PendingDeliveries());
        form.ShellChangeNotifierChange(notifier, neFileDelete, folder.Sub(name), L"");
    };

    removed(L"file0.txt"); // the first of a burst is shown at once
    ASSERT_EQ(9, ListView_GetItemCount(list));
    form.RemovalsShowIntervalMs = 600000;
    ClickRow(list, RecordRow(form, L"file6.txt"));
    ASSERT_EQ(L"file6.txt", form.Vantor->ObjectName());
    removed(L"file2.txt");
    ASSERT_EQ(9, ListView_GetItemCount(list)) << "the rest of a burst waits for its deliveries";
    EXPECT_EQ(0u, ListView_GetSelectedCount(list)) << "no row names a record that moved";

    // A Ctrl+click: the list is brought in line first, and only the clicked file is chosen.
    ClickRow(list, RecordRow(form, L"file8.txt"), MK_CONTROL);
    EXPECT_EQ(8, ListView_GetItemCount(list));
    EXPECT_EQ(std::set<std::wstring>{folder.Sub(L"file8.txt")}, SelectedPaths(form));
    EXPECT_EQ(L"file8.txt", form.Vantor->ObjectName());
    EXPECT_TRUE(form.Vantor->MultiObjects().empty());
    EXPECT_EQ(L"Selected: 1 file (1 KB)", StatusText(C().StatusBar, 0));

    // The row count's pace, which the change handler's pump keeps, brings the selection, the
    // actions and the light along with the rows; the focus stays on its file.
    removed(L"file3.txt");
    form.FlushResultRowCount();
    EXPECT_EQ(7, ListView_GetItemCount(list));
    EXPECT_EQ(RecordRow(form, L"file8.txt"), ListView_GetNextItem(list, -1, LVNI_FOCUSED));
    EXPECT_EQ(0u, ListView_GetSelectedCount(list));
    EXPECT_EQ(0, form.TotalSelectedFiles);
    EXPECT_FALSE(form.ActionEnabled(TActionId::ActionActionDelete));
    EXPECT_EQ(L"Found: 7 files", StatusText(C().StatusBar, 1));

    // A command's key: nothing that moved is acted on.
    std::vector<std::wstring> verbs;
    form.Vantor->OnContextMenuSelect = [&](const std::wstring& verb, bool& execute) {
        verbs.push_back(verb + L" " + form.Vantor->ObjectName());
        execute = false;
    };
    ClickRow(list, RecordRow(form, L"file9.txt"));
    removed(L"file4.txt");
    SetFocus(list);
    PressKeys({VK_DELETE});
    EXPECT_TRUE(verbs.empty());
    EXPECT_EQ(6, ListView_GetItemCount(list));
    ClickRow(list, RecordRow(form, L"file9.txt"));
    PressKeys({VK_DELETE});
    EXPECT_EQ(std::vector<std::wstring>{L"delete file9.txt"}, verbs);
    Pump(); // the waiting delivery
}
