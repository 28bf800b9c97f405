#include "shell/ExplorerMenu.h"

#include "base/Handles.h"
#include "base/SystemError.h"

namespace quarrow {
namespace {

constexpr wchar_t VerbName[] = L"QuarrowSearch";

// The class keys that hold the verb, from the deepest: what registration may have created.
const wchar_t* const ClassKeys[] = {L"Directory", L"Drive", L"Directory\\Background"};

std::wstring VerbKey(const wchar_t* classKey) {
    return std::wstring(classKey) + L"\\shell\\" + VerbName;
}

std::wstring FullKey(const TExplorerMenuPlace& place, const std::wstring& key) {
    return place.Classes + L"\\" + key;
}

std::wstring RootName(HKEY root) {
    return root == HKEY_CURRENT_USER ? L"HKEY_CURRENT_USER\\" : L"";
}

UniqueRegKey OpenKey(const TExplorerMenuPlace& place, const std::wstring& key, REGSAM access) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(place.Root, FullKey(place, key).c_str(), 0, access, &handle) != ERROR_SUCCESS)
        return UniqueRegKey();
    return UniqueRegKey(handle);
}

std::wstring ReadDefaultValue(const TExplorerMenuPlace& place, const std::wstring& key) {
    const UniqueRegKey opened = OpenKey(place, key, KEY_QUERY_VALUE);
    if (!opened)
        return {};
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(opened.Get(), nullptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return {};
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegQueryValueExW(opened.Get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value.data()),
                         &size) != ERROR_SUCCESS)
        return {};
    value.resize(wcsnlen(value.c_str(), value.size()));
    return value;
}

void WriteValue(const TExplorerMenuPlace& place, const std::wstring& key, const wchar_t* name,
                const std::wstring& value) {
    HKEY handle = nullptr;
    LSTATUS status = RegCreateKeyExW(place.Root, FullKey(place, key).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                     nullptr, &handle, nullptr);
    if (status == ERROR_SUCCESS) {
        const UniqueRegKey created(handle);
        status = RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    if (status != ERROR_SUCCESS)
        throw QuarrowError(L"Unable to write to " + RootName(place.Root) + FullKey(place, key));
}

// A key with neither values nor sub-keys says nothing: one that registration may have made
// goes with the commands.
void RemoveIfEmpty(const TExplorerMenuPlace& place, const std::wstring& key) {
    const UniqueRegKey opened = OpenKey(place, key, KEY_QUERY_VALUE);
    DWORD subKeys = 0;
    DWORD values = 0;
    if (!opened || RegQueryInfoKeyW(opened.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                                    &values, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    if (subKeys == 0 && values == 0)
        RegDeleteKeyW(place.Root, FullKey(place, key).c_str());
}

} // namespace

const wchar_t ExplorerMenuText[] = L"Search with Quarrow";

std::vector<TExplorerCommand> ExplorerCommands(const std::wstring& program) {
    const std::wstring quoted = L"\"" + program + L"\"";
    return {{VerbKey(ClassKeys[0]), quoted + L" \"%1\""},
            {VerbKey(ClassKeys[1]), quoted + L" \"%1\""},
            {VerbKey(ClassKeys[2]), quoted + L" \"%V\""}};
}

bool ExplorerMenuPresent(const TExplorerMenuPlace& place) {
    for (const wchar_t* classKey : ClassKeys) {
        if (OpenKey(place, VerbKey(classKey), KEY_QUERY_VALUE))
            return true;
    }
    return false;
}

bool ExplorerMenuRegistered(const std::wstring& program, const TExplorerMenuPlace& place) {
    for (const TExplorerCommand& command : ExplorerCommands(program)) {
        if (ReadDefaultValue(place, command.Key) != ExplorerMenuText ||
            ReadDefaultValue(place, command.Key + L"\\command") != command.Command)
            return false;
    }
    return true;
}

void RegisterExplorerMenu(const std::wstring& program, const TExplorerMenuPlace& place) {
    try {
        for (const TExplorerCommand& command : ExplorerCommands(program)) {
            WriteValue(place, command.Key, nullptr, ExplorerMenuText);
            WriteValue(place, command.Key, L"Icon", L"\"" + program + L"\",0");
            WriteValue(place, command.Key + L"\\command", nullptr, command.Command);
        }
    } catch (const QuarrowError&) {
        try {
            UnregisterExplorerMenu(place);
        } catch (const QuarrowError&) {
            // The write's error is the one to report.
        }
        throw;
    }
}

void UnregisterExplorerMenu(const TExplorerMenuPlace& place) {
    for (const wchar_t* classKey : ClassKeys) {
        const std::wstring verb = VerbKey(classKey);
        const LSTATUS status = RegDeleteTreeW(place.Root, FullKey(place, verb).c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
            throw QuarrowError(L"Unable to remove " + RootName(place.Root) + FullKey(place, verb));
    }
    // Deepest first, so that a class key emptied by its shell key goes too.
    for (const wchar_t* key : {L"Directory\\Background\\shell", L"Directory\\Background", L"Directory\\shell",
                               L"Drive\\shell", L"Drive", L"Directory"})
        RemoveIfEmpty(place, key);
}

} // namespace quarrow
