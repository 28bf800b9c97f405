#include "ui/HtmlHelp.h"

#include "base/FileSystem.h"
#include "base/Handles.h"
#include "base/Text.h"

#include <htmlhelp.h>
#include <shlwapi.h>

#include <algorithm>

namespace quarrow {
namespace {

const wchar_t LibraryName[] = L"hhctrl.ocx";
const wchar_t LibraryClassKey[] = L"CLSID\\{adb880a6-d8ff-11cf-9377-00aa003b7a11}\\InprocServer32";
const wchar_t SystemRootVariable[] = L"%SystemRoot%";

struct THtmlHelpLibrary {
    UniqueModule Module;
    THtmlHelpEntry HtmlHelpW = nullptr;
};
THtmlHelpLibrary g_library;

std::wstring WithoutTrailingBackslash(std::wstring path) {
    while (!path.empty() && path.back() == L'\\')
        path.pop_back();
    return path;
}

template <typename Query> std::wstring FolderFrom(Query query) {
    wchar_t buffer[MAX_PATH] = {};
    const UINT length = query(buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? WithoutTrailingBackslash(buffer) : std::wstring();
}

std::wstring RegisteredLibraryPath() {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, LibraryClassKey, 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return {};
    UniqueRegKey key(opened);
    wchar_t value[MAX_PATH + 1] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return {};
    return value;
}

bool IsExistingFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

template <typename Function> Function EntryPoint(HMODULE module, const char* name) {
    // Through the generic function type, which converts without a warning.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

} // namespace

std::wstring HelpFilePath() {
    const std::wstring program = ProgramFilePath();
    if (program.empty())
        return HelpFileName;
    return program.substr(0, program.find_last_of(L'\\') + 1) + HelpFileName;
}

THtmlHelpPlaces SystemHtmlHelpPlaces() {
    return {FolderFrom(GetSystemDirectoryW), FolderFrom(GetWindowsDirectoryW), RegisteredLibraryPath()};
}

std::vector<std::wstring> HtmlHelpCandidates(const THtmlHelpPlaces& places) {
    std::vector<std::wstring> candidates;
    if (!places.SystemDirectory.empty())
        candidates.push_back(places.SystemDirectory + L"\\" + LibraryName);
    std::wstring registered = places.Registered;
    const size_t prefix = std::size(SystemRootVariable) - 1;
    if (registered.size() > prefix - 1 &&
        SameTextIgnoreCase(registered.substr(0, prefix), SystemRootVariable))
        registered = places.WindowsDirectory + registered.substr(prefix);
    if (!registered.empty() && !PathIsRelativeW(registered.c_str()) &&
        std::none_of(candidates.begin(), candidates.end(),
                     [&](const std::wstring& path) { return SameTextIgnoreCase(path, registered); }))
        candidates.push_back(registered);
    return candidates;
}

void LoadHtmlHelp() {
    if (!g_library.Module)
        LoadHtmlHelpFrom(SystemHtmlHelpPlaces());
}

void LoadHtmlHelpFrom(const THtmlHelpPlaces& places) {
    if (g_library.Module)
        return;
    for (const std::wstring& path : HtmlHelpCandidates(places)) {
        if (!IsExistingFile(path))
            continue;
        // The library's own dependencies are looked for beside it.
        g_library.Module.Reset(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
        if (g_library.Module)
            break;
    }
    if (g_library.Module)
        g_library.HtmlHelpW = EntryPoint<THtmlHelpEntry>(g_library.Module.Get(), "HtmlHelpW");
}

void UnloadHtmlHelp() {
    // A viewer left open would run code of the freed library.
    if (g_library.HtmlHelpW != nullptr)
        g_library.HtmlHelpW(nullptr, nullptr, HH_CLOSE_ALL, 0);
    g_library.HtmlHelpW = nullptr;
    g_library.Module.Reset();
}

THtmlHelpEntry HtmlHelpEntry() {
    return g_library.HtmlHelpW;
}

} // namespace quarrow
