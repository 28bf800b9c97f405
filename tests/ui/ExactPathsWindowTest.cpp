// Results whose ordinary path does not name them (deeper than 259 characters, or a name that
// ends in a dot or a blank), and what a search could not look into, through the real window.

#include "WindowTestSupport.h"

#include "base/FileSystem.h"
#include "base/Messages.h"
#include "base/SystemError.h"
#include "base/Text.h"
#include "results/ClipboardText.h"
#include "results/DisplayFormats.h"
#include "ui/Controls.h"
#include "ui/NotSearchedForm.h"

#include <commctrl.h>

#include <algorithm>

using namespace quarrow;
using namespace quarrow::test;

namespace {

int RowOf(const TMainForm& form, const std::wstring& path) {
    for (int row = 0; row < form.IDList.Count(); ++row) {
        if (form.GetResult(row).FullName() == path)
            return row;
    }
    return -1;
}

// Selects one row, or several, as a click and Ctrl+clicks would, and hands them over.
void SelectRows(TMainForm& form, std::initializer_list<int> rows) {
    const HWND list = form.Controls().ListViewResults;
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    for (int row : rows)
        ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    form.FlushSelectionHandOver();
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(ExtendedLengthPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The count panel is wide enough for its text.
bool CountPanelShowsItsText(HWND bar) {
    int parts[3] = {};
    SendMessageW(bar, SB_GETPARTS, 3, reinterpret_cast<LPARAM>(parts));
    const SIZE extent = TextExtentIn(bar, quarrow::StatusText(bar, 1));
    return parts[1] - parts[0] > extent.cx;
}

} // namespace

TEST_F(MainFormTest, DeepResultsAreListedDeletedRenamedAndCopiedExactly) {
    TempDir folder(L"deep");
    const std::wstring deep = MakeDeepFolder(folder.Path(), 320);
    const std::wstring doomed = WriteFileExactly(deep + L"\\doomed.txt", "d");
    const std::wstring renamed = WriteFileExactly(deep + L"\\renamed.txt", "r");
    const std::wstring copied = WriteFileExactly(deep + L"\\copied.txt", "c");
    TMainForm& form = OpenForm(folder.Path());
    Click(C().BtnSearch);
    ASSERT_EQ(3, form.IDList.Count());
    EXPECT_EQ(L"Found: 3 files", StatusText(C().StatusBar, 1));
    VerbRecorder shell(*form.Vantor);

    SelectRows(form, {RowOf(form, doomed)});
    Prompt().QueueResult(PromptResult::Yes);
    form.ExecuteAction(TActionId::ActionActionDelete);
    ASSERT_EQ(1u, Prompt().Records().size());
    EXPECT_EQ(PromptType::Confirmation, Prompt().Records()[0].type);
    EXPECT_EQ(L"\"" + doomed +
                  L"\" cannot be moved to the Recycle Bin: its path is longer than 259 characters."
                  L"\r\n\r\nDo you want to delete it permanently?",
              Prompt().Records()[0].text);
    EXPECT_FALSE(Exists(doomed));
    EXPECT_EQ(-1, RowOf(form, doomed));
    EXPECT_EQ(2, ListView_GetItemCount(C().ListViewResults));
    EXPECT_EQ(L"Found: 2 files", StatusText(C().StatusBar, 1));
    EXPECT_TRUE(Exists(renamed) && Exists(copied));

    // Rename ends on the exact path.
    const int row = RowOf(form, renamed);
    form.ListViewResultsEdited(row, L"new name.txt");
    EXPECT_FALSE(Exists(renamed));
    EXPECT_EQ("r", ReadFileBytes(ExtendedLengthPath(deep + L"\\new name.txt")));
    EXPECT_EQ(L"new name.txt", form.GetResult(row).Name);

    // Copy hands the shell's clipboard a short form that names the same file.
    Prompt().Clear();
    SelectRows(form, {RowOf(form, copied)});
    form.ExecuteAction(TActionId::ActionActionCopy);
    if (EquivalentShortPath(copied).empty()) {
        ASSERT_EQ(1u, Prompt().Records().size());
        EXPECT_NE(std::wstring::npos, Prompt().Records()[0].text.find(L"cannot be put on the clipboard"));
    } else {
        const ClipboardFiles content = ReadClipboardFiles();
        ASSERT_EQ(1u, content.files.size());
        EXPECT_TRUE(SameFileObject(content.files[0], copied));
        EXPECT_LT(content.files[0].size(), static_cast<size_t>(MAX_PATH));
        EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), content.dropEffect);
    }

    // Edit hands the editor the same short form; the export keeps every deep path whole, also
    // into a file whose own path is that deep.
    const std::wstring arguments = folder.Sub(L"arguments.txt");
    form.Settings.Editor = folder.WriteFile(L"editor.bat", "@echo %1> \"" + ToAnsi(arguments) + "\"\r\n");
    form.UpdateActionStates();
    Prompt().Clear();
    form.ExecuteAction(TActionId::ActionActionEdit);
    if (!EquivalentShortPath(copied).empty()) {
        for (int i = 0; i < 500 && ReadFileBytes(arguments).empty(); ++i) {
            ProcessMessages();
            Sleep(10);
        }
        std::string passed = ReadFileBytes(arguments);
        passed = passed.substr(0, passed.find_first_of("\r\n"));
        ASSERT_GE(passed.size(), 2u);
        EXPECT_TRUE(SameFileObject(FromAnsi(passed.substr(1, passed.size() - 2)), copied)) << passed;
    }
    const std::wstring exported = deep + L"\\results.txt";
    Prompt().QueuePath(exported);
    form.ExecuteAction(TActionId::ActionExportAlltemsToTextFile);
    EXPECT_NE(std::string::npos, ReadFileBytes(ExtendedLengthPath(exported)).find(ToAnsi(deep + L"\\")));

    // Properties would show another file's, or none.
    Prompt().Clear();
    SelectRows(form, {RowOf(form, copied)});
    form.ExecuteAction(TActionId::ActionActionProperties);
    ASSERT_EQ(1u, Prompt().Records().size());
    EXPECT_EQ(L"The properties of \"" + copied +
                  L"\" cannot be shown: its path is longer than 259 characters.",
              Prompt().Records()[0].text);
    EXPECT_TRUE(shell.verbs.empty()) << "the shell was never asked";
}

TEST_F(MainFormTest, NamesEndingInADotOrABlankAreActedOnAndNeverTheirSiblings) {
    TempDir folder(L"odd");
    const std::wstring blank = WriteFileExactly(folder.Sub(L"trail.txt "), "blank");
    const std::wstring plainBlank = WriteFileExactly(folder.Sub(L"trail.txt"), "plain");
    const std::wstring dotted = WriteFileExactly(folder.Sub(L"dot."), "dotted");
    const std::wstring plainDot = WriteFileExactly(folder.Sub(L"dot"), "plain");
    const std::wstring other = WriteFileExactly(folder.Sub(L"other.txt"), "o");
    TMainForm& form = OpenForm(folder.Path());
    Click(C().BtnSearch);
    ASSERT_EQ(5, form.IDList.Count());
    VerbRecorder shell(*form.Vantor);

    SelectRows(form, {RowOf(form, blank)});
    Prompt().QueueResult(PromptResult::Yes);
    form.ExecuteAction(TActionId::ActionActionDelete);
    ASSERT_EQ(1u, Prompt().Records().size());
    EXPECT_EQ(L"\"" + blank +
                  L"\" cannot be moved to the Recycle Bin: its name ends in a blank."
                  L"\r\n\r\nDo you want to delete it permanently?",
              Prompt().Records()[0].text);
    EXPECT_FALSE(Exists(blank));
    EXPECT_EQ("plain", ReadFileBytes(plainBlank));
    EXPECT_EQ(4, form.IDList.Count());

    // Declined, nothing happens.
    SelectRows(form, {RowOf(form, dotted)});
    Prompt().QueueResult(PromptResult::No);
    form.ExecuteAction(TActionId::ActionActionDelete);
    EXPECT_TRUE(Exists(dotted) && Exists(plainDot));
    EXPECT_EQ(4, form.IDList.Count());

    const int row = RowOf(form, dotted);
    form.ListViewResultsEdited(row, L"renamed");
    EXPECT_EQ("dotted", ReadFileBytes(folder.Sub(L"renamed")));
    EXPECT_EQ("plain", ReadFileBytes(plainDot));
    // The platform's rule for a typed name: its trailing dots and blanks go.
    form.ListViewResultsEdited(row, L"again. . ");
    EXPECT_EQ("dotted", ReadFileBytes(folder.Sub(L"again")));
    EXPECT_EQ(L"again", form.GetResult(row).Name);
    EXPECT_TRUE(shell.verbs.empty());

    // With an ordinary result, the odd one is deleted here and the other goes to the shell.
    const std::wstring secondDot = WriteFileExactly(folder.Sub(L"second."), "s");
    Click(C().BtnSearch);
    ASSERT_EQ(5, form.IDList.Count());
    SelectRows(form, {RowOf(form, secondDot), RowOf(form, other)});
    Prompt().Clear();
    Prompt().QueueResult(PromptResult::Yes);
    form.ExecuteAction(TActionId::ActionActionDelete);
    ASSERT_EQ(1u, Prompt().Records().size());
    EXPECT_FALSE(Exists(secondDot));
    EXPECT_EQ(std::vector<std::wstring>{L"delete"}, shell.verbs);
    EXPECT_EQ(std::vector<std::wstring>{other}, form.Vantor->MultiObjects());

    // A file inside a folder whose name ends in a dot.
    const std::wstring inner = WriteFileExactly(folder.Sub(L"data.\\inner.txt"), "i");
    Click(C().BtnSearch);
    SelectRows(form, {RowOf(form, inner)});
    Prompt().Clear();
    form.ExecuteAction(TActionId::ActionActionProperties);
    ASSERT_EQ(1u, Prompt().Records().size());
    EXPECT_EQ(L"The properties of \"" + inner +
                  L"\" cannot be shown: the name of the folder \"data.\" ends in a dot.",
              Prompt().Records()[0].text);
    EXPECT_EQ(std::vector<std::wstring>{L"delete"}, shell.verbs);
}

TEST_F(MainFormTest, WhatCouldNotBeSearchedIsCountedInTheStatusBarAndListed) {
    TempDir folder(L"counted");
    WriteFileExactly(folder.Sub(L"a.txt"), "needle");
    const std::wstring locked = WriteFileExactly(folder.Sub(L"locked.txt"), "needle");
    UniqueFile holder(CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    TMainForm& form = OpenForm(folder.Path());
    SetWindowTextW(C().ComboBoxContainingText, L"needle");
    Click(C().BtnSearch);
    EXPECT_EQ(1, form.IDList.Count());
    EXPECT_EQ(L"Found: 1 file (1 not searched)", StatusText(C().StatusBar, 1));
    EXPECT_TRUE(CountPanelShowsItsText(C().StatusBar)) << "the window is as narrow as it may be";
    ASSERT_EQ(1, form.Engine().NotSearched.Count());
    EXPECT_EQ(locked, form.Engine().NotSearched.Entries()[0].Path);
    EXPECT_TRUE(form.ActionEnabled(TActionId::ActionToolsNotSearched));
    EXPECT_TRUE(MenuItemEnabled(form.MainMenu(), ActionCommand(TActionId::ActionToolsNotSearched)));
    form.ExecuteAction(TActionId::ActionToolsNotSearched);
    ASSERT_EQ(1u, Prompt().Records().size());
    EXPECT_EQ(ScriptedPrompt::Kind::ModalForm, Prompt().Records()[0].kind);
    EXPECT_EQ(L"Not Searched", Prompt().Records()[0].text);

    // Nothing counted: the panel reads as ever, and the command is off.
    holder.Reset();
    Click(C().BtnSearch);
    EXPECT_EQ(L"Found: 2 files", StatusText(C().StatusBar, 1));
    EXPECT_FALSE(form.ActionEnabled(TActionId::ActionToolsNotSearched));
    EXPECT_FALSE(MenuItemEnabled(form.MainMenu(), ActionCommand(TActionId::ActionToolsNotSearched)));

    holder.Reset(CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    SetWindowTextW(C().ComboBoxSearchPattern, L"*.none");
    Click(C().BtnSearch);
    EXPECT_EQ(L"No files found", StatusText(C().StatusBar, 1)) << "the locked file was not tested";
    SetWindowTextW(C().ComboBoxSearchPattern, L"locked.txt");
    Click(C().BtnSearch);
    EXPECT_EQ(L"No files found (1 not searched)", StatusText(C().StatusBar, 1));
    Click(C().BtnReset);
    EXPECT_EQ(L"", StatusText(C().StatusBar, 1));
    EXPECT_FALSE(form.ActionEnabled(TActionId::ActionToolsNotSearched));
    int parts[3] = {};
    SendMessageW(C().StatusBar, SB_GETPARTS, 3, reinterpret_cast<LPARAM>(parts));
    EXPECT_EQ(form.Scale(340), parts[0]) << "the information panel has its designed width again";
}

namespace {

// Looks into the dialog from its own modal loop, then closes it.
struct DialogVisit {
    static inline std::function<void(HWND)> look;
    static void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
        const HWND dialog = FindWindowW(L"#32770", L"Not Searched");
        if (dialog == nullptr || !IsWindowVisible(dialog))
            return;
        KillTimer(nullptr, timer);
        look(dialog);
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    }
};

} // namespace

TEST_F(MainFormTest, TheNotSearchedListCanBeReadCopiedAndSaved) {
    TempDir folder(L"list");
    TNotSearched record;
    record.Add(L"C:\\denied\\", TNotSearchedReason::FolderNotListed, ERROR_ACCESS_DENIED);
    record.Add(L"C:\\locked.txt", TNotSearchedReason::FileNotOpened, ERROR_SHARING_VIOLATION);
    record.Add(L"C:\\online.docx", TNotSearchedReason::OnlineOnly);
    TMainForm& form = OpenForm();
    TNotSearchedForm list(form.Handle(), Prompt(), record);
    const std::wstring saved = folder.Sub(L"not searched.txt");
    Prompt().QueuePath(saved);
    bool looked = false;
    DialogVisit::look = [&](HWND dialog) {
        looked = true;
        EXPECT_EQ(dialog, list.Handle());
        EXPECT_FALSE(IsWindowEnabled(form.Handle()));
        const HWND rows = list.List();
        ASSERT_EQ(3, ListView_GetItemCount(rows));
        EXPECT_EQ(L"C:\\denied\\", CellText(rows, 0, 0));
        EXPECT_EQ(L"Could not list the folder: " + SystemErrorText(ERROR_ACCESS_DENIED) + L".",
                  CellText(rows, 0, 1));
        EXPECT_EQ(L"C:\\online.docx", CellText(rows, 2, 0));
        EXPECT_EQ(L"3 folders or files could not be searched.", WindowText(GetDlgItem(dialog, 100)));
        SaveWindowBitmap(dialog, OutputFolder() + L"\\not-searched.bmp");

        SendMessageW(GetDlgItem(dialog, 102), BM_CLICK, 0, 0); // Copy
        EXPECT_EQ(NotSearchedListText(record), ClipboardText());
        ListView_SetItemState(rows, 1, LVIS_SELECTED, LVIS_SELECTED);
        list.CopyToClipboard(true);
        EXPECT_EQ(L"C:\\locked.txt\tCould not open the file: " + SystemErrorText(ERROR_SHARING_VIOLATION) +
                      L".\r\n",
                  ClipboardText());
        SendMessageW(GetDlgItem(dialog, 103), BM_CLICK, 0, 0); // Save...
    };
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, DialogVisit::Tick);
    list.ShowModal();
    KillTimer(nullptr, timer);
    EXPECT_TRUE(looked);
    EXPECT_TRUE(IsWindowEnabled(form.Handle()));
    EXPECT_EQ("\xEF\xBB\xBF" + ToUtf8(NotSearchedListText(record)), ReadFileBytes(saved));
    ASSERT_EQ(2u, Prompt().Records().size());
    EXPECT_EQ(ScriptedPrompt::Kind::SaveFile, Prompt().Records()[0].kind);
    EXPECT_EQ(L"Successfully saved 3 entries to file " + saved, Prompt().Records()[1].text);

    // Past the entries kept, the summary says how many are listed, and the copied and saved
    // lists how many are not. A name typed with a final dot saves as the platform reads it.
    for (int i = 0; i < 11231; ++i)
        record.Add(L"C:\\f" + std::to_wstring(i), TNotSearchedReason::FileNotRead, ERROR_READ_FAULT);
    TNotSearchedForm many(form.Handle(), Prompt(), record);
    EXPECT_EQ(FormatCount(11234) + L" folders or files could not be searched. The first " +
                  FormatCount(10000) + L" are listed.",
              many.Summary());
    const std::wstring unlisted = L"\r\n... and " + FormatCount(1234) + L" more not listed.\r\n";
    ASSERT_TRUE(many.CopyToClipboard(false));
    const std::wstring copied = ClipboardText();
    EXPECT_EQ(10001, std::count(copied.begin(), copied.end(), L'\n'));
    EXPECT_EQ(copied.size() - unlisted.size(), copied.rfind(unlisted));
    Prompt().Clear();
    const std::wstring typed = folder.Sub(L"list.");
    Prompt().QueuePath(typed);
    many.SaveToFile();
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(ExtendedLengthPath(typed).c_str()));
    EXPECT_EQ(ToUtf8(copied), ReadFileBytes(folder.Sub(L"list")).substr(3));
    EXPECT_EQ(L"Successfully saved 10000 entries to file " + folder.Sub(L"list"), Prompt().Records()[1].text);
}

TEST_F(MainFormTest, ChangeMonitoringRemovesDeepAndOddRowsAndNeverTheirSiblings) {
    TempDir folder(L"watched");
    const std::wstring deep = MakeDeepFolder(folder.Path(), 300);
    const std::wstring deepFile = WriteFileExactly(deep + L"\\gone.txt", "g");
    const std::wstring deepKept = WriteFileExactly(deep + L"\\kept.txt", "k");
    const std::wstring dotted = WriteFileExactly(folder.Sub(L"dot."), "d");
    const std::wstring sibling = WriteFileExactly(folder.Sub(L"dot"), "s");
    TMainForm& form = OpenForm(folder.Path());
    Click(C().BtnSearch);
    ASSERT_EQ(4, form.IDList.Count());
    const auto pumpUntil = [](const std::function<bool()>& done) {
        for (int i = 0; i < 500 && !done(); ++i) {
            ProcessMessages();
            Sleep(10);
        }
        return done();
    };

    // Reported by the file-system watch.
    ASSERT_TRUE(RunLinuxCommand(L"/bin/rm", deepFile, {}, [&] { return !Exists(deepFile); }));
    ASSERT_TRUE(RunLinuxCommand(L"/bin/rm", dotted, {}, [&] { return !Exists(dotted); }));
    EXPECT_TRUE(pumpUntil([&] { return form.IDList.Count() == 2; })) << [&] {
        std::string rows;
        for (int i = 0; i < form.IDList.Count(); ++i)
            rows += ToUtf8(form.GetResult(i).FullName()) + "\n";
        return rows;
    }();
    EXPECT_NE(-1, RowOf(form, deepKept));
    EXPECT_NE(-1, RowOf(form, sibling));

    // Found by the check against the disk when reports were lost.
    WriteFileExactly(deepFile, "g");
    WriteFileExactly(dotted, "d");
    Click(C().BtnSearch);
    ASSERT_EQ(4, form.IDList.Count());
    form.ShellChangeNotifier->CloseFileSystemWatch();
    ASSERT_TRUE(DeletePermanently(deepFile) == ERROR_SUCCESS && DeletePermanently(dotted) == ERROR_SUCCESS);
    form.ShellChangeNotifier->OnChangesLost();
    EXPECT_TRUE(pumpUntil([&] { return !form.CheckingResultsOnDisk(); }));
    EXPECT_EQ(2, form.IDList.Count());
    EXPECT_NE(-1, RowOf(form, deepKept));
    EXPECT_NE(-1, RowOf(form, sibling));
}

// A path of 259 characters is the longest the shell takes: such a file goes to the shell's
// delete, one character more to Quarrow's own question, and never to a shell that would cut
// its path short.
TEST_F(MainFormTest, DeleteHandsTheShellPathsUpTo259Characters) {
    TempDir folder(L"limit");
    const std::wstring base = folder.Path() + L"\\";
    const std::wstring longest = WriteFileExactly(base + std::wstring(259 - base.size() - 4, L'a') + L".txt");
    const std::wstring tooLong = WriteFileExactly(base + std::wstring(260 - base.size() - 4, L'b') + L".txt");
    ASSERT_EQ(259u, longest.size());
    ASSERT_EQ(260u, tooLong.size());
    TMainForm& form = OpenForm(folder.Path());
    Click(C().BtnSearch);
    ASSERT_EQ(2, form.IDList.Count());
    VerbRecorder shell(*form.Vantor);
    SelectRows(form, {RowOf(form, longest)});
    form.ExecuteAction(TActionId::ActionActionDelete);
    EXPECT_EQ(std::vector<std::wstring>{L"delete"}, shell.verbs);
    EXPECT_TRUE(Prompt().Records().empty());

    SelectRows(form, {RowOf(form, tooLong)});
    form.ExecuteAction(TActionId::ActionActionDelete);
    EXPECT_EQ(std::vector<std::wstring>{L"delete"}, shell.verbs);
    ASSERT_EQ(1u, Prompt().Records().size());
    EXPECT_EQ(PromptType::Confirmation, Prompt().Records()[0].type);
    EXPECT_TRUE(Exists(longest) && Exists(tooLong)) << "both questions were answered No";
}
