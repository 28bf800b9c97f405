// The console program and the window find the same results in the same order and write
// them in the same layouts: the console's txt and csv are the window's export files, apart
// from the encoding (UTF-8, or with --ansi the window's own).

#include "ConsoleTestKit.h"
#include "../ui/WindowTestSupport.h"

#include "base/Text.h"
#include "ui/Controls.h"

#include <gtest/gtest.h>

using namespace quarrow;
using namespace quarrow::test;

namespace {

class ConsoleWindowExportTest : public MainFormTest {
protected:
    // The window's export of its current results through the save dialog.
    std::string WindowExport(TActionId action, const std::wstring& path) {
        Prompt().QueuePath(path);
        form_->ExecuteAction(action);
        return ReadFileBytes(path);
    }
};

TEST_F(ConsoleWindowExportTest, TheConsolesTxtAndCsvAreTheWindowsExports) {
    TempDir tree(L"clitree");
    tree.WriteFile(L"readme.txt", std::string(1500, 'r'));
    tree.WriteFile(L"caf\u00e9 cr\u00e8me.txt", "x");
    tree.WriteFile(L"a name that is longer than thirty-five characters.txt", std::string(3000, 'l'));
    tree.WriteFile(L"sub\\inner.txt", std::string(2050, 'i'));
    tree.WriteFile(L"sub\\deeper\\empty.dat");
    tree.MakeDir(L"sub\\empty folder");
    SetLastWriteTimeUtc(tree.Sub(L"readme.txt"), 2006, 12, 31, 23, 59, 30);

    TMainForm& form = OpenForm(tree.Path());
    SetCheckBy(C().CheckBoxShowMatchingFoldernames, true);
    Click(C().BtnSearch);
    ASSERT_EQ(8, form.IDList.Count());

    TempDir out(L"cliout");
    const std::string windowCsv =
        WindowExport(TActionId::ActionExportAlltemsToCommaDelimitedFile, out.Sub(L"window.csv"));
    const std::string windowTxt =
        WindowExport(TActionId::ActionExportAlltemsToTextFile, out.Sub(L"window.txt"));
    // Every name fits the code page: the window writes ANSI.
    ASSERT_NE(0u, windowCsv.rfind("\xEF\xBB\xBF", 0));
    ASSERT_NE(std::string::npos, windowCsv.find(ToAnsi(L"caf\u00e9 cr\u00e8me.txt")));

    const std::wstring search = L"\"" + tree.Path() + L"\" --show both";
    const TConsoleRun csv = RunConsole(search + L" --format csv");
    const TConsoleRun txt = RunConsole(search + L" --format txt");
    ASSERT_EQ(0, csv.ExitCode);
    ASSERT_EQ(0, txt.ExitCode);
    EXPECT_EQ(FromAnsi(windowCsv), FromUtf8Bytes(csv.Out));
    EXPECT_EQ(FromAnsi(windowTxt), FromUtf8Bytes(txt.Out));
    EXPECT_NE(windowCsv, csv.Out) << "the accented name is UTF-8 in the console's output";

    const std::wstring ansiFile = out.Sub(L"console.csv");
    const TConsoleRun ansi = RunConsole(search + L" --format csv --ansi --output \"" + ansiFile + L"\"");
    ASSERT_EQ(0, ansi.ExitCode);
    EXPECT_EQ(windowCsv, ReadFileBytes(ansiFile));
    EXPECT_EQ(windowTxt, RunConsole(search + L" --ansi").Out);
}

TEST_F(ConsoleWindowExportTest, ANameOutsideTheCodePageMakesBothWriteUtf8WithAMark) {
    TempDir tree(L"clitree");
    tree.WriteFile(L"\u03a9mega.txt", "x");
    tree.WriteFile(L"plain.txt", "x");
    OpenForm(tree.Path());
    Click(C().BtnSearch);
    TempDir out(L"cliout");
    const std::string windowCsv =
        WindowExport(TActionId::ActionExportAlltemsToCommaDelimitedFile, out.Sub(L"window.csv"));
    ASSERT_EQ(0u, windowCsv.rfind("\xEF\xBB\xBF", 0));
    const TConsoleRun ansi = RunConsole(L"\"" + tree.Path() + L"\" --format csv --ansi");
    EXPECT_EQ(windowCsv, ansi.Out);
    const TConsoleRun utf8 = RunConsole(L"\"" + tree.Path() + L"\" --format csv");
    EXPECT_EQ(windowCsv.substr(3), utf8.Out);
}

} // namespace
