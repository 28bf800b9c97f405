// What the window does with awkward input to a search: a name with a folder part, count
// boxes that hold no valid number, and the focus after Stop.

#include "WindowTestSupport.h"

#include "base/DateTime.h"
#include "base/Messages.h"
#include "base/Text.h"
#include "ui/Controls.h"

#include <algorithm>

using namespace quarrow;
using namespace quarrow::test;

namespace {

bool HasFocus(HWND control) {
    const HWND focus = GetFocus();
    return focus != nullptr && (focus == control || GetParent(focus) == control);
}

// The tests run beside other test programs, whose windows may take the foreground: the
// thread then holds no focus at all, whatever the window did.
bool ActivateForm(const TMainForm& form) {
    SetForegroundWindow(form.Handle());
    ProcessMessages();
    return GetForegroundWindow() == form.Handle();
}

std::vector<std::wstring> ResultPaths(const TMainForm& form) {
    std::vector<std::wstring> paths;
    for (int i = 0; i < form.IDList.Count(); ++i)
        paths.push_back(form.IDList[i].FullName());
    std::sort(paths.begin(), paths.end());
    return paths;
}

} // namespace

// Such a name would list another folder's files under the location, with wrong paths.
TEST_F(MainFormTest, ANameWithAFolderPartIsRefusedAndTheNameBoxFocused) {
    TempDir folder(L"folderpart");
    folder.WriteFile(L"top.txt", "t");
    folder.WriteFile(L"sub\\inner.txt", "i");
    TempDir other(L"otherfolder");
    other.WriteFile(L"elsewhere.txt", "e");
    TMainForm& form = OpenForm(folder.Path());
    const TMainControls& c = C();
    Click(c.BtnSearch);
    const std::vector<std::wstring> before = ResultPaths(form);
    ASSERT_EQ(before, (std::vector<std::wstring>{folder.Sub(L"sub\\inner.txt"), folder.Sub(L"top.txt")}));

    const std::wstring otherName = other.Path().substr(other.Path().find_last_of(L'\\') + 1);
    for (const std::wstring& pattern : {std::wstring(L"sub\\*.txt"), L"..\\" + otherName + L"\\*",
                                        std::wstring(L"sub/*"), std::wstring(L"Z:*.txt")}) {
        Prompt().Clear();
        SetWindowTextW(c.ComboBoxSearchPattern, pattern.c_str());
        form.SelectPage(2);
        ActivateForm(form);
        Click(c.BtnSearch);
        ASSERT_EQ(1u, Prompt().Records().size()) << ToUtf8(pattern);
        EXPECT_EQ(L"The name cannot contain a folder. Put the folder in Location.",
                  Prompt().Records()[0].text);
        EXPECT_EQ(PromptType::Information, Prompt().Records()[0].type);
        EXPECT_EQ(0, form.ActivePage());
        if (GetForegroundWindow() == form.Handle()) {
            EXPECT_TRUE(HasFocus(c.ComboBoxSearchPattern)) << ToUtf8(pattern);
        }
        EXPECT_EQ(before, ResultPaths(form)) << "the previous results stay";
        EXPECT_TRUE(form.Lists.SearchPatternHistoryList.empty());
    }
}

// The box always shows the number that was searched, and the rows honour it.
TEST_F(MainFormTest, CountBoxesAreClampedToTheUpDownRangeAndShowWhatIsSearched) {
    TempDir folder(L"counts");
    folder.WriteFile(L"small.bin", std::string(500, 's'));
    folder.WriteFile(L"mid.bin", std::string(3000, 'm'));
    TMainForm& form = OpenForm(folder.Path());
    const TMainControls& c = C();
    SetCheckBy(c.CheckBoxSearchForSize, true);
    SendMessageW(c.RadioButtonSZSmallerThan, BM_CLICK, 0, 0);
    Pump();

    struct TCase {
        const wchar_t* typed;
        const wchar_t* searched;
        std::vector<std::wstring> found;
    };
    // After "4" the up-down's last valid position would be 4 KB, which finds both files.
    const TCase cases[] = {
        {L"4", L"4", {L"mid.bin", L"small.bin"}},         {L"0", L"1", {L"small.bin"}},
        {L"4", L"4", {L"mid.bin", L"small.bin"}},         {L"", L"1", {L"small.bin"}},
        {L"4", L"4", {L"mid.bin", L"small.bin"}},         {L"abc", L"1", {L"small.bin"}},
        {L"99999", L"10000", {L"mid.bin", L"small.bin"}},
    };
    for (const TCase& test : cases) {
        SetWindowTextW(c.EditSZCount, test.typed);
        SetWindowTextW(c.EditDTCount, test.typed);
        Click(c.BtnSearch);
        EXPECT_EQ(test.searched, WindowText(c.EditSZCount)) << "typed " << ToUtf8(test.typed);
        EXPECT_EQ(test.searched, WindowText(c.EditDTCount)) << "the date box too, with its filter off";
        std::vector<std::wstring> names;
        for (int i = 0; i < form.IDList.Count(); ++i)
            names.push_back(form.IDList[i].Name);
        std::sort(names.begin(), names.end());
        EXPECT_EQ(test.found, names) << "typed " << ToUtf8(test.typed);
    }
}

// A count of years that reaches back before the earliest date: every file is newer.
TEST_F(MainFormTest, ThousandsOfYearsBackFindEveryFileNewerAndNoneOlder) {
    TempDir folder(L"years");
    folder.WriteFile(L"today.txt", "t");
    const std::wstring old = folder.WriteFile(L"old.txt", "o");
    ASSERT_TRUE(SetLastWriteTimeUtc(old, 1980, 1, 1));
    TMainForm& form = OpenForm(folder.Path());
    const TMainControls& c = C();
    // In March, month arithmetic that went below year 0 used to put the date in the future.
    form.Engine().Clock = [] { return EncodeDateTime(2027, 3, 15, 9, 30); };
    SetCheckBy(c.CheckBoxSearchForDateTime, true);
    SetComboIndex(c.ComboBoxDTUnits, 0);
    ASSERT_EQ(L"Years", WindowText(c.ComboBoxDTUnits));
    for (const wchar_t* years : {L"3000", L"10000"}) {
        SetWindowTextW(c.EditDTCount, years);
        Click(c.RadioButtonDSNewerThan);
        Click(c.BtnSearch);
        EXPECT_EQ(2, form.IDList.Count()) << ToUtf8(years) << " years, newer than";
        Click(c.RadioButtonDSOlderThan);
        Click(c.BtnSearch);
        EXPECT_EQ(0, form.IDList.Count()) << ToUtf8(years) << " years, older than";
    }
}

// A disabled Stop that kept the focus would leave Enter and Tab dead.
TEST_F(MainFormTest, AfterStopTheFocusMovesToSearchAndEnterStartsASearch) {
    TempDir tree(L"stopfocus");
    tree.WriteFile(L"a.txt", "a");
    std::wstring path;
    for (int level = 0; level < 10; ++level) {
        path += L"level" + std::to_wstring(level) + L"\\";
        tree.WriteFile(path + L"file.txt", "x");
    }
    TMainForm& form = OpenForm(tree.Path());
    const TMainControls& c = C();
    ActivateForm(form);
    PostMessageW(c.BtnStop, BM_CLICK, 0, 0);
    Click(c.BtnSearch);
    ASSERT_TRUE(form.Engine().RunState.FindStopped);
    EXPECT_FALSE(IsWindowEnabled(c.BtnStop));
    if (GetForegroundWindow() != form.Handle())
        GTEST_SKIP() << "another program took the foreground";
    EXPECT_EQ(c.BtnSearch, GetFocus());

    PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 0);
    Pump();
    EXPECT_FALSE(form.Engine().RunState.FindStopped);
    EXPECT_EQ(11, form.IDList.Count());
}

// Ctrl+Tab and Ctrl+PageDown move to the next criteria page, with Shift or PageUp to the
// previous one, wrapping round; the focus does not stay on a control of a hidden page.
TEST_F(MainFormTest, CtrlTabAndCtrlPageKeysMoveBetweenTheCriteriaPages) {
    TMainForm& form = OpenForm();
    const TMainControls& c = C();
    ActivateForm(form);
    SetFocus(c.ComboBoxSearchPattern);
    if (GetFocus() == nullptr || !IsChild(form.Handle(), GetFocus()))
        GTEST_SKIP() << "another program took the foreground";
    PressKeys({VK_TAB});
    EXPECT_EQ(0, form.ActivePage()) << "Tab alone moves the focus, not the page";
    SetFocus(c.ComboBoxSearchPattern);

    PressKeys({VK_CONTROL, VK_TAB});
    EXPECT_EQ(1, form.ActivePage());
    EXPECT_TRUE(IsWindowVisible(c.TabSheets[1]));
    EXPECT_FALSE(IsWindowVisible(c.TabSheets[0]));
    EXPECT_EQ(c.PageControl, GetFocus());
    PressKeys({VK_CONTROL, VK_NEXT});
    EXPECT_EQ(2, form.ActivePage());
    PressKeys({VK_CONTROL, VK_SHIFT, VK_TAB});
    EXPECT_EQ(1, form.ActivePage());
    PressKeys({VK_CONTROL, VK_PRIOR});
    PressKeys({VK_CONTROL, VK_PRIOR});
    EXPECT_EQ(3, form.ActivePage()) << "from the first page back to the last";
    PressKeys({VK_CONTROL, VK_NEXT});
    EXPECT_EQ(0, form.ActivePage());
}
