// The commands on the selected results, the results list's keys and double click, and the
// change monitoring that drops vanished results, through the real window.

#include "WindowTestSupport.h"

#include "base/FileSystem.h"
#include "base/Messages.h"
#include "base/Text.h"
#include "ui/Controls.h"

#include <commctrl.h>
#include <oleidl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>

using namespace quarrow;
using namespace quarrow::test;

namespace {

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// file0.txt, file1.txt and so on.
void WriteNumberedFiles(const TempDir& folder, int count) {
    for (int i = 0; i < count; ++i)
        folder.WriteFile(L"file" + std::to_wstring(i) + L".txt", "x");
}

// Whether the folder lists exactly this name, letter case included.
bool Listed(const TempDir& folder, const std::wstring& name) {
    WIN32_FIND_DATAW entry;
    const UniqueFind find(FindFirstFileW(folder.Sub(L"*").c_str(), &entry));
    if (!find)
        return false;
    do {
        if (name == entry.cFileName)
            return true;
    } while (FindNextFileW(find.Get(), &entry));
    return false;
}

} // namespace

TEST_F(MainFormTest, DeleteRemovesTheFileAndItsRowAndTheLightTurnsGray) {
    TempDir folder(L"delete");
    folder.WriteFile(L"a.txt", "a");
    const std::wstring doomed = folder.WriteFile(L"doomed.txt", "b");
    folder.WriteFile(L"c.txt", "c");
    TMainForm& form = OpenForm(folder.Path());
    const TMainControls& c = C();
    Click(c.BtnSearch);
    ASSERT_EQ(3, form.IDList.Count());
    ASSERT_TRUE(form.ShellChangeNotifier->GetEnabled());
    EXPECT_EQ(0x6030u, form.ShellChangeNotifier->EventFilter().to_ulong());
    EXPECT_TRUE(form.ShellChangeNotifier->FileSystemWatchOpen());

    ClickRow(c.ListViewResults, RowNamed(c.ListViewResults, L"doomed.txt"));
    ASSERT_EQ(1, form.TotalSelectedFiles);
    {
        DialogAnswerer yes(IDYES);
        form.ExecuteAction(TActionId::ActionActionDelete);
        EXPECT_EQ(1u, yes.Captions().size());
    }
    EXPECT_FALSE(Exists(doomed));
    ASSERT_TRUE(PumpUntil([&] { return form.IDList.Count() == 2; }));
    PumpUntil([] { return false; }, 300); // the second source's report of the same delete
    EXPECT_EQ(2, ListView_GetItemCount(c.ListViewResults));
    EXPECT_EQ(-1, RowNamed(c.ListViewResults, L"doomed.txt"));
    EXPECT_NE(-1, RowNamed(c.ListViewResults, L"a.txt"));
    EXPECT_TRUE(IsWindowVisible(c.ImageStatusGray));
    EXPECT_FALSE(IsWindowVisible(c.ImageStatusGreen));
    EXPECT_EQ(L"No files selected", StatusText(c.StatusBar, 0));
    EXPECT_EQ(L"Found: 2 files", StatusText(c.StatusBar, 1));
    EXPECT_EQ(0u, ListView_GetSelectedCount(c.ListViewResults));
    EXPECT_FALSE(form.ActionEnabled(TActionId::ActionActionDelete));

    // Reset, and a search that finds nothing, leave monitoring off.
    Click(c.BtnReset);
    EXPECT_FALSE(form.ShellChangeNotifier->GetEnabled());
    EXPECT_FALSE(form.ShellChangeNotifier->FileSystemWatchOpen());
    SetWindowTextW(c.ComboBoxSearchLocation, folder.Path().c_str());
    SetWindowTextW(c.ComboBoxSearchPattern, L"*.none");
    Click(c.BtnSearch);
    EXPECT_EQ(0, form.IDList.Count());
    EXPECT_FALSE(form.ShellChangeNotifier->GetEnabled());
    EXPECT_FALSE(form.ShellChangeNotifier->FileSystemWatchOpen());
}

TEST_F(MainFormTest, ResultsRemovedOrRenamedElsewhereLeaveTheListAndNothingIsAdded) {
    TempDir folder(L"elsewhere");
    folder.WriteFile(L"keep.txt", "k");
    const std::wstring removed = folder.MakeDir(L"removed by linux");
    for (int i = 0; i < 20; ++i)
        folder.WriteFile(L"removed by linux\\file" + std::to_wstring(i) + L".txt", "r");
    const std::wstring before = folder.WriteFile(L"before.txt", "b");
    const std::wstring after = folder.Sub(L"after.txt");
    TMainForm& form = OpenForm(folder.Path());
    const TMainControls& c = C();
    Click(c.BtnSearch);
    ASSERT_EQ(22, form.IDList.Count());

    ASSERT_TRUE(test::StartLinuxProgram(L"/bin/rm -r \"" + test::ZDriveLinuxPath(removed) + L"\""));
    ASSERT_TRUE(PumpUntil([&] { return !Exists(removed); }));
    ASSERT_TRUE(PumpUntil([&] { return form.IDList.Count() == 2; }));
    PumpUntil([&] { return ListView_GetItemCount(c.ListViewResults) == 2; }, 1000);
    EXPECT_EQ(2, ListView_GetItemCount(c.ListViewResults)) << "the last of a burst of removals is shown";
    EXPECT_TRUE(IsWindowVisible(c.ImageStatusGray));

    ASSERT_TRUE(MoveFileW(before.c_str(), after.c_str()));
    SHChangeNotify(SHCNE_RENAMEITEM, SHCNF_PATHW, before.c_str(), after.c_str());
    ASSERT_TRUE(PumpUntil([&] { return form.IDList.Count() == 1; }));
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(1, ListView_GetItemCount(c.ListViewResults));
    EXPECT_EQ(L"keep.txt", CellText(c.ListViewResults, 0, 0));

    // A report in another letter case removes a result only once it is gone from the disk:
    // under Wine both names can exist.
    Click(c.BtnSearch);
    ASSERT_EQ(2, form.IDList.Count());
    const std::wstring keep = folder.Path() + L"\\keep.txt";
    form.ShellChangeNotifierChange(*form.ShellChangeNotifier, neFileDelete, folder.Path() + L"\\KEEP.TXT",
                                   L"");
    form.ShellChangeNotifierChange(*form.ShellChangeNotifier, neFileDelete, folder.Path() + L"\\other.txt",
                                   L"");
    EXPECT_EQ(2, form.IDList.Count());
    EXPECT_TRUE(IsWindowVisible(c.ImageStatusGreen));
    form.ShellChangeNotifierChange(*form.ShellChangeNotifier, neFileDelete, keep, L"");
    EXPECT_EQ(1, form.IDList.Count());
    EXPECT_TRUE(IsWindowVisible(c.ImageStatusGray));
}

// A folder of many results deleted elsewhere: the burst of reports is left to one check
// against the disk, which takes the folder's results in one pass and keeps every other
// result, and the focus with its record.
TEST_F(MainFormTest, ABurstOfReportsLeavesExactlyTheResultsStillOnDisk) {
    TempDir folder(L"burst");
    for (const std::wstring sub : {L"gone", L"kept"})
        for (int i = 0; i < 40; ++i)
            folder.WriteFile(sub + L"\\file" + std::to_wstring(i) + L".txt", "x");
    TMainForm& form = OpenForm(folder.Path());
    const TMainControls& c = C();
    // As if these few reports cost more than looking every result up.
    form.DiskCheckAfterPendingReports = 4;
    form.ReportComparisonSeconds = 1;
    Click(c.BtnSearch);
    ASSERT_EQ(80, form.IDList.Count());
    const std::wstring focusedPath = folder.Sub(L"kept\\file7.txt");
    int row = 0;
    while (row < form.IDList.Count() && form.GetResult(row).FullName() != focusedPath)
        ++row;
    ListView_EnsureVisible(c.ListViewResults, row, FALSE);
    ClickRow(c.ListViewResults, row);
    ASSERT_EQ(row, ListView_GetNextItem(c.ListViewResults, -1, LVNI_FOCUSED));

    const std::wstring gone = folder.Sub(L"gone");
    ASSERT_TRUE(RunLinuxCommand(L"/bin/rm -r", gone));
    ASSERT_TRUE(PumpUntil([&] { return form.IDList.Count() == 40 && !form.CheckingResultsOnDisk(); }));
    PumpUntil([&] { return ListView_GetItemCount(c.ListViewResults) == 40; }, 1000);
    EXPECT_EQ(40, ListView_GetItemCount(c.ListViewResults));
    for (int i = 0; i < form.IDList.Count(); ++i)
        EXPECT_EQ(folder.Sub(L"kept\\"), form.GetResult(i).Folder());
    const int focused = ListView_GetNextItem(c.ListViewResults, -1, LVNI_FOCUSED);
    ASSERT_GE(focused, 0);
    EXPECT_EQ(focusedPath, form.GetResult(focused).FullName());
}

TEST_F(MainFormTest, DeliveriesNestedInTheHandlerEachRemoveTheirRowAndOldOnesSpareANewSearch) {
    TempDir folder(L"nested");
    WriteNumberedFiles(folder, 6);
    folder.WriteFile(L"sub\\inner.txt", "i");
    TMainForm& form = OpenForm(folder.Path());
    Click(C().BtnSearch);
    ASSERT_EQ(7, form.IDList.Count());
    form.ShellChangeNotifier->CloseFileSystemWatch(); // only the shell's reports here

    // The handler for the last row handles messages between comparisons; the one for the
    // first row runs inside it and shortens the list under it.
    form.ChangeHandlerPumpIntervalMs = 0;
    const std::wstring last = form.IDList[6].FullName();
    const std::wstring first = form.IDList[0].FullName();
    ASSERT_TRUE(DeleteFileW(last.c_str()) && DeleteFileW(first.c_str()));
    SHChangeNotify(SHCNE_DELETE, SHCNF_PATHW, last.c_str(), nullptr);
    SHChangeNotify(SHCNE_DELETE, SHCNF_PATHW, first.c_str(), nullptr);
    EXPECT_EQ(2u, form.ShellChangeNotifier->PendingDeliveries());
    Pump();
    EXPECT_EQ(5, form.IDList.Count());
    EXPECT_EQ(5, ListView_GetItemCount(C().ListViewResults));

    // Reports still waiting when a search starts belong to the results it replaces: the
    // walk, which handles messages between folders, finds every file again.
    for (int i = 0; i < 3; ++i) {
        const std::wstring path = form.IDList[i].FullName();
        SHChangeNotify(SHCNE_DELETE, SHCNF_PATHW, path.c_str(), nullptr);
    }
    EXPECT_EQ(3u, form.ShellChangeNotifier->PendingDeliveries());
    Click(C().BtnSearch);
    Pump();
    EXPECT_EQ(5, form.IDList.Count());
    EXPECT_TRUE(IsWindowVisible(C().ImageStatusGreen));
}

// The handler for the second row handles messages between comparisons; the one for the first
// row runs inside it and moves the second row to where the outer walk has already been.
TEST_F(MainFormTest, ARemovalInsideTheHandlerBeforeItsPositionSkipsNoRecord) {
    TempDir folder(L"nested-before");
    WriteNumberedFiles(folder, 6);
    TMainForm& form = OpenForm(folder.Path());
    Click(C().BtnSearch);
    ASSERT_EQ(6, form.IDList.Count());
    form.ShellChangeNotifier->CloseFileSystemWatch();
    form.ChangeHandlerPumpIntervalMs = 0;
    const std::wstring first = form.IDList[0].FullName();
    const std::wstring second = form.IDList[1].FullName();
    ASSERT_TRUE(DeleteFileW(first.c_str()) && DeleteFileW(second.c_str()));
    SHChangeNotify(SHCNE_DELETE, SHCNF_PATHW, second.c_str(), nullptr);
    SHChangeNotify(SHCNE_DELETE, SHCNF_PATHW, first.c_str(), nullptr);
    Pump();
    ASSERT_EQ(4, form.IDList.Count());
    for (int i = 0; i < form.IDList.Count(); ++i)
        EXPECT_NE(second, form.IDList[i].FullName());
}

// A location typed in another letter case than the disk's: the records carry the typed case
// and the shell reports the disk's. Of two names that differ only in case (Linux has both),
// the one that is gone is removed.
TEST_F(MainFormTest, AReportInTheDisksLetterCaseRemovesTheResultOfATypedLocation) {
    TempDir folder(L"CaseDir");
    const std::wstring upper = folder.WriteFile(L"Twin.txt", "u");
    const std::wstring lower = folder.Sub(L"twin.txt");
    ASSERT_TRUE(
        test::RunLinuxCommand(L"/usr/bin/touch", lower, {}, [&] { return Listed(folder, L"twin.txt"); }));
    TMainForm& form = OpenForm(LowerAsciiLetters(folder.Path()));
    Click(C().BtnSearch);
    ASSERT_EQ(2, form.IDList.Count()) << "both names of the pair";
    form.ShellChangeNotifier->CloseFileSystemWatch();

    ASSERT_TRUE(test::RunLinuxCommand(L"/bin/rm", upper, {}, [&] { return !Listed(folder, L"Twin.txt"); }));
    form.ShellChangeNotifierChange(*form.ShellChangeNotifier, neFileDelete, upper, L"");
    ASSERT_EQ(1, form.IDList.Count());
    EXPECT_EQ(L"twin.txt", form.IDList[0].Name);
    EXPECT_TRUE(IsWindowVisible(C().ImageStatusGray));
}

// Another program deletes the searched folder and makes it again with the same files: the
// next search watches the new folder.
TEST_F(MainFormTest, ALocationDeletedAndMadeAgainIsWatchedAnewByTheNextSearch) {
    TempDir parent(L"made-again");
    const std::wstring location = parent.MakeDir(L"location");
    const std::vector<std::wstring> names{L"a.txt", L"b.txt", L"c.txt"};
    for (const std::wstring& name : names)
        parent.WriteFile(L"location\\" + name, "x");
    TMainForm& form = OpenForm(location);
    Click(C().BtnSearch);
    ASSERT_EQ(3, form.IDList.Count());

    ASSERT_TRUE(test::RunLinuxCommand(L"/bin/rm -rf", location));
    ASSERT_TRUE(PumpUntil([&] { return form.IDList.Count() == 0; }));
    for (const std::wstring& name : names)
        parent.WriteFile(L"location\\" + name, "x");
    Click(C().BtnSearch);
    ASSERT_EQ(3, form.IDList.Count());
    EXPECT_TRUE(IsWindowVisible(C().ImageStatusGreen));

    ASSERT_TRUE(test::RunLinuxCommand(L"/bin/rm", location + L"\\b.txt"));
    ASSERT_TRUE(PumpUntil([&] { return form.IDList.Count() == 2; }));
    EXPECT_EQ(-1, RowNamed(C().ListViewResults, L"b.txt"));
    EXPECT_TRUE(IsWindowVisible(C().ImageStatusGray));
}

// A row whose file vanished unnoticed: Copy says so instead of leaving the clipboard as it
// was in silence, and the row goes. So for a name that ends in a dot, which only its short
// name could hand over, and which has none any more.
TEST_F(MainFormTest, AnActionOnAResultThatVanishedSaysSo) {
    TempDir folder(L"vanished");
    folder.WriteFile(L"kept.txt", "k");
    TMainForm& form = OpenForm(folder.Path());
    const TMainControls& c = C();
    const std::pair<TActionId, const wchar_t*> actions[] = {{TActionId::ActionActionCopy, L"copied.txt"},
                                                            {TActionId::ActionActionEdit, L"edited.txt"},
                                                            {TActionId::ActionActionCopy, L"dotted."}};
    for (const auto& [action, name] : actions)
        WriteFileExactly(folder.Sub(name), "g");
    Click(c.BtnSearch);
    ASSERT_EQ(4, form.IDList.Count());
    form.ShellChangeNotifier->CloseFileSystemWatch();

    for (const auto& [action, name] : actions) {
        const std::wstring gone = folder.Sub(name);
        ASSERT_TRUE(DeleteFileW(ExtendedLengthPath(gone).c_str()));
        ClickRow(c.ListViewResults, RowNamed(c.ListViewResults, name));
        ASSERT_EQ(1, form.TotalSelectedFiles);
        Prompt().Clear();
        form.ExecuteAction(action);
        ASSERT_EQ(1u, Prompt().Records().size()) << ToUtf8(name);
        EXPECT_EQ(PromptType::Information, Prompt().Records()[0].type);
        EXPECT_EQ(L"\"" + gone + L"\" can no longer be found. It was moved or deleted after the search.",
                  Prompt().Records()[0].text);
        ASSERT_TRUE(PumpUntil([&] { return !form.CheckingResultsOnDisk(); }));
        EXPECT_EQ(-1, RowNamed(c.ListViewResults, name));
    }
    EXPECT_EQ(1, form.IDList.Count());
    EXPECT_EQ(L"kept.txt", form.IDList[0].Name);
    EXPECT_TRUE(IsWindowVisible(c.ImageStatusGray));

    // A result that is still there is copied without a word.
    ClickRow(c.ListViewResults, 0);
    Prompt().Clear();
    form.ExecuteAction(TActionId::ActionActionCopy);
    EXPECT_TRUE(Prompt().Records().empty());
    EXPECT_EQ(std::vector<std::wstring>{form.IDList[0].FullName()}, ReadClipboardFiles().files);
}

TEST_F(MainFormTest, ChangesAfterTheWindowIsGoneAndLostReportsAreHandledSafely) {
    TempDir folder(L"gone");
    WriteNumberedFiles(folder, 5);
    TMainForm& form = OpenForm(folder.Path());
    Click(C().BtnSearch);
    ASSERT_EQ(5, form.IDList.Count());

    // The watch lost its reports: the records are checked against the disk.
    form.ShellChangeNotifier->CloseFileSystemWatch();
    const std::wstring second = form.IDList[1].FullName();
    const std::wstring fourth = form.IDList[3].FullName();
    ASSERT_TRUE(DeleteFileW(second.c_str()) && DeleteFileW(fourth.c_str()));
    form.ShellChangeNotifier->OnChangesLost();
    EXPECT_TRUE(form.CheckingResultsOnDisk());
    ASSERT_TRUE(PumpUntil([&] { return !form.CheckingResultsOnDisk(); }));
    EXPECT_EQ(3, form.IDList.Count());
    EXPECT_EQ(3, ListView_GetItemCount(C().ListViewResults));
    EXPECT_TRUE(IsWindowVisible(C().ImageStatusGray));

    // A delivery still waiting when the window goes reaches nothing.
    const std::wstring third = form.IDList[2].FullName();
    ASSERT_TRUE(DeleteFileW(third.c_str()));
    SHChangeNotify(SHCNE_DELETE, SHCNF_PATHW, third.c_str(), nullptr);
    CloseForm();
    EXPECT_FALSE(form.ShellChangeNotifier);
    EXPECT_EQ(3, form.IDList.Count());
}

TEST_F(MainFormTest, EditReportsAMissingEditorAndPassesAPathWithBlanksAsOneArgument) {
    TempDir folder(L"edit");
    const std::wstring document = folder.WriteFile(L"my documents\\the report.txt", "r");
    const std::wstring output = folder.Sub(L"arguments.txt");
    const std::wstring editor =
        folder.WriteFile(L"editor.bat", "@echo [%1] [%2]> \"" + ToAnsi(output) + "\"\r\n");
    TMainForm& form = OpenForm(folder.Path() + L"\\my documents");
    Click(C().BtnSearch);
    ASSERT_EQ(1, form.IDList.Count());
    ClickRow(C().ListViewResults, 0);

    form.Settings.Editor = folder.Sub(L"missing.exe");
    form.UpdateActionStates();
    form.ExecuteAction(TActionId::ActionActionEdit);
    ASSERT_EQ(1u, Prompt().Records().size());
    EXPECT_EQ(L"The editor could not be found.", Prompt().Records()[0].text);
    EXPECT_EQ(PromptType::Information, Prompt().Records()[0].type);
    EXPECT_EQ(PromptButtons::Ok, Prompt().Records()[0].buttons);

    form.Settings.Editor = editor;
    form.ExecuteAction(TActionId::ActionActionEdit);
    ASSERT_TRUE(PumpUntil([&] { return !ReadFileBytes(output).empty(); }));
    EXPECT_EQ("[\"" + ToAnsi(document) + "\"] []", ReadFileBytes(output).substr(0, document.size() + 7));
    EXPECT_EQ(1u, Prompt().Records().size());
}

TEST_F(MainFormTest, KeysAndTheDoubleClickReachTheirCommandsOnlyFromTheList) {
    TempDir folder(L"keys");
    folder.WriteFile(L"a.txt", "a");
    folder.WriteFile(L"b.txt", "b");
    TMainForm& form = OpenForm(folder.Path());
    const TMainControls& c = C();
    Click(c.BtnSearch);
    ASSERT_EQ(2, form.IDList.Count());
    VerbRecorder recorder(*form.Vantor);
    ClickRow(c.ListViewResults, 1);
    SetFocus(c.ListViewResults);

    PressKeys({VK_RETURN});
    PressKeys({VK_DELETE});
    PressKeys({VK_CONTROL, 'C'});
    PressKeys({VK_CONTROL, 'X'});
    PressKeys({VK_MENU, VK_RETURN});
    EXPECT_EQ((std::vector<std::wstring>{L"default", L"delete", L"copy", L"cut", L"properties"}),
              recorder.verbs);
    EXPECT_EQ(2, form.IDList.Count()) << "Enter did not search again";

    PressKeys({VK_F2});
    EXPECT_NE(nullptr, ListView_GetEditControl(c.ListViewResults));
    PressKeys({VK_ESCAPE});
    EXPECT_EQ(nullptr, ListView_GetEditControl(c.ListViewResults));

    // The keyboard's popup opens below the focused row.
    RECT item{};
    ListView_GetItemRect(c.ListViewResults, 1, &item, LVIR_LABEL);
    POINT expected{item.left, item.bottom};
    ClientToScreen(c.ListViewResults, &expected);
    for (WORD key : {VK_F10, VK_APPS}) {
        RECT popup{};
        InspectNextMenu([&](HWND menu) {
            if (menu != nullptr)
                GetWindowRect(menu, &popup);
        });
        if (key == VK_F10)
            PressKeys({VK_SHIFT, VK_F10});
        else
            PressKeys({VK_APPS});
        PumpUntil([&] { return popup.right > 0; }, 2000);
        EXPECT_LE(std::abs(popup.left - expected.x), 2) << key;
        EXPECT_LE(std::abs(popup.top - expected.y), 2) << key;
    }

    recorder.verbs.clear();
    RECT row{};
    ListView_GetItemRect(c.ListViewResults, 0, &row, LVIR_LABEL);
    const LPARAM point = MAKELPARAM(row.left + 2, row.top + 2);
    SendMessageW(c.ListViewResults, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
    SendMessageW(c.ListViewResults, WM_LBUTTONUP, 0, point);
    Pump();
    EXPECT_EQ(std::vector<std::wstring>{L"default"}, recorder.verbs);

    recorder.verbs.clear();
    SetFocus(c.ComboBoxSearchPattern);
    PressKeys({VK_DELETE});
    PressKeys({VK_CONTROL, 'C'});
    PressKeys({VK_F2});
    EXPECT_TRUE(recorder.verbs.empty());
    EXPECT_EQ(nullptr, ListView_GetEditControl(c.ListViewResults));
}

TEST_F(MainFormTest, CopyCutOpenContainingFolderAndPropertiesDoTheirWork) {
    TempDir folder(L"verbs");
    folder.WriteFile(L"a.txt", "a");
    folder.WriteFile(L"b.txt", "b");
    TMainForm& form = OpenForm(folder.Path());
    const TMainControls& c = C();
    Click(c.BtnSearch);
    ASSERT_EQ(2, form.IDList.Count());

    ClickRow(c.ListViewResults, 0);
    ClickRow(c.ListViewResults, 1, MK_CONTROL);
    ASSERT_EQ(2, form.TotalSelectedFiles);
    const std::vector<std::wstring> both{form.IDList[0].FullName(), form.IDList[1].FullName()};
    form.ExecuteAction(TActionId::ActionActionCopy);
    ClipboardFiles content = ReadClipboardFiles();
    EXPECT_EQ(both, content.files);
    EXPECT_EQ(0u, content.dropEffect & DROPEFFECT_MOVE);

    // Cut of another row while another program holds the clipboard for a moment marks that
    // row's file, never the files copied before.
    ClickRow(c.ListViewResults, 1);
    std::atomic<int> held{0};
    std::thread holder([&] {
        bool opened = false;
        for (int attempt = 0; attempt < 200 && !opened; ++attempt) {
            opened = OpenClipboard(nullptr) != FALSE;
            if (!opened)
                Sleep(10); // another test program may hold it
        }
        held = opened ? 1 : -1;
        if (opened) {
            Sleep(50);
            CloseClipboard();
        }
    });
    while (held == 0)
        Sleep(1);
    form.ExecuteAction(TActionId::ActionActionCut);
    holder.join();
    ASSERT_EQ(1, held);
    content = ReadClipboardFiles();
    EXPECT_EQ(std::vector<std::wstring>{both[1]}, content.files);
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_MOVE), content.dropEffect);

    ClickRow(c.ListViewResults, 0);
    ClickRow(c.ListViewResults, 1, MK_CONTROL);
    form.ExecuteAction(TActionId::ActionActionCut);
    content = ReadClipboardFiles();
    EXPECT_EQ(both, content.files);
    EXPECT_NE(0u, content.dropEffect & DROPEFFECT_MOVE);

    ListView_SetItemState(c.ListViewResults, -1, 0, LVIS_SELECTED);
    ClickRow(c.ListViewResults, 0);
    const std::wstring leaf = folder.Path().substr(folder.Path().find_last_of(L'\\') + 1);
    form.ExecuteAction(TActionId::ActionActionOpenContainingFolder);
    // A folder window is a new Explorer process, which a busy machine can take long to start;
    // one that comes after the test gave up stays open and holds up the tests after it.
    const HWND explorer = WaitForOtherProcessWindow(leaf, 60000);
    ASSERT_NE(nullptr, explorer) << "no window shows the folder";
    PostMessageW(explorer, WM_CLOSE, 0, 0);

    DialogAnswerer close(IDCANCEL);
    form.ExecuteAction(TActionId::ActionActionProperties);
    EXPECT_FALSE(close.Captions().empty()) << "no property sheet";
}

TEST_F(MainFormTest, CopyAndCutOfResultsInManyFoldersPutEveryFileOnTheClipboardInRowOrder) {
    TempDir folder(L"copymany");
    for (int dir = 0; dir < 3; ++dir) {
        for (int file = 0; file < 4; ++file)
            folder.WriteFile(L"dir" + std::to_wstring(dir) + L"\\n" + std::to_wstring(file) +
                                 std::to_wstring(dir) + L".txt",
                             "x");
    }
    TMainForm& form = OpenForm(folder.Path());
    const HWND list = C().ListViewResults;
    Click(C().BtnSearch);
    ASSERT_EQ(12, form.IDList.Count());
    form.ListViewResultsColumnClick(0); // the folders' files interleave: n00, n01, n02, n10, ...
    std::vector<std::wstring> rows;
    for (int row = 0; row < form.IDList.Count(); ++row)
        rows.push_back(form.IDList[row].FullName());
    ASSERT_NE(form.IDList[0].Folder(), form.IDList[1].Folder());

    SetFocus(list);
    PressKeys({VK_CONTROL, 'A'});
    PressKeys({VK_CONTROL, 'C'});
    ClipboardFiles content = ReadClipboardFiles();
    EXPECT_EQ(rows, content.files);
    EXPECT_EQ(0u, content.dropEffect & DROPEFFECT_MOVE);
    EXPECT_NE(0u, content.dropEffect & DROPEFFECT_COPY);

    PressKeys({VK_CONTROL, 'A'});
    PressKeys({VK_CONTROL, 'X'});
    content = ReadClipboardFiles();
    EXPECT_EQ(rows, content.files);
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_MOVE), content.dropEffect);
    EXPECT_TRUE(form.Vantor->MultiObjects().empty()); // a verb uses up what was handed over
}
