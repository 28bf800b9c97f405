// End to end: start quarrow.exe as a user would, find its window, use it through its
// controls, take screenshots and close it.

#include "base/Handles.h"
#include "shell/ExplorerMenu.h"
#include "ui/MainFormIds.h"

#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

using namespace quarrow;
using quarrow::test::TempDir;

namespace {

std::wstring ProgramPath() {
    return test::BuildFolder() + L"\\quarrow.exe";
}

struct FindContext {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindMainWindow(HWND hwnd, LPARAM lParam) {
    auto* context = reinterpret_cast<FindContext*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t caption[64] = {};
    GetWindowTextW(hwnd, caption, 64);
    if (pid == context->processId && IsWindowVisible(hwnd) && std::wstring(caption) == L"Quarrow") {
        context->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

class RunningProgram {
public:
    RunningProgram(const std::wstring& appData, const std::wstring& arguments) {
        SetEnvironmentVariableW(L"APPDATA", appData.c_str());
        std::wstring commandLine = L"\"" + ProgramPath() + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        started_ = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                  &startup, &info) != FALSE;
        if (started_) {
            process_.Reset(info.hProcess);
            CloseHandle(info.hThread);
            processId_ = info.dwProcessId;
        }
    }
    ~RunningProgram() {
        if (process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT)
            TerminateProcess(process_.Get(), 99);
    }

    bool Started() const { return started_; }

    HWND WaitForMainWindow(DWORD timeoutMs) {
        const ULONGLONG end = GetTickCount64() + timeoutMs;
        while (GetTickCount64() < end) {
            FindContext context{processId_, nullptr};
            EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&context));
            if (context.found != nullptr)
                return context.found;
            if (WaitForSingleObject(process_.Get(), 100) == WAIT_OBJECT_0)
                return nullptr;
        }
        return nullptr;
    }

    // The exit code, or -1 when the program did not end in time.
    long WaitForExit(DWORD timeoutMs) {
        if (WaitForSingleObject(process_.Get(), timeoutMs) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(process_.Get(), &code);
        return static_cast<long>(code);
    }

private:
    bool started_ = false;
    UniqueHandle process_;
    DWORD processId_ = 0;
};

// Every descendant window of `parent` with the given class and caption (empty: any).
std::vector<HWND> FindChildren(HWND parent, const std::wstring& className, const std::wstring& caption = {}) {
    struct Search {
        std::wstring className, caption;
        std::vector<HWND> found;
    } search{className, caption, {}};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM value) -> BOOL {
            auto* s = reinterpret_cast<Search*>(value);
            wchar_t name[64] = {}, text[128] = {};
            GetClassNameW(child, name, 64);
            GetWindowTextW(child, text, 128);
            if (s->className == name && (s->caption.empty() || s->caption == text))
                s->found.push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindControl(HWND window, int id) {
    struct Search {
        int id;
        HWND found;
    } search{id, nullptr};
    EnumChildWindows(
        window,
        [](HWND child, LPARAM value) -> BOOL {
            auto* s = reinterpret_cast<Search*>(value);
            if (GetDlgCtrlID(child) == s->id) {
                s->found = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The text of a control in the other process (WM_GETTEXT crosses processes).
std::wstring ControlText(HWND control) {
    wchar_t text[512] = {};
    SendMessageW(control, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    return text;
}

bool WaitFor(DWORD timeoutMs, const auto& condition) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (GetTickCount64() < end) {
        if (condition())
            return true;
        Sleep(50);
    }
    return condition();
}

void SaveScreenshot(HWND window, const std::wstring& name) {
    EXPECT_TRUE(test::SaveWindowBitmap(window, test::OutputFolder() + L"\\" + name + L".bmp"))
        << "screenshot";
}

// Sets the display's dots per inch for the programs started while it lives (Wine reads the
// value when a program starts), and restores the value it found.
class DisplayDpi {
public:
    explicit DisplayDpi(DWORD dpi) {
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_READ | KEY_WRITE,
                        nullptr, &key_, nullptr);
        DWORD size = sizeof(previous_);
        hadValue_ = RegQueryValueExW(key_, L"LogPixels", nullptr, nullptr,
                                     reinterpret_cast<BYTE*>(&previous_), &size) == ERROR_SUCCESS;
        RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof(dpi));
    }
    ~DisplayDpi() {
        if (hadValue_)
            RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&previous_),
                           sizeof(previous_));
        else
            RegDeleteValueW(key_, L"LogPixels");
        RegCloseKey(key_);
    }

private:
    HKEY key_ = nullptr;
    DWORD previous_ = 0;
    bool hadValue_ = false;
};

} // namespace

TEST(Smoke, StartsShowsTheWindowAndClosesCleanly) {
    TempDir appData(L"appdata");
    RunningProgram program(appData.Path(), L"");
    ASSERT_TRUE(program.Started()) << "cannot start quarrow.exe from the build folder";
    HWND window = program.WaitForMainWindow(30000);
    ASSERT_NE(nullptr, window) << "no window captioned Quarrow";
    Sleep(1000); // let it paint
    SaveScreenshot(window, L"smoke");
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, program.WaitForExit(30000));
}

TEST(Smoke, SearchesTheFolderGivenOnTheCommandLine) {
    TempDir appData(L"appdata");
    TempDir folder(L"smoke");
    folder.WriteFile(L"report.txt", "quarterly figures");
    folder.WriteFile(L"notes.txt", std::string(5000, 'n'));
    folder.WriteFile(L"sub\\deeper\\plan.doc", "plan");
    folder.WriteFile(L"sub\\image.bmp", "BM");
    RunningProgram program(appData.Path(), L"\"" + folder.Path() + L"\"");
    ASSERT_TRUE(program.Started());
    HWND window = program.WaitForMainWindow(30000);
    ASSERT_NE(nullptr, window);

    EXPECT_EQ(folder.Path(), ControlText(FindControl(window, IdComboBoxSearchLocation)));
    const HWND search = FindControl(window, IdBtnSearch);
    const HWND results = FindControl(window, IdListViewResults);
    const HWND status = FindControl(window, IdStatusBar);
    ASSERT_NE(nullptr, search);
    ASSERT_NE(nullptr, results);
    ASSERT_NE(nullptr, status);
    PostMessageW(search, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitFor(
        30000, [&] { return ListView_GetItemCount(results) == 4 && IsWindowEnabled(search) != FALSE; }))
        << "found " << ListView_GetItemCount(results);
    EXPECT_EQ(L"Search time: ", ControlText(status).substr(0, 13)); // the first panel
    Sleep(500);
    SaveScreenshot(window, L"smoke-search");
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, program.WaitForExit(30000));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(appData.Sub(L"Quarrow.ini").c_str()));
}

// Runs alone (the smoke tests run one at a time), so the changed DPI reaches no other program.
TEST(Smoke, LaysOutEveryTabAt144Dpi) {
    TempDir appData(L"appdata");
    auto dpi = std::make_unique<DisplayDpi>(144);
    RunningProgram program(appData.Path(), L"C:\\");
    ASSERT_TRUE(program.Started());
    HWND window = program.WaitForMainWindow(30000);
    dpi.reset();
    ASSERT_NE(nullptr, window);
    RECT bounds{};
    GetWindowRect(window, &bounds);
    EXPECT_EQ(MulDiv(549, 144, 96), bounds.right - bounds.left);
    EXPECT_EQ(MulDiv(454, 144, 96), bounds.bottom - bounds.top);

    const HWND tabs = FindControl(window, IdPageControl);
    ASSERT_NE(nullptr, tabs);
    const wchar_t* const names[] = {L"files", L"datesize", L"text", L"exclude"};
    for (int page = 0; page < 4; ++page) {
        SendMessageW(tabs, TCM_SETCURFOCUS, page, 0);
        Sleep(400);
        SaveScreenshot(window, std::wstring(L"tab-") + names[page] + L"-144dpi");
    }
    // Every control lies inside its sheet.
    for (HWND sheet : FindChildren(window, L"#32770")) {
        RECT area{};
        GetWindowRect(sheet, &area);
        for (HWND child = GetWindow(sheet, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            RECT rect{};
            GetWindowRect(child, &rect);
            wchar_t name[64] = {};
            GetClassNameW(child, name, 64);
            EXPECT_LE(rect.right, area.right) << "control " << GetDlgCtrlID(child);
            EXPECT_LE(rect.bottom, area.bottom) << "control " << GetDlgCtrlID(child);
        }
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, program.WaitForExit(30000));
}

namespace {

std::wstring IniValue(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
    wchar_t value[1024] = {};
    GetPrivateProfileStringW(section, key, L"<missing>", value, 1024, file.c_str());
    return value;
}

// Starts the program, waits for its window, lets `use` look at it and closes it.
void RunOnce(const std::wstring& appData, const std::wstring& arguments, const auto& use) {
    RunningProgram program(appData, arguments);
    ASSERT_TRUE(program.Started());
    HWND window = program.WaitForMainWindow(30000);
    ASSERT_NE(nullptr, window);
    use(window);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, program.WaitForExit(30000));
}

} // namespace

TEST(Smoke, KeepsItsSettingsBetweenRuns) {
    TempDir appData(L"appdata");
    TempDir folder(L"remembered");
    const std::wstring ini = appData.Sub(L"Quarrow.ini");

    RunOnce(appData.Path(), L"\"" + folder.Path() + L"\"", [](HWND) {});
    const wchar_t* const keys[] = {L"ShowTypeInsteadOfExtension",
                                   L"SavePositionAndSize",
                                   L"SaveSearchData",
                                   L"ExcludeFolders",
                                   L"Editor",
                                   L"AppWidth",
                                   L"AppHeight",
                                   L"AppLeft",
                                   L"AppTop",
                                   L"FirstColumnWidth"};
    for (const wchar_t* key : keys)
        EXPECT_NE(L"<missing>", IniValue(ini, L"Preferences", key)) << key;
    EXPECT_EQ(L"1", IniValue(ini, L"Preferences", L"SaveSearchData"));
    EXPECT_EQ(L"C:\\Windows\\notepad.exe", IniValue(ini, L"Preferences", L"Editor"));
    EXPECT_EQ(folder.Path(), IniValue(ini, L"SearchLocationHistoryList", L"0"));

    // The second run applies a geometry it reads back and saves the history it loaded.
    WritePrivateProfileStringW(L"Preferences", L"SavePositionAndSize", L"1", ini.c_str());
    WritePrivateProfileStringW(L"Preferences", L"AppLeft", L"120", ini.c_str());
    WritePrivateProfileStringW(L"Preferences", L"AppTop", L"90", ini.c_str());
    RunOnce(appData.Path(), L"", [&](HWND window) {
        RECT bounds{};
        GetWindowRect(window, &bounds);
        EXPECT_EQ(120, bounds.left);
        EXPECT_EQ(90, bounds.top);
        EXPECT_EQ(L"C:\\", ControlText(FindControl(window, IdComboBoxSearchLocation)));
    });
    EXPECT_EQ(folder.Path(), IniValue(ini, L"SearchLocationHistoryList", L"0"));
    EXPECT_EQ(L"1", IniValue(ini, L"Preferences", L"SavePositionAndSize"));
    EXPECT_EQ(L"120", IniValue(ini, L"Preferences", L"AppLeft"));
}

// The window from the command line and from Explorer's command: the criteria filled in,
// the search started, a quoted folder that ends in a backslash read as that folder.
TEST(Smoke, OpensWithTheCriteriaOfTheCommandLineAndSearches) {
    TempDir appData(L"appdata");
    TempDir folder(L"cmdline");
    folder.WriteFile(L"report 2024.txt", "to do: figures");
    folder.WriteFile(L"sub\\old report.txt", "done");
    folder.WriteFile(L"notes.txt", "to do: call");
    RunOnce(appData.Path(), L"\"" + folder.Path() + L"\\\" --name report --text \"to do\" --search",
            [&](HWND window) {
                EXPECT_EQ(folder.Path() + L"\\", ControlText(FindControl(window, IdComboBoxSearchLocation)));
                EXPECT_EQ(L"report", ControlText(FindControl(window, IdComboBoxSearchPattern)));
                EXPECT_EQ(L"to do", ControlText(FindControl(window, IdComboBoxContainingText)));
                const HWND results = FindControl(window, IdListViewResults);
                const HWND search = FindControl(window, IdBtnSearch);
                EXPECT_TRUE(WaitFor(
                    30000, [&] { return ListView_GetItemCount(results) == 1 && IsWindowEnabled(search); }))
                    << "found " << ListView_GetItemCount(results);
            });

    // What Explorer runs for a folder and for a drive: the command registered for them, with
    // the item's path in place of %1.
    const std::wstring program = ProgramPath();
    RegisterExplorerMenu(program);
    for (const TExplorerCommand& command : ExplorerCommands(program)) {
        if (command.Command.find(L"%1") == std::wstring::npos)
            continue;
        for (const std::wstring& item : {folder.Path(), std::wstring(L"Z:\\")}) {
            std::wstring line = command.Command;
            line.replace(line.find(L"%1"), 2, item);
            RunOnce(appData.Path(), line.substr(program.size() + 3), [&](HWND window) {
                EXPECT_EQ(item, ControlText(FindControl(window, IdComboBoxSearchLocation)))
                    << command.Key.c_str();
            });
        }
    }
    UnregisterExplorerMenu();
}
