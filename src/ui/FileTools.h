#pragma once
// The shell's folder browser in the two forms the program uses.

#include <windows.h>

#include <string>
#include <utility>

namespace quarrow {

// What the location browser's selection went through. Some shells cannot select a start
// folder and leave their root selected instead: OK would then replace the location with
// the root, so a dialog closed without the start folder ever selected and without a choice
// of the user's keeps the location.
class TPickFolderSelection {
public:
    explicit TPickFolderSelection(std::wstring startFolder) : startFolder_(std::move(startFolder)) {}
    const std::wstring& StartFolder() const { return startFolder_; }
    // The dialog selected `path` (empty when it has no file-system path).
    void SelectionChanged(const std::wstring& path);
    // The dialog has done what it does with the start folder; later changes are the user's.
    void StartFolderSet() { started_ = true; }
    // Whether the folder the dialog returns may replace the location.
    bool ResultStands() const { return startSelected_ || userChose_; }

private:
    std::wstring startFolder_;
    bool started_ = false;
    bool startSelected_ = false;
    bool userChose_ = false;
};

class TFileTools {
public:
    TFileTools() = delete;

    // The location browser. `folder` is the start folder (one trailing backslash is stripped
    // unless it is a drive root, and the stripped value is stored back); the dialog shows the
    // selected path in its status line. On true, `folder` holds the chosen path.
    static bool PickFolder(HWND parentWindow, std::wstring& folder, const std::wstring& title);
};

// A folder browser rooted at the desktop, nothing preselected. On true, `folderPath` holds
// the chosen folder's file-system path.
bool BrowseFolder(HWND owner, std::wstring& folderPath, const std::wstring& title, bool newStyle);

} // namespace quarrow
