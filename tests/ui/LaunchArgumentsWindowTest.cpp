// The window started with criteria on its command line: the boxes filled, the search
// started once the window shows, and what was not understood reported instead.

#include "WindowTestSupport.h"

#include "ui/Controls.h"

using namespace quarrow;
using namespace quarrow::test;

namespace {

TEST_F(MainFormTest, TheCommandLineFillsTheBoxesAndStartsTheSearch) {
    TempDir tree(L"launch");
    tree.WriteFile(L"report.txt", "to do: figures");
    tree.WriteFile(L"report old.txt", "done");
    tree.WriteFile(L"notes.txt", "to do");
    TLaunchArguments arguments;
    arguments.Location = tree.Path();
    arguments.Name = L"report";
    arguments.Text = L"to do";
    arguments.Search = true;
    TMainForm& form = OpenForm(arguments);
    EXPECT_EQ(tree.Path(), WindowText(C().ComboBoxSearchLocation));
    EXPECT_EQ(L"report", WindowText(C().ComboBoxSearchPattern));
    EXPECT_EQ(L"to do", WindowText(C().ComboBoxContainingText));
    EXPECT_EQ(L"Containing text *", form.TabCaption(2));
    Pump();
    ASSERT_EQ(1, form.IDList.Count());
    EXPECT_EQ(L"report.txt", form.IDList[0].Name);
    EXPECT_TRUE(Prompt().Records().empty());
    // The criteria were searched as typed: they are in the histories now.
    EXPECT_EQ(L"report", form.Lists.SearchPatternHistoryList.front());
}

// The folder menu passes a folder as it is named: one whose name ends in a dot is searched,
// and stays in the box, as named, never as its sibling without the dot.
TEST_F(MainFormTest, ALocationEndingInADotIsSearchedAndKeptAsNamed) {
    TempDir tree(L"launch");
    WriteFileExactly(tree.Sub(L"data.\\dotted.txt"));
    tree.WriteFile(L"data\\plain.txt");
    TMainForm& form = OpenForm(ParseLaunchArguments({tree.Sub(L"data."), L"--search"}));
    Pump();
    ASSERT_EQ(1, form.IDList.Count());
    EXPECT_EQ(L"dotted.txt", form.IDList[0].Name);
    EXPECT_EQ(tree.Sub(L"data."), WindowText(C().ComboBoxSearchLocation));
}

TEST_F(MainFormTest, AnArgumentNotUnderstoodIsReportedAndNothingSearched) {
    TempDir tree(L"launch");
    tree.WriteFile(L"report.txt");
    TLaunchArguments arguments = ParseLaunchArguments({tree.Path(), L"--search", L"--nmae", L"x"});
    TMainForm& form = OpenForm(arguments);
    Pump();
    ASSERT_EQ(1u, Prompt().Records().size());
    EXPECT_EQ(PromptType::Information, Prompt().Records()[0].type);
    EXPECT_EQ(
        L"Unknown option: --nmae\r\nUsage: quarrow.exe [location] [--name PATTERN] [--text TEXT] [--search]",
        Prompt().Records()[0].text);
    EXPECT_EQ(0, form.IDList.Count());
    EXPECT_EQ(tree.Path(), WindowText(C().ComboBoxSearchLocation));
}

} // namespace
