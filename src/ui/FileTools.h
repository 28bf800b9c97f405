#pragma once
// The shell's folder browser in the two forms the program uses.

#include <windows.h>

#include <string>

namespace quarrow {

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
