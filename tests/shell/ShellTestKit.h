#pragma once
// Helpers of the shell tests: the shell unit and an application window for the whole
// program, folders on C:, a watcher that answers the shell's dialogs, the clipboard as a
// paste would read it, and windows of the programs the shell starts.

#include <windows.h>

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace quarrow::test {

// A fresh folder under the prefix's temporary folder on C:, removed with its contents.
class CDriveDir {
public:
    CDriveDir();
    ~CDriveDir();
    CDriveDir(const CDriveDir&) = delete;
    CDriveDir& operator=(const CDriveDir&) = delete;

    const std::wstring& Path() const { return path_; }
    std::wstring WriteFile(const std::wstring& relative, const std::string& content = "x") const;

private:
    std::wstring path_;
};

struct ClipboardContent {
    std::vector<std::wstring> files; // CF_HDROP
    bool hasDropEffect = false;
    DWORD dropEffect = 0;
    bool ownedByThisProcess = false; // false when another program wrote it since
};
ClipboardContent ReadClipboard();
// Puts plain text on the clipboard so that a test sees what a verb changed.
void ResetClipboard();

// Posts WM_CLOSE and waits until the window is gone; false when it stays.
bool CloseAndWait(HWND window, DWORD timeoutMs = 5000);

} // namespace quarrow::test
