#include "ShellTestKit.h"

#include "base/ApplicationWindow.h"
#include "base/Handles.h"
#include "base/Text.h"
#include "shell/ShellUnit.h"
#include "ui/Controls.h"

#include <gtest/gtest.h>

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

namespace quarrow::test {
namespace {

// One shell unit and one hidden application window for the whole test program, as
// wWinMain and the main window provide them in quarrow.exe.
class ShellEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        unit_ = std::make_unique<ShellUnit>();
        window_.Reset(CreateWindowExW(0, L"STATIC", L"Quarrow shell tests", WS_POPUP, 0, 0, 10, 10, nullptr,
                                      nullptr, GetModuleHandleW(nullptr), nullptr));
        SetApplicationWindow(window_.Get());
    }
    void TearDown() override {
        SetApplicationWindow(nullptr);
        window_.Reset();
        unit_.reset();
    }

private:
    std::unique_ptr<ShellUnit> unit_;
    UniqueWindow window_;
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new ShellEnvironment);

std::wstring ClassName(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

struct WindowSearch {
    std::wstring text;
    HWND found = nullptr;
};

BOOL CALLBACK FindOtherProcessWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() || !IsWindowVisible(window))
        return TRUE;
    const std::wstring caption = LowerAsciiLetters(WindowText(window));
    if (caption.find(LowerAsciiLetters(search->text)) != std::wstring::npos) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

CDriveDir::CDriveDir() {
    static std::atomic<int> counter{0};
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + L"quarrow-shell-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(counter++);
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

CDriveDir::~CDriveDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::wstring CDriveDir::WriteFile(const std::wstring& relative, const std::string& content) const {
    const std::filesystem::path full = path_ + L"\\" + relative;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream(full, std::ios::binary) << content;
    return full.wstring();
}

DialogAnswerer::DialogAnswerer(WORD command) : command_(command), thread_([this] { Watch(); }) {}

DialogAnswerer::~DialogAnswerer() {
    stop_ = true;
    thread_.join();
}

int DialogAnswerer::Answered() {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(captions_.size());
}

std::vector<std::wstring> DialogAnswerer::Captions() {
    std::lock_guard<std::mutex> lock(mutex_);
    return captions_;
}

void DialogAnswerer::Watch() {
    while (!stop_) {
        std::vector<HWND> dialogs;
        EnumWindows(
            [](HWND window, LPARAM parameter) -> BOOL {
                DWORD process = 0;
                GetWindowThreadProcessId(window, &process);
                if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
                    ClassName(window) == L"#32770")
                    reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(window);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&dialogs));
        for (HWND dialog : dialogs) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (seen_.insert(dialog).second)
                captions_.push_back(WindowText(dialog));
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(command_, BN_CLICKED), 0);
        }
        {
            // A window handle may come back for a later dialog.
            std::lock_guard<std::mutex> lock(mutex_);
            for (auto it = seen_.begin(); it != seen_.end();)
                it = IsWindow(*it) ? std::next(it) : seen_.erase(it);
        }
        Sleep(dialogs.empty() ? 20 : 200);
    }
}

ClipboardContent ReadClipboard() {
    ClipboardContent content;
    for (int attempt = 0; attempt < 50 && !OpenClipboard(nullptr); ++attempt)
        Sleep(20);
    DWORD owner = 0;
    GetWindowThreadProcessId(GetClipboardOwner(), &owner);
    content.ownedByThisProcess = owner == GetCurrentProcessId();
    if (HANDLE drop = GetClipboardData(CF_HDROP)) {
        const UINT count = DragQueryFileW(static_cast<HDROP>(drop), 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            wchar_t path[MAX_PATH * 4] = {};
            DragQueryFileW(static_cast<HDROP>(drop), i, path, MAX_PATH * 4);
            content.files.push_back(path);
        }
    }
    if (HANDLE effect = GetClipboardData(RegisterClipboardFormatW(CFSTR_PREFERREDDROPEFFECT))) {
        if (const void* data = GlobalLock(effect)) {
            std::memcpy(&content.dropEffect, data, sizeof(DWORD));
            content.hasDropEffect = true;
            GlobalUnlock(effect);
        }
    }
    CloseClipboard();
    return content;
}

void ResetClipboard() {
    for (int attempt = 0; attempt < 50 && !OpenClipboard(ApplicationWindow()); ++attempt)
        Sleep(20);
    EmptyClipboard();
    const wchar_t text[] = L"shell test";
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof(text));
    std::memcpy(GlobalLock(memory), text, sizeof(text));
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
}

HWND WaitForOtherProcessWindow(const std::wstring& text, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    do {
        WindowSearch search{text};
        EnumWindows(FindOtherProcessWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr)
            return search.found;
        Sleep(50);
    } while (GetTickCount64() < deadline);
    return nullptr;
}

bool CloseAndWait(HWND window, DWORD timeoutMs) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (IsWindow(window) && GetTickCount64() < deadline)
        Sleep(50);
    return !IsWindow(window);
}

} // namespace quarrow::test
