#include "WindowTestSupport.h"

#include "base/Messages.h"
#include "shell/ShellUnit.h"
#include "ui/Controls.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace quarrow::test {
namespace {

std::function<void(HWND)> g_inspectMenu;

// The shell's state lives for the whole test program, as wWinMain keeps it for quarrow.exe.
class ShellEnvironment : public ::testing::Environment {
public:
    void SetUp() override { unit_ = std::make_unique<ShellUnit>(); }
    void TearDown() override { unit_.reset(); }

private:
    std::unique_ptr<ShellUnit> unit_;
};

[[maybe_unused]] ::testing::Environment* const g_shellEnvironment =
    ::testing::AddGlobalTestEnvironment(new ShellEnvironment);

BOOL CALLBACK FindMenuWindow(HWND window, LPARAM found) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (std::wstring(className) == L"#32768" && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK InspectOpenMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    HWND menu = nullptr;
    EnumWindows(FindMenuWindow, reinterpret_cast<LPARAM>(&menu));
    if (g_inspectMenu)
        std::exchange(g_inspectMenu, nullptr)(menu);
    EndMenu();
}

} // namespace

void MainFormTest::InspectNextMenu(std::function<void(HWND)> inspect) {
    g_inspectMenu = std::move(inspect);
    SetTimer(nullptr, 0, 300, InspectOpenMenu);
}

void MainFormTest::SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_BAR_CLASSES |
                                                        ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
}

void MainFormTest::SetUp() {
    appData_ = std::make_unique<TempDir>(L"appdata");
    SetEnvironmentVariableW(L"APPDATA", appData_->Path().c_str());
}

void MainFormTest::TearDown() {
    CloseForm();
    form_.reset();
    MSG quit;
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

TMainForm& MainFormTest::OpenForm(const std::wstring& location) {
    TLaunchArguments arguments;
    arguments.Location = location;
    return OpenForm(arguments);
}

TMainForm& MainFormTest::OpenForm(const TLaunchArguments& arguments) {
    form_ = std::make_unique<TMainForm>(arguments);
    auto prompt = std::make_unique<ScriptedPrompt>();
    prompt_ = prompt.get();
    form_->SetPrompt(std::move(prompt));
    EXPECT_TRUE(form_->Create());
    form_->Show(SW_SHOWNORMAL);
    Pump();
    return *form_;
}

void MainFormTest::CloseForm() {
    if (form_ && form_->Handle() != nullptr)
        DestroyWindow(form_->Handle());
    Pump();
    MSG quit;
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

void MainFormTest::Pump() {
    ProcessMessages();
    MSG quit;
    // A window closed by the test leaves its quit request behind; the next test must not see it.
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

void MainFormTest::PressKeys(std::initializer_list<WORD> keys) {
    BYTE saved[256];
    GetKeyboardState(saved);
    BYTE state[256];
    std::copy(std::begin(saved), std::end(saved), std::begin(state));
    WORD key = 0;
    for (WORD k : keys) {
        if (k == VK_CONTROL || k == VK_SHIFT || k == VK_MENU)
            state[k] |= 0x80;
        else
            key = k;
    }
    SetKeyboardState(state);
    const bool alt = (state[VK_MENU] & 0x80) != 0;
    const bool system = alt || key == VK_F10;
    const LPARAM data = 1 | (static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16) |
                        (alt ? static_cast<LPARAM>(KF_ALTDOWN) << 16 : 0);
    const HWND target = GetFocus();
    PostMessageW(target, system ? WM_SYSKEYDOWN : WM_KEYDOWN, key, data);
    ProcessMessages();
    PostMessageW(target, system ? WM_SYSKEYUP : WM_KEYUP, key, data | (3LL << 30));
    ProcessMessages();
    SetKeyboardState(saved);
    ProcessMessages();
}

void MainFormTest::Click(HWND button) {
    SendMessageW(button, BM_CLICK, 0, 0);
    Pump();
}

void MainFormTest::SetCheckBy(HWND checkBox, bool checked) {
    if (IsChecked(checkBox) != checked)
        Click(checkBox);
}

std::wstring MainFormTest::StatusText(HWND statusBar, int panel) {
    return quarrow::StatusText(statusBar, panel);
}

std::vector<std::wstring> MainFormTest::MenuItemTexts(HMENU menu) {
    std::vector<std::wstring> texts;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_FTYPE;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item);
        if ((item.fType & MFT_SEPARATOR) != 0) {
            texts.push_back(L"-");
            continue;
        }
        wchar_t text[128] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
        texts.push_back(text);
    }
    return texts;
}

bool MainFormTest::MenuItemEnabled(HMENU menu, UINT command) {
    const UINT state = GetMenuState(menu, command, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED)) == 0;
}

std::wstring MainFormTest::CellText(HWND list, int row, int column) {
    wchar_t text[512] = {};
    ListView_GetItemText(list, row, column, text, 512);
    return text;
}

ClipboardFiles ReadClipboardFiles() {
    ClipboardFiles content;
    for (int attempt = 0; attempt < 50 && !OpenClipboard(nullptr); ++attempt)
        Sleep(20);
    if (HANDLE drop = GetClipboardData(CF_HDROP)) {
        const UINT count = DragQueryFileW(static_cast<HDROP>(drop), 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            std::wstring path(DragQueryFileW(static_cast<HDROP>(drop), i, nullptr, 0), L'\0');
            DragQueryFileW(static_cast<HDROP>(drop), i, path.data(), static_cast<UINT>(path.size() + 1));
            content.files.push_back(std::move(path));
        }
    }
    if (HANDLE effect = GetClipboardData(RegisterClipboardFormatW(CFSTR_PREFERREDDROPEFFECT))) {
        if (const void* data = GlobalLock(effect)) {
            std::memcpy(&content.dropEffect, data, sizeof(DWORD));
            GlobalUnlock(effect);
        }
    }
    CloseClipboard();
    return content;
}

int RowNamed(HWND list, const std::wstring& name) {
    for (int row = 0; row < ListView_GetItemCount(list); ++row) {
        wchar_t text[MAX_PATH] = {};
        ListView_GetItemText(list, row, 0, text, MAX_PATH);
        if (name == text)
            return row;
    }
    return -1;
}

void ClickRow(HWND list, int row, WPARAM keys) {
    RECT item{};
    ListView_GetItemRect(list, row, &item, LVIR_LABEL);
    const LPARAM point = MAKELPARAM(item.left + 2, item.top + 2);
    PostMessageW(list, WM_LBUTTONUP, keys, point);
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON | keys, point);
    ProcessMessages();
}

} // namespace quarrow::test
