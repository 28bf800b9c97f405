#include "results/ShellInfoCache.h"

#include "base/FileSystem.h"
#include "base/Text.h"

#include <windows.h>
#include <shellapi.h>

#include <array>
#include <cwchar>

namespace quarrow {
namespace {

constexpr wchar_t FolderKey[] = L"\\"; // never an extension
constexpr size_t MaxTypeName = 80;

// Types whose icon the shell takes from each file.
constexpr std::array<const wchar_t*, 13> OwnIconTypes = {L"exe", L"ico",       L"cur",    L"ani", L"lnk",
                                                         L"url", L"pif",       L"scr",    L"cpl", L"msc",
                                                         L"icl", L"appref-ms", L"website"};

bool ReadClassValue(const std::wstring& key, std::wstring& value) {
    wchar_t text[MAX_PATH] = {};
    DWORD size = sizeof(text);
    const LSTATUS status =
        RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr,
                     RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, text, &size);
    if (status == ERROR_MORE_DATA) {
        value = L"%1"; // too long to be a plain icon location: ask each file
        return true;
    }
    value = text;
    return status == ERROR_SUCCESS;
}

// A class whose icon is "%1" or drawn by an icon handler gives every file its own icon.
bool ClassGivesOwnIcon(const std::wstring& classKey) {
    std::wstring value;
    if (ReadClassValue(classKey + L"\\DefaultIcon", value) && value.find(L"%1") != std::wstring::npos)
        return true;
    return ReadClassValue(classKey + L"\\ShellEx\\IconHandler", value);
}

std::wstring ExtensionOf(const std::wstring& path) {
    const size_t last = path.find_last_of(L".\\");
    return last == std::wstring::npos || path[last] != L'.' ? std::wstring()
                                                            : LowerAsciiLetters(path.substr(last + 1));
}

// What the shell is given when it answers by the type alone: the name, where the path is
// longer than it takes.
std::wstring NameByType(const std::wstring& path) {
    return NeedsExtendedLengthPath(path) ? path.substr(path.find_last_of(L'\\') + 1) : path;
}

bool AskShell(const std::wstring& path, DWORD attributes, UINT flags, SHFILEINFOW& info) {
    info = {};
    return SHGetFileInfoW(path.c_str(), attributes, &info, sizeof(info), flags) != 0;
}

} // namespace

bool TShellInfoCache::IconComesFromFile(const std::wstring& extension) {
    for (const wchar_t* type : OwnIconTypes) {
        if (extension == type)
            return true;
    }
    const std::wstring extensionKey = L"." + extension;
    std::wstring fileClass;
    return ClassGivesOwnIcon(extensionKey) ||
           (ReadClassValue(extensionKey, fileClass) && !fileClass.empty() && ClassGivesOwnIcon(fileClass));
}

std::wstring TShellInfoCache::KeyOf(const std::wstring& fullName, unsigned long& attributes) {
    attributes = GetFileAttributesW(ExtendedLengthPath(fullName).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return {};
    // The shell would read the icon of another file, or of none: such a result shows its type's.
    const bool exact = NeedsExtendedLengthPath(fullName);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        // A folder shows an icon of its own only when marked so (desktop.ini with one of these).
        const DWORD marks = FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_REPARSE_POINT;
        return (attributes & marks) != 0 && !exact ? std::wstring() : std::wstring(FolderKey);
    }
    const std::wstring extension = ExtensionOf(fullName);
    if (exact)
        return L"." + extension;
    const auto [known, added] = iconFromFile_.try_emplace(extension, false);
    if (added)
        known->second = !extension.empty() && IconComesFromFile(extension);
    return known->second ? std::wstring() : L"." + extension;
}

int TShellInfoCache::IconIndex(const std::wstring& fullName) {
    constexpr UINT Flags = SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
    unsigned long attributes = 0;
    const std::wstring key = KeyOf(fullName, attributes);
    SHFILEINFOW info;
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return -1;
    if (key.empty())
        return AskShell(fullName, 0, Flags, info) ? info.iIcon : -1;
    if (const auto kept = icons_.find(key); kept != icons_.end())
        return kept->second;
    const int index =
        AskShell(NameByType(fullName), attributes, Flags | SHGFI_USEFILEATTRIBUTES, info) ? info.iIcon : -1;
    icons_.emplace(key, index);
    return index;
}

std::wstring TShellInfoCache::TypeName(const std::wstring& fullName) {
    unsigned long attributes = 0;
    const std::wstring key = KeyOf(fullName, attributes);
    SHFILEINFOW info;
    const auto typeName = [&info] {
        return std::wstring(info.szTypeName, wcsnlen(info.szTypeName, MaxTypeName));
    };
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return {};
    if (key.empty())
        return AskShell(fullName, 0, SHGFI_TYPENAME, info) ? typeName() : std::wstring();
    if (const auto kept = typeNames_.find(key); kept != typeNames_.end())
        return kept->second;
    const std::wstring name =
        AskShell(NameByType(fullName), attributes, SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES, info)
            ? typeName()
            : std::wstring();
    typeNames_.emplace(key, name);
    return name;
}

void TShellInfoCache::Clear() {
    icons_.clear();
    typeNames_.clear();
    iconFromFile_.clear();
}

} // namespace quarrow
