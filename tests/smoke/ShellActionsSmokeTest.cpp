// End to end: quarrow.exe drops the results that a Linux process removes and the one the
// user deletes with the Delete key, answering the shell's confirmation with Yes. Input comes
// from real X events (xdotool), as a user's would.

#include "base/Handles.h"
#include "ui/MainFormIds.h"

#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>

using namespace quarrow;
using quarrow::test::TempDir;

namespace {

template <typename F> bool WaitUntil(F condition, DWORD timeoutMs = 20000) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!condition() && GetTickCount64() < end)
        Sleep(50);
    return condition();
}

// The first visible top-level window of `processId` with the class name `className`.
HWND FindProcessWindow(DWORD processId, const wchar_t* className) {
    struct Search {
        DWORD processId;
        const wchar_t* className;
        HWND found;
    } search{processId, className, nullptr};
    EnumWindows(
        [](HWND window, LPARAM value) -> BOOL {
            auto* s = reinterpret_cast<Search*>(value);
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (process == s->processId && IsWindowVisible(window) && std::wstring(name) == s->className) {
                s->found = window;
                return FALSE;
            }
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

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

TEST(Smoke, ResultsRemovedByALinuxProcessOrDeletedWithTheDeleteKeyLeaveTheList) {
    TempDir appData(L"appdata");
    TempDir folder(L"smoke-delete");
    const std::wstring first = folder.WriteFile(L"first.txt", "1");
    const std::wstring second = folder.WriteFile(L"second.txt", "2");
    const std::wstring removed = folder.WriteFile(L"sub dir\\removed.txt", "3");

    SetEnvironmentVariableW(L"APPDATA", appData.Path().c_str());
    std::wstring commandLine = L"\"" + test::BuildFolder() + L"\\quarrow.exe\" \"" + folder.Path() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &info));
    UniqueHandle process(info.hProcess);
    CloseHandle(info.hThread);
    struct Ending {
        HANDLE process;
        ~Ending() {
            if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT)
                TerminateProcess(process, 99);
        }
    } ending{process.Get()};

    HWND window = nullptr;
    ASSERT_TRUE(
        WaitUntil([&] { return (window = FindProcessWindow(info.dwProcessId, L"QuarrowMainWindow")); }));
    const HWND search = FindControl(window, IdBtnSearch);
    const HWND results = FindControl(window, IdListViewResults);
    const HWND gray = FindControl(window, IdImageStatusGray);
    ASSERT_TRUE(search && results && gray);
    PostMessageW(search, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return ListView_GetItemCount(results) == 3 && IsWindowEnabled(search); }));
    EXPECT_FALSE(IsWindowVisible(gray));

    ASSERT_TRUE(test::StartLinuxProgram(L"/bin/rm \"" + test::ZDriveLinuxPath(removed) + L"\""));
    ASSERT_TRUE(WaitUntil([&] { return !Exists(removed); }));
    EXPECT_TRUE(WaitUntil([&] { return ListView_GetItemCount(results) == 2; }))
        << "the removed file stays listed";
    EXPECT_TRUE(IsWindowVisible(gray));

    // A click on the first row (just below the header), the Delete key, and Yes.
    RECT list{};
    RECT header{};
    GetWindowRect(results, &list);
    GetWindowRect(ListView_GetHeader(results), &header);
    // One program, so that the key follows the click.
    const std::wstring clickAndDelete = L"/usr/bin/xdotool mousemove " + std::to_wstring(list.left + 30) +
                                        L" " + std::to_wstring(header.bottom + 6) +
                                        L" click 1 sleep 0.3 key Delete";
    ASSERT_TRUE(test::StartLinuxProgram(clickAndDelete));
    HWND confirm = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (confirm = FindProcessWindow(info.dwProcessId, L"#32770")); }))
        << "no confirmation";
    PostMessageW(confirm, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
    EXPECT_TRUE(WaitUntil([&] { return Exists(first) != Exists(second); })) << "no file was deleted";
    EXPECT_TRUE(WaitUntil([&] { return ListView_GetItemCount(results) == 1; }))
        << "the deleted file stays listed";
    EXPECT_TRUE(IsWindowVisible(gray));

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.Get(), 30000));
    DWORD code = 1;
    GetExitCodeProcess(process.Get(), &code);
    EXPECT_EQ(0u, code);
}
