#include "ui/FileTools.h"

#include "base/Handles.h"

#include <shlobj.h>

namespace quarrow {
namespace {

int CALLBACK PickFolderCallback(HWND dialog, UINT message, LPARAM param, LPARAM data) {
    auto& selection = *reinterpret_cast<TPickFolderSelection*>(data);
    if (message == BFFM_INITIALIZED) {
        const auto start = reinterpret_cast<LPARAM>(selection.StartFolder().c_str());
        SendMessageW(dialog, BFFM_SETSTATUSTEXTW, 0, start);
        SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, start);
        selection.StartFolderSet();
    } else if (message == BFFM_SELCHANGED) {
        wchar_t path[MAX_PATH + 1] = {};
        if (!SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(param), path))
            path[0] = L'\0';
        else
            SendMessageW(dialog, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(path));
        selection.SelectionChanged(path);
    }
    return 0;
}

std::wstring WithoutTrailingBackslash(std::wstring path) {
    if (path.size() > 3 && path.back() == L'\\')
        path.pop_back();
    return path;
}

} // namespace

void TPickFolderSelection::SelectionChanged(const std::wstring& path) {
    if (started_) {
        userChose_ = true;
        return;
    }
    if (!path.empty() &&
        CompareStringOrdinal(WithoutTrailingBackslash(path).c_str(), -1,
                             WithoutTrailingBackslash(startFolder_).c_str(), -1, TRUE) == CSTR_EQUAL)
        startSelected_ = true;
}

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
    folder = WithoutTrailingBackslash(folder);
    TPickFolderSelection selection(folder);
    if (!folder.empty()) {
        info.lpfn = PickFolderCallback;
        info.lParam = reinterpret_cast<LPARAM>(&selection);
    }

    UniqueCoTaskMem items(SHBrowseForFolderW(&info));
    if (!items || (!folder.empty() && !selection.ResultStands()))
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
