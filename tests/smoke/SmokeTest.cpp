// End to end: start quarrow.exe as a user would, find its window, take a screenshot and
// close it.

#include "base/Handles.h"

#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace quarrow;
using quarrow::test::TempDir;

namespace {

std::wstring ProgramPath() { return test::BuildFolder() + L"\\quarrow.exe"; }

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

} // namespace

TEST(Smoke, StartsShowsTheWindowAndClosesCleanly) {
    TempDir appData(L"appdata");
    RunningProgram program(appData.Path(), L"");
    ASSERT_TRUE(program.Started()) << "cannot start quarrow.exe from the build folder";
    HWND window = program.WaitForMainWindow(30000);
    ASSERT_NE(nullptr, window) << "no window captioned Quarrow";
    Sleep(1000); // let it paint
    EXPECT_TRUE(test::SaveWindowBitmap(window, test::OutputFolder() + L"\\smoke.bmp"));
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, program.WaitForExit(30000));
}
