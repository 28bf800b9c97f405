#pragma once
// "Search with Quarrow" on Explorer's menus of folders, drives and folder backgrounds. The
// commands are the current user's own, under HKEY_CURRENT_USER\Software\Classes; nothing
// is written for the machine.

#include <windows.h>

#include <string>
#include <vector>

namespace quarrow {

extern const wchar_t ExplorerMenuText[];

// Where the commands live: the current user's classes key, or another key for tests.
struct TExplorerMenuPlace {
    HKEY Root = HKEY_CURRENT_USER;
    std::wstring Classes = L"Software\\Classes";
};

struct TExplorerCommand {
    std::wstring Key;     // the verb's key below the classes key
    std::wstring Command; // the command line Explorer runs
};

// The three commands for `program`: a folder and a drive pass the item ("%1"), a folder's
// background the folder shown ("%V").
std::vector<TExplorerCommand> ExplorerCommands(const std::wstring& program);

// Some part of the commands is there, for whatever program.
bool ExplorerMenuPresent(const TExplorerMenuPlace& place = {});
// Every command is there and runs `program`.
bool ExplorerMenuRegistered(const std::wstring& program, const TExplorerMenuPlace& place = {});

// Writes the commands; on a refused write, removes what was written and raises
// QuarrowError ("Unable to write to <key>").
void RegisterExplorerMenu(const std::wstring& program, const TExplorerMenuPlace& place = {});
// Removes the commands and the keys that held only them. Raises QuarrowError when a key
// cannot be removed.
void UnregisterExplorerMenu(const TExplorerMenuPlace& place = {});

} // namespace quarrow
