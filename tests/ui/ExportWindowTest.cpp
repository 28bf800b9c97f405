// Exports from the window: the clipboard and its limit, files through the save dialog, and
// names outside the code page.

#include "WindowTestSupport.h"

#include "base/FileSystem.h"
#include "base/Messages.h"
#include "base/SystemError.h"
#include "base/Text.h"
#include "results/ClipboardText.h"
#include "results/Export.h"
#include "ui/Controls.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <thread>

using namespace quarrow;
using namespace quarrow::test;

namespace {

std::unique_ptr<TShellItem> Record(int index) {
    static const TFolderText folder = std::make_shared<const std::wstring>(L"C:\\Results\\");
    auto item = std::make_unique<TShellItem>();
    item->Name = L"file" + std::to_wstring(index) + L".txt";
    item->FolderText = folder;
    item->Size = index * 100;
    item->Modified = EncodeDateTime(2020, 1, 2, 3, 4);
    return item;
}

// Records in the list as the walker leaves them.
void FillResults(TMainForm& form, int count) {
    for (int i = 0; i < count; ++i)
        form.IDList.Add(Record(i));
    ListView_SetItemCountEx(form.Controls().ListViewResults, count, 0);
    form.UpdateActionStates();
}

void SelectRows(TMainForm& form, int first, int last) {
    for (int row = first; row <= last; ++row)
        ListView_SetItemState(form.Controls().ListViewResults, row, LVIS_SELECTED, LVIS_SELECTED);
    form.SelectionChanged();
    form.UpdateActionStates();
}

std::string ClipboardAnsiText() {
    std::string text;
    if (!OpenClipboard(nullptr))
        return text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const auto* bytes = static_cast<const char*>(GlobalLock(data))) {
            text = bytes;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// What the window looks like while a clipboard export runs, sampled from a timer that fires
// while the export lets messages through.
struct TDuringExport {
    const TMainControls* Controls = nullptr;
    bool Sampled = false;
    bool SearchEnabled = true;
    bool ResetEnabled = true;
    bool StopEnabled = false;
    bool WaitCursor = false;
};
TDuringExport* g_during = nullptr;

void CALLBACK SampleDuringExport(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    TDuringExport& during = *g_during;
    during.Sampled = true;
    during.SearchEnabled = IsWindowEnabled(during.Controls->BtnSearch) != FALSE;
    during.ResetEnabled = IsWindowEnabled(during.Controls->BtnReset) != FALSE;
    during.StopEnabled = IsWindowEnabled(during.Controls->BtnStop) != FALSE;
    during.WaitCursor = WaitCursor::Active();
}

void ExpectIdleButtons(const TMainControls& c) {
    EXPECT_TRUE(IsWindowEnabled(c.BtnSearch));
    EXPECT_TRUE(IsWindowEnabled(c.BtnReset));
    EXPECT_FALSE(IsWindowEnabled(c.BtnStop));
    EXPECT_FALSE(WaitCursor::Active());
}

const std::wstring TooMany =
    L"The number of selected items is too big for the clipboard.\r\nPlease save your selection to a file.";

} // namespace

TEST_F(MainFormTest, ClipboardTakesExactly5000RowsAndRefusesOneMoreLeavingItUntouched) {
    TMainForm& form = OpenForm();
    FillResults(form, ClipboardItemLimit + 1);
    SelectRows(form, 1, ClipboardItemLimit);

    TDuringExport during;
    during.Controls = &C();
    g_during = &during;
    SetTimer(nullptr, 0, 1, SampleDuringExport);
    Sleep(5); // due when the export first lets messages through
    form.ExecuteAction(TActionId::ActionExportSelectedItemsToClipboard);
    Pump();

    EXPECT_TRUE(Prompt().Records().empty());
    std::wstring expected;
    for (int row = 1; row <= ClipboardItemLimit; ++row)
        expected += TextRow(form.IDList[row]) + L"\r\n";
    EXPECT_EQ(expected, ClipboardText());
    EXPECT_EQ(ToAnsi(expected), ClipboardAnsiText()); // the system offers plain text too
    EXPECT_TRUE(during.Sampled);
    EXPECT_FALSE(during.SearchEnabled);
    EXPECT_FALSE(during.ResetEnabled);
    EXPECT_TRUE(during.StopEnabled);
    EXPECT_TRUE(during.WaitCursor);
    ExpectIdleButtons(C());

    SelectRows(form, 0, 0);
    ASSERT_TRUE(SetClipboardText(L"kept", form.Handle()));
    form.ExecuteAction(TActionId::ActionExportSelectedItemsToClipboard);
    form.ExecuteAction(TActionId::ActionExportAlltemsToClipboard);
    ASSERT_EQ(2u, Prompt().Records().size());
    for (const ScriptedPrompt::Record& record : Prompt().Records()) {
        EXPECT_EQ(PromptType::Information, record.type);
        EXPECT_EQ(TooMany, record.text);
    }
    EXPECT_EQ(L"kept", ClipboardText());
    ExpectIdleButtons(C());
}

TEST_F(MainFormTest, ExportsKeepNamesOutsideTheCodePageAndReportEveryOutcome) {
    TempDir folder(L"exportsearch");
    folder.WriteFile(L"plain.txt", "1");
    folder.WriteFile(L"\u03A9mega.txt", std::string(2000, 'x'));
    TMainForm& form = OpenForm(folder.Path());
    Click(C().BtnSearch);
    ASSERT_EQ(2, form.IDList.Count());

    form.ExecuteAction(TActionId::ActionExportAlltemsToClipboard);
    EXPECT_NE(std::wstring::npos, ClipboardText().find(L"\u03A9mega.txt      "));

    TempDir out(L"exportout");
    // Typed with a final dot, the name is the one the platform reads.
    const std::wstring csv = out.Sub(L"list.csv");
    Prompt().QueuePath(csv + L".");
    form.ExecuteAction(TActionId::ActionExportAlltemsToCommaDelimitedFile);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(ExtendedLengthPath(csv + L".").c_str()));
    ASSERT_EQ(2u, Prompt().Records().size());
    EXPECT_EQ(ScriptedPrompt::Kind::SaveFile, Prompt().Records()[0].kind);
    EXPECT_EQ(L"Text files (*.csv)|*.csv|All files (*.*)|*.*", Prompt().Records()[0].detail);
    EXPECT_EQ(L"csv", Prompt().Records()[0].text);
    EXPECT_EQ(PromptType::Information, Prompt().Records()[1].type);
    EXPECT_EQ(L"Successfully exported 2 items to file " + csv, Prompt().Records()[1].text);
    const std::string bytes = ReadFileBytes(csv);
    EXPECT_EQ(0u, bytes.find("\xEF\xBB\xBF\"Name\",\"Folder\",\"Size\",\"Date Modified\"\r\n"));
    EXPECT_NE(std::string::npos,
              bytes.find("\"\xCE\xA9mega.txt\",\"" + ToUtf8(folder.Path()) + "\\\",\"2\","));

    Prompt().Clear();
    const std::wstring unwritable = out.Sub(L"missing\\list.txt");
    Prompt().QueuePath(unwritable);
    form.ExecuteAction(TActionId::ActionExportAlltemsToTextFile);
    ASSERT_EQ(2u, Prompt().Records().size());
    EXPECT_EQ(L"Text files (*.txt)|*.txt|All files (*.*)|*.*", Prompt().Records()[0].detail);
    EXPECT_EQ(L"txt", Prompt().Records()[0].text);
    EXPECT_EQ(PromptType::Warning, Prompt().Records()[1].type);
    EXPECT_EQ(L"Could not write to file " + unwritable + L"\r\n" + SystemErrorText(ERROR_PATH_NOT_FOUND) +
                  L".",
              Prompt().Records()[1].text);

    Prompt().Clear();
    Prompt().QueueCancel();
    form.ExecuteAction(TActionId::ActionExportAlltemsToTextFile);
    EXPECT_EQ(1u, Prompt().Records().size()); // the dialog alone
    ExpectIdleButtons(C());
}

// The platform's save dialog adds the default extension to a bare name, and the real
// message box reports the file.
TEST_F(MainFormTest, CommaDelimitedExportThroughTheRealSaveDialog) {
    TMainForm& form = OpenForm();
    FillResults(form, 3);
    form.SetPrompt(std::make_unique<WinPrompt>(form.Handle()));
    prompt_ = nullptr;
    TempDir out(L"exportdialog");
    const std::wstring bare = out.Sub(L"three");

    std::atomic<bool> done{false};
    std::wstring message;
    std::thread answerer([&] {
        const DWORD process = GetCurrentProcessId();
        const ULONGLONG end = GetTickCount64() + 20000;
        bool named = false;
        while (!done && GetTickCount64() < end) {
            Sleep(50);
            HWND dialog = nullptr;
            while ((dialog = FindWindowExW(nullptr, dialog, L"#32770", nullptr)) != nullptr) {
                DWORD owner = 0;
                GetWindowThreadProcessId(dialog, &owner);
                if (owner != process || !IsWindowVisible(dialog))
                    continue;
                const bool messageBox = WindowText(dialog) == L"Quarrow";
                if (!named && !messageBox) {
                    HWND name = GetDlgItem(dialog, 0x47C); // the file name box
                    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(bare.c_str()));
                    named = true;
                    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
                } else if (named && messageBox) {
                    message = WindowText(GetDlgItem(dialog, 0xFFFF));
                    done = true;
                    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
                }
                break;
            }
        }
    });
    form.ExecuteAction(TActionId::ActionExportAlltemsToCommaDelimitedFile);
    done = true;
    answerer.join();

    const std::wstring written = bare + L".csv";
    EXPECT_EQ(L"Successfully exported 3 items to file " + written, message);
    const std::string bytes = ReadFileBytes(written);
    EXPECT_EQ(
        0u, bytes.find(
                "\"Name\",\"Folder\",\"Size\",\"Date Modified\"\r\n\"file0.txt\",\"C:\\Results\\\",\"1\","));
    EXPECT_EQ(4, std::count(bytes.begin(), bytes.end(), '\n'));
}
