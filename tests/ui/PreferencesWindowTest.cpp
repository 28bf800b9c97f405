// The Preferences dialog, opened from the Tools menu's command and driven with real messages
// while it is modal.

#include "WindowTestSupport.h"

#include "base/FileSystem.h"
#include "base/Text.h"
#include "shell/ExplorerMenu.h"
#include "ui/Controls.h"
#include "ui/UiFont.h"

#include <commctrl.h>

#include <cstdlib>
#include <functional>
#include <utility>

using namespace quarrow;
using namespace quarrow::test;

namespace {

std::function<void()> g_modalSteps;

void CALLBACK RunModalSteps(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (auto steps = std::exchange(g_modalSteps, nullptr))
        steps();
}

std::wstring IniValue(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
    wchar_t value[512] = {};
    GetPrivateProfileStringW(section, key, L"<missing>", value, 512, file.c_str());
    return value;
}

void Type(HWND edit, const std::wstring& text) {
    for (wchar_t character : text)
        SendMessageW(edit, WM_CHAR, character, 0);
}

class PreferencesWindowTest : public MainFormTest {
protected:
    std::wstring IniFile() const { return AppData() + L"\\Quarrow.ini"; }

    static int RowNamed(HWND list, const std::wstring& name) {
        for (int row = 0; row < ListView_GetItemCount(list); ++row) {
            if (CellText(list, row, 0) == name)
                return row;
        }
        return -1;
    }

    // Runs the Preferences command as the menu does and `steps` inside the dialog's modal
    // loop. Steps that leave it open (a posted key may still close it) get a second.
    void WithPreferences(const std::function<void(TPreferencesForm&, const TPreferencesControls&)>& steps) {
        TPreferencesForm& dialog = form_->PreferencesForm();
        bool ran = false;
        g_modalSteps = [&] {
            ran = true;
            EXPECT_TRUE(dialog.Showing());
            EXPECT_TRUE(IsWindowVisible(dialog.Handle()));
            EXPECT_FALSE(IsWindowEnabled(form_->Handle())); // modal
            steps(dialog, dialog.Controls());
            if (dialog.Showing()) {
                g_modalSteps = [&] {
                    if (dialog.Showing()) {
                        ADD_FAILURE() << "the dialog was left open";
                        Click(dialog.Controls().ButtonCancel);
                    }
                };
                SetTimer(nullptr, 0, 1000, RunModalSteps);
            }
        };
        SetTimer(nullptr, 0, 10, RunModalSteps);
        SendMessageW(form_->Handle(), WM_COMMAND,
                     MAKEWPARAM(ActionCommand(TActionId::ActionToolsPreferences), 0), 0);
        Pump();
        g_modalSteps = nullptr;
        EXPECT_TRUE(ran);
        EXPECT_FALSE(IsWindowVisible(dialog.Handle()));
        EXPECT_TRUE(IsWindowEnabled(form_->Handle()));
    }
};

} // namespace

TEST_F(PreferencesWindowTest, ShowsItsTabsAndControlsInTheUIFont) {
    TMainForm& form = OpenForm();
    WithPreferences([&](TPreferencesForm& dialog, const TPreferencesControls& c) {
        EXPECT_EQ(L"Preferences", WindowText(dialog.Handle()));
        EXPECT_EQ(form.Handle(), GetWindow(dialog.Handle(), GW_OWNER));
        RECT client{};
        GetClientRect(dialog.Handle(), &client);
        EXPECT_EQ(form.Scale(401), client.right);
        EXPECT_EQ(form.Scale(235), client.bottom);
        // Centred on the main window.
        RECT owner{}, window{};
        GetWindowRect(form.Handle(), &owner);
        GetWindowRect(dialog.Handle(), &window);
        EXPECT_LE(std::abs((owner.left + owner.right) - (window.left + window.right)), 2);
        EXPECT_LE(std::abs((owner.top + owner.bottom) - (window.top + window.bottom)), 2);

        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(c.CheckBoxSaveSearchData, WM_GETFONT, 0, 0)),
                   sizeof(font), &font);
        EXPECT_EQ(GetUIFontName(), font.lfFaceName);
        EXPECT_EQ(-MulDiv(GetUIFontSize(), form.Dpi(), 72), font.lfHeight);

        const wchar_t* const pages[] = {L"General", L"Privacy", L"Editor"};
        ASSERT_EQ(3, TabCtrl_GetItemCount(c.PageControl));
        for (int i = 0; i < 3; ++i) {
            wchar_t text[32] = {};
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = 32;
            TabCtrl_GetItem(c.PageControl, i, &item);
            EXPECT_EQ(pages[i], std::wstring(text));
            const HWND picture = c.TabPictures[static_cast<size_t>(i)];
            EXPECT_EQ(c.TabSheets[static_cast<size_t>(i)], GetParent(picture));
            EXPECT_NE(0, SendMessageW(picture, STM_GETICON, 0, 0));
            RECT rect{};
            GetWindowRect(picture, &rect);
            EXPECT_EQ(32, rect.right - rect.left);
            EXPECT_EQ(32, rect.bottom - rect.top);
        }
        EXPECT_EQ(L"Save position and size of main window", WindowText(c.CheckBoxSavePositionAndSize));
        EXPECT_EQ(L"Show file type instead of extension (see help for details)",
                  WindowText(c.CheckBoxShowTypeInsteadOfExtension));
        EXPECT_EQ(L"Save recently used search phrases and locations", WindowText(c.CheckBoxSaveSearchData));
        EXPECT_EQ(L"Clear now", WindowText(c.ButtonClearSearchDataNow));
        EXPECT_EQ(L"Editor:", WindowText(c.LabelEditor));
        EXPECT_EQ(L"&OK", WindowText(c.ButtonOK));
        EXPECT_EQ(L"&Cancel", WindowText(c.ButtonCancel));
        EXPECT_EQ(L"&Apply", WindowText(c.ButtonApply));
        EXPECT_NE(0, GetWindowLongW(c.ButtonOK, GWL_STYLE) & BS_DEFPUSHBUTTON);
        EXPECT_EQ(IDOK, LOWORD(SendMessageW(dialog.Handle(), DM_GETDEFID, 0, 0)));
        wchar_t hint[64] = {};
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.hwnd = c.TabSheets[2];
        tool.uId = reinterpret_cast<UINT_PTR>(c.BitBtnOpenFolderDialog);
        tool.lpszText = hint;
        SendMessageW(c.Hints, TTM_GETTEXTW, 64, reinterpret_cast<LPARAM>(&tool));
        EXPECT_EQ(L"Browse for Editor", std::wstring(hint));

        // Every page's controls lie inside their sheet; the buttons below the page control.
        for (HWND sheet : c.TabSheets) {
            RECT bounds{};
            GetWindowRect(sheet, &bounds);
            for (HWND child = GetWindow(sheet, GW_CHILD); child != nullptr;
                 child = GetWindow(child, GW_HWNDNEXT)) {
                RECT rect{}, inside{};
                GetWindowRect(child, &rect);
                IntersectRect(&inside, &rect, &bounds);
                EXPECT_TRUE(EqualRect(&inside, &rect)) << ToUtf8(WindowText(child));
            }
        }
        RECT pageControl{}, ok{}, apply{};
        GetWindowRect(c.PageControl, &pageControl);
        GetWindowRect(c.ButtonOK, &ok);
        GetWindowRect(c.ButtonApply, &apply);
        EXPECT_GT(ok.top, pageControl.bottom);
        EXPECT_EQ(pageControl.right, apply.right); // right-aligned

        for (int page = 0; page < 3; ++page) {
            dialog.SelectPage(page);
            RedrawWindow(dialog.Handle(), nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            Pump();
            EXPECT_TRUE(SaveWindowBitmap(dialog.Handle(), OutputFolder() + L"\\preferences-" + pages[page] +
                                                              L"-" + std::to_wstring(form.Dpi()) +
                                                              L"dpi.bmp"));
        }
        Click(c.ButtonCancel);
    });
}

TEST_F(PreferencesWindowTest, ApplyThenCancelStillSavesAndEachShowingStartsAfresh) {
    TMainForm& form = OpenForm();
    WithPreferences([&](TPreferencesForm& dialog, const TPreferencesControls& c) {
        EXPECT_EQ(0, dialog.ActivePage());
        EXPECT_FALSE(IsChecked(c.CheckBoxSavePositionAndSize));
        EXPECT_FALSE(IsChecked(c.CheckBoxShowTypeInsteadOfExtension));
        EXPECT_TRUE(IsChecked(c.CheckBoxSaveSearchData));
        EXPECT_EQ(L"C:\\Windows\\notepad.exe", WindowText(c.EditEditor));
        EXPECT_FALSE(IsWindowEnabled(c.ButtonApply));

        Click(c.CheckBoxSavePositionAndSize);
        EXPECT_TRUE(IsWindowEnabled(c.ButtonApply));
        EXPECT_FALSE(form.Settings.SavePositionAndSize); // not before Apply
        Click(c.ButtonApply);
        EXPECT_FALSE(IsWindowEnabled(c.ButtonApply));
        EXPECT_TRUE(dialog.Showing());
        EXPECT_TRUE(form.Settings.SavePositionAndSize);

        // Changed but not applied: Cancel drops these.
        Click(c.CheckBoxSaveSearchData);
        dialog.SelectPage(2);
        Type(c.EditEditor, L"x");
        EXPECT_TRUE(IsWindowEnabled(c.ButtonApply));
        Click(c.ButtonCancel);
    });
    EXPECT_FALSE(form.PreferencesHaveBeenChanged);
    EXPECT_EQ(L"1", IniValue(IniFile(), L"Preferences", L"SavePositionAndSize"));
    EXPECT_EQ(L"1", IniValue(IniFile(), L"Preferences", L"SaveSearchData"));
    EXPECT_EQ(L"C:\\Windows\\notepad.exe", IniValue(IniFile(), L"Preferences", L"Editor"));

    // The next showing starts on "General" with the settings in force; Esc closes it
    // without a save.
    ASSERT_TRUE(DeleteFileW(IniFile().c_str()));
    WithPreferences([&](TPreferencesForm& dialog, const TPreferencesControls& c) {
        EXPECT_EQ(0, dialog.ActivePage());
        EXPECT_TRUE(IsWindowVisible(c.TabSheets[0]));
        EXPECT_FALSE(IsWindowVisible(c.TabSheets[2]));
        EXPECT_TRUE(IsChecked(c.CheckBoxSavePositionAndSize));
        EXPECT_TRUE(IsChecked(c.CheckBoxSaveSearchData));
        EXPECT_EQ(L"C:\\Windows\\notepad.exe", WindowText(c.EditEditor));
        EXPECT_FALSE(IsWindowEnabled(c.ButtonApply));
        Click(c.CheckBoxShowTypeInsteadOfExtension);
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
    });
    EXPECT_FALSE(form.Settings.ShowTypeInsteadOfExtension);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(IniFile().c_str()));
}

TEST_F(PreferencesWindowTest, OkSavesAtOnceTheTypeColumnFollowsAndARestartKeepsIt) {
    TempDir folder(L"types");
    folder.WriteFile(L"notes.txt", "x");
    folder.WriteFile(L"sub\\inner.txt", "y");
    for (int i = 0; i < 60; ++i)
        folder.WriteFile(L"sub\\more" + std::to_wstring(100 + i) + L".dat");
    TMainForm& form = OpenForm(folder.Path());
    const TMainControls& m = C();
    Click(m.BtnSearch);
    ASSERT_EQ(62, form.IDList.Count());
    const HWND list = m.ListViewResults;
    EXPECT_EQ(L"txt", CellText(list, RowNamed(list, L"notes.txt"), 4));

    // Enter presses the default button.
    WithPreferences([&](TPreferencesForm&, const TPreferencesControls& c) {
        Click(c.CheckBoxShowTypeInsteadOfExtension);
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 0);
    });
    EXPECT_TRUE(form.Settings.ShowTypeInsteadOfExtension);
    EXPECT_EQ(L"1", IniValue(IniFile(), L"Preferences", L"ShowTypeInsteadOfExtension"));
    EXPECT_FALSE(form.IDList[61].InfoLoaded); // out of view: fetched when drawn
    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Pump();
    for (const wchar_t* name : {L"notes.txt", L"inner.txt"}) {
        const std::wstring type = CellText(list, RowNamed(list, name), 4);
        EXPECT_FALSE(type.empty()) << ToUtf8(name);
        EXPECT_NE(L"txt", type) << ToUtf8(name); // the shell's type name
    }

    // Off again: the extensions return at once.
    WithPreferences([&](TPreferencesForm&, const TPreferencesControls& c) {
        Click(c.CheckBoxShowTypeInsteadOfExtension);
        Click(c.ButtonOK);
    });
    EXPECT_EQ(L"txt", CellText(list, RowNamed(list, L"inner.txt"), 4));
    EXPECT_EQ(L"0", IniValue(IniFile(), L"Preferences", L"ShowTypeInsteadOfExtension"));

    WithPreferences([&](TPreferencesForm&, const TPreferencesControls& c) {
        Click(c.CheckBoxShowTypeInsteadOfExtension);
        Click(c.ButtonOK);
    });
    CloseForm();
    TMainForm& again = OpenForm(folder.Path());
    EXPECT_TRUE(again.Settings.ShowTypeInsteadOfExtension);
    Click(C().BtnSearch);
    RedrawWindow(C().ListViewResults, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Pump();
    EXPECT_NE(L"txt", CellText(C().ListViewResults, RowNamed(C().ListViewResults, L"notes.txt"), 4));
    WithPreferences([&](TPreferencesForm&, const TPreferencesControls& c) {
        EXPECT_TRUE(IsChecked(c.CheckBoxShowTypeInsteadOfExtension));
        Click(c.ButtonCancel);
    });
}

TEST_F(PreferencesWindowTest, ClearNowEmptiesTheHistoriesAndLeavesTheDriveRoots) {
    WritePrivateProfileStringW(L"SearchPatternHistoryList", L"0", L"*.txt", IniFile().c_str());
    WritePrivateProfileStringW(L"SearchLocationHistoryList", L"0", L"Z:\\somewhere", IniFile().c_str());
    WritePrivateProfileStringW(L"ContainingTextHistoryList", L"0", L"needle", IniFile().c_str());
    TMainForm& form = OpenForm();
    const TMainControls& m = C();
    ASSERT_EQ(1u, ComboItems(m.ComboBoxSearchPattern).size());
    const std::vector<std::wstring> roots = ComboItems(m.ComboBoxSearchLocation);
    ASSERT_EQ(L"Z:\\somewhere", roots.back());

    WithPreferences([&](TPreferencesForm& dialog, const TPreferencesControls& c) {
        dialog.SelectPage(1);
        Click(c.ButtonClearSearchDataNow); // answered No
        ASSERT_EQ(1u, Prompt().Records().size());
        EXPECT_EQ(PromptType::Confirmation, Prompt().Records()[0].type);
        EXPECT_EQ(PromptButtons::YesNo, Prompt().Records()[0].buttons);
        EXPECT_EQ(L"Do you want to clear the history list now?", Prompt().Records()[0].text);
        EXPECT_EQ(1u, form.Lists.SearchPatternHistoryList.size());

        Prompt().QueueResult(PromptResult::Yes);
        Click(c.ButtonClearSearchDataNow);
        EXPECT_TRUE(form.Lists.SearchPatternHistoryList.empty());
        EXPECT_TRUE(form.Lists.SearchLocationHistoryList.empty());
        EXPECT_TRUE(form.Lists.ContainingTextHistoryList.empty());
        EXPECT_FALSE(IsWindowEnabled(c.ButtonApply)); // clearing is no preference
        Click(c.ButtonOK);
    });
    EXPECT_TRUE(ComboItems(m.ComboBoxSearchPattern).empty());
    EXPECT_TRUE(ComboItems(m.ComboBoxContainingText).empty());
    EXPECT_EQ(std::vector<std::wstring>(roots.begin(), roots.end() - 1),
              ComboItems(m.ComboBoxSearchLocation));
    EXPECT_EQ(L"Local Hard Drives", ComboItems(m.ComboBoxSearchLocation).back());
    EXPECT_EQ(L"C:\\", WindowText(m.ComboBoxSearchLocation));
    // OK applied the (unchanged) preferences, which saved the emptied lists.
    EXPECT_EQ(L"<missing>", IniValue(IniFile(), L"SearchPatternHistoryList", L"0"));
    EXPECT_EQ(L"<missing>", IniValue(IniFile(), L"SearchLocationHistoryList", L"0"));
}

TEST_F(PreferencesWindowTest, BrowseForEditorFillsTheBoxAndTheEditActionFollowsTheEditor) {
    TMainForm& form = OpenForm();
    form.IDList.Add(std::make_unique<TShellItem>());
    form.TotalSelectedFiles = 1;
    form.UpdateActionStates();
    ASSERT_TRUE(form.ActionEnabled(TActionId::ActionActionEdit));

    WithPreferences([&](TPreferencesForm& dialog, const TPreferencesControls& c) {
        dialog.SelectPage(2);
        Prompt().QueueCancel();
        Click(c.BitBtnOpenFolderDialog);
        ASSERT_EQ(1u, Prompt().Records().size());
        EXPECT_EQ(ScriptedPrompt::Kind::OpenFile, Prompt().Records()[0].kind);
        EXPECT_EQ(L"C:\\", Prompt().Records()[0].text); // the initial folder
        EXPECT_EQ(L"Programs|*.exe|All files|*.*", Prompt().Records()[0].detail);
        EXPECT_EQ(L"C:\\Windows\\notepad.exe", WindowText(c.EditEditor));
        EXPECT_FALSE(IsWindowEnabled(c.ButtonApply));

        Prompt().QueuePath(L"Z:\\tools\\editor.exe");
        Click(c.BitBtnOpenFolderDialog);
        EXPECT_EQ(L"Z:\\tools\\editor.exe", WindowText(c.EditEditor));
        EXPECT_TRUE(IsWindowEnabled(c.ButtonApply));
        Click(c.ButtonOK);
    });
    EXPECT_EQ(L"Z:\\tools\\editor.exe", form.Settings.Editor);
    EXPECT_TRUE(form.ActionEnabled(TActionId::ActionActionEdit));

    // Emptied by typing: no editor, no Edit.
    WithPreferences([&](TPreferencesForm& dialog, const TPreferencesControls& c) {
        dialog.SelectPage(2);
        SendMessageW(c.EditEditor, EM_SETSEL, 0, -1);
        Type(c.EditEditor, L"\b");
        Click(c.ButtonOK);
    });
    EXPECT_EQ(L"", form.Settings.Editor);
    EXPECT_FALSE(form.ActionEnabled(TActionId::ActionActionEdit));
    EXPECT_FALSE(MenuItemEnabled(form.MainMenu(), ActionCommand(TActionId::ActionActionEdit)));
    EXPECT_EQ(L"", IniValue(IniFile(), L"Preferences", L"Editor"));
    form.IDList.Clear();
}

TEST_F(PreferencesWindowTest, ARefusedSaveAfterOkIsReportedAndTheWindowStillWorks) {
    // A file in the way: the folder cannot be made.
    const std::wstring blocked = WriteFileExactly(AppData() + L"\\file") + L"\\missing";
    SetEnvironmentVariableW(L"APPDATA", blocked.c_str());
    TMainForm& form = OpenForm();
    WithPreferences([&](TPreferencesForm&, const TPreferencesControls& c) {
        Click(c.CheckBoxSavePositionAndSize);
        Click(c.ButtonOK);
    });
    ASSERT_EQ(1u, Prompt().Records().size());
    EXPECT_EQ(PromptType::Error, Prompt().Records()[0].type);
    EXPECT_EQ(L"Unable to write to " + blocked + L"\\Quarrow.ini.", Prompt().Records()[0].text);
    EXPECT_TRUE(form.Settings.SavePositionAndSize); // kept in memory
    EXPECT_FALSE(form.PreferencesHaveBeenChanged);

    // The window answers as before: Reset works and the dialog opens again.
    SetWindowTextW(C().ComboBoxSearchPattern, L"*.doc");
    Click(C().BtnReset);
    EXPECT_EQ(L"", WindowText(C().ComboBoxSearchPattern));
    WithPreferences([&](TPreferencesForm&, const TPreferencesControls& c) {
        EXPECT_TRUE(IsChecked(c.CheckBoxSavePositionAndSize));
        Click(c.ButtonCancel);
    });
    EXPECT_EQ(1u, Prompt().Records().size());
}

TEST_F(PreferencesWindowTest, ClosingTheMainWindowUnderTheDialogEndsItsLoop) {
    TMainForm& form = OpenForm();
    bool ran = false;
    g_modalSteps = [&] {
        ran = true;
        SendMessageW(form.Handle(), WM_CLOSE, 0, 0);
    };
    SetTimer(nullptr, 0, 10, RunModalSteps);
    SendMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(ActionCommand(TActionId::ActionToolsPreferences), 0),
                 0);
    Pump();
    EXPECT_TRUE(ran);
    EXPECT_EQ(nullptr, form.Handle());
    EXPECT_EQ(nullptr, form.PreferencesForm().Handle());
    EXPECT_FALSE(form.PreferencesForm().Showing());
}

// The box adds the three commands for this user, pointing at the running program, and
// clearing it removes them; the box shows what the registry holds.
TEST_F(PreferencesWindowTest, TheExplorerMenuBoxAddsAndRemovesTheCommands) {
    UnregisterExplorerMenu();
    const std::wstring program = ProgramFilePath();
    OpenForm();
    WithPreferences([&](TPreferencesForm&, const TPreferencesControls& c) {
        EXPECT_EQ(L"Add 'Search with Quarrow' to folder menus", WindowText(c.CheckBoxExplorerMenu));
        EXPECT_FALSE(IsChecked(c.CheckBoxExplorerMenu));
        Click(c.CheckBoxExplorerMenu);
        EXPECT_TRUE(IsWindowEnabled(c.ButtonApply));
        Click(c.ButtonOK);
    });
    EXPECT_TRUE(ExplorerMenuRegistered(program));
    WithPreferences([&](TPreferencesForm&, const TPreferencesControls& c) {
        EXPECT_TRUE(IsChecked(c.CheckBoxExplorerMenu));
        Click(c.CheckBoxExplorerMenu);
        Click(c.ButtonApply);
        EXPECT_FALSE(ExplorerMenuPresent());
        Click(c.ButtonCancel);
    });
    EXPECT_FALSE(ExplorerMenuPresent());
    EXPECT_TRUE(Prompt().Records().empty());
}
