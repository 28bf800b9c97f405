#include "base/FileSystem.h"

#include "base/Handles.h"
#include "base/Text.h"

#include <algorithm>
#include <cwchar>
#include <string_view>

namespace quarrow {
namespace {

constexpr wchar_t ExtendedPrefix[] = L"\\\\?\\";
constexpr wchar_t ExtendedUncPrefix[] = L"\\\\?\\UNC\\";

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.compare(0, wcslen(prefix), prefix) == 0;
}

bool ReadFileId(const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
    const UniqueFile file(CreateFileW(
        ExtendedLengthPath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return file && GetFileInformationByHandle(file.Get(), &info);
}

DWORD DeleteTreeContents(const std::wstring& extendedFolder) {
    WIN32_FIND_DATAW entry;
    DWORD result = ERROR_SUCCESS;
    {
        const UniqueFind find(FindFirstFileExW((extendedFolder + L"\\*").c_str(), FindExInfoBasic, &entry,
                                               FindExSearchNameMatch, nullptr, 0));
        if (!find)
            return GetLastError() == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : GetLastError();
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const DWORD error = DeletePermanently(extendedFolder + L"\\" + name);
            if (error != ERROR_SUCCESS && result == ERROR_SUCCESS)
                result = error;
        } while (FindNextFileW(find.Get(), &entry));
    }
    return result;
}

} // namespace

std::wstring ExpandFullPath(const std::wstring& path) {
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return {};
    std::wstring result(size, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), size, result.data(), nullptr);
    if (length == 0 || length >= size)
        return {};
    result.resize(length);
    return result;
}

std::wstring TypedFilePath(const std::wstring& path) {
    std::wstring full = ExpandFullPath(path);
    return full.empty() ? path : full;
}

std::wstring ExpandNamedPath(const std::wstring& path) {
    const std::wstring ordinary = ExpandFullPath(path);
    // The expansion keeps a name whose last character is not a dot or a blank: each such name
    // gets a character that no name can hold after it, taken off again afterwards.
    constexpr wchar_t Keep = L'\x01';
    if (path.find(Keep) != std::wstring::npos)
        return ordinary;
    std::wstring marked;
    for (size_t start = 0; start <= path.size();) {
        const size_t end = std::min(path.find_first_of(L"\\/", start), path.size());
        const std::wstring_view name(path.data() + start, end - start);
        marked.append(name);
        if (!name.empty() && (name.back() == L'.' || name.back() == L' ') && name != L"." && name != L"..")
            marked += Keep;
        if (end < path.size())
            marked += path[end];
        start = end + 1;
    }
    if (marked.size() == path.size())
        return ordinary;
    std::wstring exact = ExpandFullPath(marked);
    std::erase(exact, Keep);
    if (exact.empty() || exact == ordinary ||
        GetFileAttributesW(ExtendedLengthPath(exact).c_str()) == INVALID_FILE_ATTRIBUTES)
        return ordinary;
    return exact;
}

bool IsExistingDirectory(const std::wstring& path) {
    // Only where needed: the "\\?\" form leaves "." and ".." as they are.
    const std::wstring name = NeedsExtendedLengthPath(path) ? ExtendedLengthPath(path) : path;
    const DWORD attributes = GetFileAttributesW(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreateFolderTree(const std::wstring& path) {
    if (IsExistingDirectory(path))
        return true;
    const size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos || slash == 0)
        return false;
    if (slash + 1 == path.size())
        return CreateFolderTree(path.substr(0, slash));
    if (!CreateFolderTree(path.substr(0, slash)))
        return false;
    // Another program may have made it meanwhile.
    return CreateDirectoryW(ExtendedLengthPath(path).c_str(), nullptr) || IsExistingDirectory(path);
}

std::wstring ProgramFilePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring ExtendedLengthPath(const std::wstring& path) {
    if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\')
        return ExtendedPrefix + path;
    if (path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\' && path[2] != L'?' && path[2] != L'.')
        return ExtendedUncPrefix + path.substr(2);
    return path;
}

std::wstring OrdinaryPath(const std::wstring& path) {
    if (StartsWith(path, ExtendedUncPrefix))
        return L"\\\\" + path.substr(wcslen(ExtendedUncPrefix));
    if (StartsWith(path, ExtendedPrefix))
        return path.substr(wcslen(ExtendedPrefix));
    return path;
}

bool NeedsExtendedLengthPath(const std::wstring& path) {
    if (path.size() >= MAX_PATH)
        return true;
    for (size_t start = 0; start < path.size();) {
        const size_t end = std::min(path.find(L'\\', start), path.size());
        const std::wstring_view name(path.data() + start, end - start);
        if (!name.empty() && (name.back() == L'.' || name.back() == L' ') && name != L"." && name != L"..")
            return true;
        start = end + 1;
    }
    return false;
}

bool SameFileObject(const std::wstring& a, const std::wstring& b) {
    BY_HANDLE_FILE_INFORMATION first{}, second{};
    return ReadFileId(a, first) && ReadFileId(b, second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

std::wstring EquivalentShortPath(const std::wstring& path) {
    const std::wstring extended = ExtendedLengthPath(path);
    const DWORD size = GetShortPathNameW(extended.c_str(), nullptr, 0);
    if (size == 0)
        return {};
    std::wstring shortPath(size, L'\0');
    const DWORD length = GetShortPathNameW(extended.c_str(), shortPath.data(), size);
    if (length == 0 || length >= size)
        return {};
    shortPath.resize(length);
    shortPath = OrdinaryPath(shortPath);
    // The short form is an ordinary path only when it needs none of what the long one needs.
    if (NeedsExtendedLengthPath(shortPath))
        return {};
    const DWORD attributes = GetFileAttributesW(shortPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !SameFileObject(shortPath, path))
        return {};
    return shortPath;
}

DWORD DeletePermanently(const std::wstring& path) {
    const std::wstring extended = ExtendedLengthPath(path);
    const DWORD attributes = GetFileAttributesW(extended.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return GetLastError();
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
        SetFileAttributesW(extended.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!folder)
        return DeleteFileW(extended.c_str()) ? ERROR_SUCCESS : GetLastError();
    // A folder link goes without what it leads to.
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        if (const DWORD error = DeleteTreeContents(extended); error != ERROR_SUCCESS)
            return error;
    }
    return RemoveDirectoryW(extended.c_str()) ? ERROR_SUCCESS : GetLastError();
}

DWORD WriteUtf8TextFile(const std::wstring& path, const std::wstring& text) {
    const UniqueFile file(CreateFileW(ExtendedLengthPath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                      nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return GetLastError();
    const std::string bytes = "\xEF\xBB\xBF" + ToUtf8(text);
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        return GetLastError();
    return written == bytes.size() ? ERROR_SUCCESS : ERROR_DISK_FULL;
}

bool RenameExactly(const std::wstring& from, const std::wstring& to) {
    return MoveFileW(ExtendedLengthPath(from).c_str(), ExtendedLengthPath(to).c_str()) != FALSE;
}

} // namespace quarrow
