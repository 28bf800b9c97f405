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

bool CloseAndWait(HWND window, DWORD timeoutMs) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (IsWindow(window) && GetTickCount64() < deadline)
        Sleep(50);
    return !IsWindow(window);
}

} // namespace quarrow::test
