#pragma once
// Creating the real main window in a test: a fresh APPDATA, the scripted prompt, and ways to
// read back what the window shows.

#include "base/Messages.h"
#include "ui/MainForm.h"

#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace quarrow::test {

// Handles the window's messages until `done` holds or `timeoutMs` have passed.
template <typename F> bool PumpUntil(F done, DWORD timeoutMs = 10000) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done() && GetTickCount64() < end) {
        ProcessMessages();
        Sleep(10);
    }
    return done();
}

// The verbs the shell component is asked for, vetoed so that no shell window opens.
struct VerbRecorder {
    explicit VerbRecorder(TVantor& vantor) {
        vantor.OnContextMenuSelect = [this](const std::wstring& verb, bool& execute) {
            verbs.push_back(verb);
            execute = false;
        };
    }
    std::vector<std::wstring> verbs;
};

class MainFormTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // A shown main window with `location` as the program's first argument.
    TMainForm& OpenForm(const std::wstring& location = L"");
    // A shown main window started with these command-line arguments.
    TMainForm& OpenForm(const TLaunchArguments& arguments);
    // Destroys the window and pumps what that leaves; the form object stays readable.
    void CloseForm();

    const TMainControls& C() const { return form_->Controls(); }
    ScriptedPrompt& Prompt() { return *prompt_; }
    const std::wstring& AppData() const { return appData_->Path(); }

    // Handles the messages the window has pending.
    static void Pump();
    // Clicks a button as the user would (the handler runs through the window's messages).
    static void Click(HWND button);
    // A key press with its modifiers (VK_CONTROL, VK_SHIFT, VK_MENU), posted to the focused
    // control as the keyboard delivers it: other programs of a parallel test run cannot take
    // it, as they could real input.
    static void PressKeys(std::initializer_list<WORD> keys);
    // Ticks or clears a check box by a click, so that its handler runs.
    static void SetCheckBy(HWND checkBox, bool checked);

    static std::wstring StatusText(HWND statusBar, int panel);
    static std::vector<std::wstring> MenuItemTexts(HMENU menu);
    static bool MenuItemEnabled(HMENU menu, UINT command);
    static std::wstring CellText(HWND list, int row, int column);

    // Arranges for `inspect` to see the menu window of the next menu loop (null when none is
    // open), after which the menu closes; a modal menu would otherwise wait for a user.
    static void InspectNextMenu(std::function<void(HWND)> inspect);

    std::unique_ptr<TMainForm> form_;
    ScriptedPrompt* prompt_ = nullptr;
    std::unique_ptr<TempDir> appData_;
};

// The clipboard's file list (CF_HDROP) and its preferred drop effect (0 when none).
struct ClipboardFiles {
    std::vector<std::wstring> files;
    DWORD dropEffect = 0;
};
ClipboardFiles ReadClipboardFiles();

// The row of the results list whose Name column reads `name`; -1 when none does.
int RowNamed(HWND list, const std::wstring& name);

// A press of the left button on a row, with `keys` (MK_SHIFT, MK_CONTROL) held, handled as the
// user's: the release waits in the queue while the control handles the press, as in its
// mouse loop.
void ClickRow(HWND list, int row, WPARAM keys = 0);

} // namespace quarrow::test
