#include "ui/FileTools.h"

#include "base/Handles.h"

#include <shlobj.h>

namespace quarrow {
namespace {

int CALLBACK PickFolderCallback(HWND dialog, UINT message, LPARAM param, LPARAM data) {
    if (message == BFFM_INITIALIZED) {
        SendMessageW(dialog, BFFM_SETSTATUSTEXTW, 0, data);
        SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
    } else if (message == BFFM_SELCHANGED) {
        wchar_t path[MAX_PATH + 1] = {};
        if (SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(param), path))
            SendMessageW(dialog, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(path));
    }
    return 0;
}

} // namespace

bool TFileTools::PickFolder(HWND parentWindow, std::wstring& folder, const std::wstring& title) {
    // Stays initialised for the thread: the shell's dialog needs an apartment.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    wchar_t displayName[MAX_PATH + 1] = {};
    BROWSEINFOW info{};
    info.hwndOwner = parentWindow;
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
    info.iImage = 0;
    if (!folder.empty()) {
        if (folder.size() > 3 && folder.back() == L'\\')
            folder.pop_back();
        info.lpfn = PickFolderCallback;
        info.lParam = reinterpret_cast<LPARAM>(folder.c_str());
    }

    UniqueCoTaskMem items(SHBrowseForFolderW(&info));
    if (!items)
        return false;
    const bool result =
        SHGetPathFromIDListW(static_cast<PCIDLIST_ABSOLUTE>(items.Get()), displayName) != FALSE;
    folder = displayName;
    return result;
}

bool BrowseFolder(HWND owner, std::wstring& folderPath, const std::wstring& title, bool newStyle) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    wchar_t displayName[MAX_PATH + 1] = {};
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | (newStyle ? BIF_NEWDIALOGSTYLE : 0u);
    UniqueCoTaskMem items(SHBrowseForFolderW(&info));
    if (!items)
        return false;
    wchar_t path[MAX_PATH + 1] = {};
    if (!SHGetPathFromIDListW(static_cast<PCIDLIST_ABSOLUTE>(items.Get()), path))
        return false;
    folderPath = path;
    return true;
}

} // namespace quarrow
