#pragma once
// Shell-wide state shared by the shell object component and the change notifier: the
// component-object layer of the GUI thread, the desktop folder, its identifier list and the
// entry points taken from the shell libraries at run time.

#include "base/Handles.h"
#include "shell/IDList.h"

#include <windows.h>
#include <shlobj.h>

#include <string>

namespace quarrow {

using ShellChangeNotifyRegisterProc = ULONG(WINAPI*)(HWND window, int sources, LONG events, UINT message,
                                                     int entryCount, const SHChangeNotifyEntry* entries);
using ShellChangeNotifyDeregisterProc = BOOL(WINAPI*)(ULONG registration);
using PathMatchProc = BOOL(WINAPI*)(LPCWSTR name, LPCWSTR pattern);

// Sets the shell-wide state up on the GUI thread for its lifetime; only one may live at a
// time. Throws QuarrowError when the desktop folder cannot be obtained: nothing of the
// program's shell work can run without it.
class ShellUnit {
public:
    ShellUnit();
    ~ShellUnit();
    ShellUnit(const ShellUnit&) = delete;
    ShellUnit& operator=(const ShellUnit&) = delete;

private:
    bool oleInitialized_ = false;
};

// The desktop folder; throws std::logic_error outside a ShellUnit's lifetime.
IShellFolder& DesktopFolder();
// The desktop's own list (no items).
LPCITEMIDLIST DesktopIDList();

// Entry points that could not be obtained are null.
ShellChangeNotifyRegisterProc ShellChangeNotifyRegister();
ShellChangeNotifyDeregisterProc ShellChangeNotifyDeregister();
PathMatchProc PathMatchFunction();

// Suppresses the platform's critical-error boxes (a drive that is not ready) while it
// lives, when `suppress` is true.
class CriticalErrorScope {
public:
    explicit CriticalErrorScope(bool suppress = true);
    ~CriticalErrorScope();
    CriticalErrorScope(const CriticalErrorScope&) = delete;
    CriticalErrorScope& operator=(const CriticalErrorScope&) = delete;

private:
    bool active_;
    UINT previous_ = 0;
};

// Parses a display name (a path, or a name relative to `folder`; the desktop when null)
// with critical-error boxes suppressed. An empty name gives My Computer. On failure: no
// list, and the last-error value holds the failure code.
UniqueIDList ParseName(IShellFolder* folder, const std::wstring& name);

// The attributes of `item` in `folder`, of those in `wanted` only: a folder may report more
// than it was asked for. None when the folder cannot tell.
SFGAOF ShellAttributes(IShellFolder& folder, LPCITEMIDLIST item, SFGAOF wanted);

// The location of a special folder (CSIDL_ value); no list when it has none here.
UniqueIDList SpecialFolderLocation(int csidl);
// The file system path of an absolute list; empty when it has none.
std::wstring PathFromIDList(LPCITEMIDLIST list);
// Whether two absolute lists name the same object (the desktop folder's comparison).
bool SameIDList(LPCITEMIDLIST first, LPCITEMIDLIST second);

} // namespace quarrow
