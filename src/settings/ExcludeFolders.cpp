#include "settings/ExcludeFolders.h"

#include "base/FileSystem.h"
#include "base/Text.h"

#include <windows.h>

#include <algorithm>

namespace quarrow {
namespace {

// The recycle bin is RECYCLER before Windows Vista and $Recycle.Bin since.
const wchar_t* const DriveFolders[] = {L"\\Windows", L"\\RECYCLER", L"\\$Recycle.Bin",
                                       L"\\System Volume Information"};

void AddSorted(std::vector<std::wstring>& list, const std::wstring& path) {
    const auto position = std::lower_bound(list.begin(), list.end(), path, [](const auto& a, const auto& b) {
        return CompareTextIgnoreCase(a, b) < 0;
    });
    if (position == list.end() || CompareTextIgnoreCase(*position, path) != 0)
        list.insert(position, path);
}

std::wstring EnvironmentVariable(const wchar_t* name) {
    std::wstring value(256, L'\0');
    for (;;) {
        const DWORD length = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
        if (length < value.size()) {
            value.resize(length);
            return value;
        }
        value.resize(length);
    }
}

} // namespace

std::wstring ExcludedFolderPath(std::wstring path) {
    if (path.size() > 3 && path.back() == L'\\')
        path.pop_back();
    return path;
}

const wchar_t NoFoldersToSuggest[] =
    L"No folders have been found on your system that usually can be skipped during a search.";

std::vector<std::wstring>
SuggestedExcludeFolders(const std::wstring& systemRoot, const std::vector<std::wstring>& fixedDrives,
                        const std::function<bool(const std::wstring&)>& folderExists) {
    std::vector<std::wstring> folders;
    if (!systemRoot.empty()) {
        const std::wstring expanded = ExcludedFolderPath(ExpandFullPath(systemRoot));
        if (!expanded.empty())
            AddSorted(folders, expanded);
    }
    for (const std::wstring& root : fixedDrives) {
        const std::wstring base = EndsWith(root, L"\\") ? root.substr(0, root.size() - 1) : root;
        for (const wchar_t* folder : DriveFolders) {
            const std::wstring path = ExcludedFolderPath(ExpandFullPath(base + folder));
            if (!path.empty() && folderExists(path))
                AddSorted(folders, path);
        }
    }
    return folders;
}

std::vector<std::wstring> SuggestedExcludeFolders(const std::vector<std::wstring>& fixedDrives) {
    return SuggestedExcludeFolders(EnvironmentVariable(L"SYSTEMROOT"), fixedDrives, IsExistingDirectory);
}

std::wstring SuggestQuestion(const std::vector<std::wstring>& folders) {
    std::wstring text = L"The following folders have been found on your system that usually can be skipped "
                        L"during a search. \r\nWould you like to add these folders to the list of skipped "
                        L"folders?\r\n\r\n";
    for (const std::wstring& folder : folders)
        text += folder + L"\r\n";
    return text;
}

} // namespace quarrow
