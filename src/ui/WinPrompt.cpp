#include "ui/WinPrompt.h"

#include "ui/FileTools.h"
#include "ui/Resources.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

namespace quarrow {
namespace {

UINT IconFlag(PromptType type) {
    switch (type) {
    case PromptType::Information:
        return MB_ICONINFORMATION;
    case PromptType::Warning:
        return MB_ICONWARNING;
    case PromptType::Error:
        return MB_ICONERROR;
    case PromptType::Confirmation:
        return MB_ICONQUESTION;
    }
    return 0;
}

bool RunFileDialog(HWND owner, const FileDialogOptions& options, std::wstring& path, bool save) {
    const std::wstring filter = FileDialogFilter(options.filter);
    std::vector<wchar_t> buffer(32768, L'\0');
    path.copy(buffer.data(), std::min(path.size(), buffer.size() - 1));
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    dialog.lpstrInitialDir = options.initialDir.empty() ? nullptr : options.initialDir.c_str();
    dialog.lpstrDefExt = options.defaultExt.empty() ? nullptr : options.defaultExt.c_str();
    dialog.Flags = OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR | (save ? 0 : OFN_FILEMUSTEXIST);
    const BOOL ok = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    if (!ok)
        return false;
    path = buffer.data();
    return true;
}

} // namespace

std::wstring FileDialogFilter(const std::wstring& filter) {
    if (filter.empty())
        return {};
    std::wstring result = filter;
    for (wchar_t& c : result) {
        if (c == L'|')
            c = L'\0';
    }
    result.push_back(L'\0');
    return result; // the string's own terminator ends the list
}

PromptResult WinPrompt::Message(PromptType type, const std::wstring& text, PromptButtons buttons) {
    const UINT flags = IconFlag(type) | (buttons == PromptButtons::YesNo ? MB_YESNO : MB_OK);
    switch (MessageBoxW(owner_, text.c_str(), QUARROW_PRODUCT_NAME, flags)) {
    case IDYES:
        return PromptResult::Yes;
    case IDNO:
        return PromptResult::No;
    case IDOK:
        return PromptResult::Ok;
    default:
        return PromptResult::Cancel;
    }
}

bool WinPrompt::PickFolder(std::wstring& folder, const std::wstring& title) {
    return TFileTools::PickFolder(owner_, folder, title);
}

bool WinPrompt::BrowseFolder(std::wstring& folder, const std::wstring& title, bool newStyle) {
    return quarrow::BrowseFolder(owner_, folder, title, newStyle);
}

bool WinPrompt::SaveFileName(const FileDialogOptions& options, std::wstring& path) {
    return RunFileDialog(owner_, options, path, true);
}

bool WinPrompt::OpenFileName(const FileDialogOptions& options, std::wstring& path) {
    return RunFileDialog(owner_, options, path, false);
}

} // namespace quarrow
