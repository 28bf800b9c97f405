#pragma once
// Small file-system queries shared by the subsystems.

#include <windows.h>

#include <string>

namespace quarrow {

// The full path of `path` (relative paths against the current directory, "." and ".."
// resolved, a trailing backslash kept); empty when it cannot be expanded.
std::wstring ExpandFullPath(const std::wstring& path);

// The full path of the file that a name typed for a new file stands for, as the platform
// reads an ordinary path: expanded as by ExpandFullPath, a dot or a blank that ends the name
// dropped ("list." is "list"). Files made through the "\\?\" form are made under this path,
// or they would keep the dot. `path` as it is when it cannot be expanded.
std::wstring TypedFilePath(const std::wstring& path);

// The full path of a file or folder that the user named, as ExpandFullPath gives it; but a
// name that ends in a dot or a blank keeps them when something of that exact name exists,
// where the ordinary expansion drops them and names its sibling.
std::wstring ExpandNamedPath(const std::wstring& path);

bool IsExistingDirectory(const std::wstring& path);

// Makes the folder `path` (a full path) and the parents it lacks. True when it is a folder
// afterwards.
bool CreateFolderTree(const std::wstring& path);

// The full path of the running program's file; empty when the system cannot tell.
std::wstring ProgramFilePath();

// The "\\?\" form of a full path (drive or network path), which the platform takes as it
// stands: a name that ends in a dot or a blank keeps it. Other paths are returned unchanged.
std::wstring ExtendedLengthPath(const std::wstring& path);
// The ordinary form of a "\\?\" path; other paths are returned unchanged.
std::wstring OrdinaryPath(const std::wstring& path);

// True when the ordinary form of a full path does not reliably name its file: the path is
// MAX_PATH characters or longer (most programs and the shell stop there), or one of its
// names ends in a dot or a blank (the platform drops those, which names another file).
// Such a path reaches the system only in its "\\?\" form or as its 8.3 form.
bool NeedsExtendedLengthPath(const std::wstring& path);

// Whether two paths name the same file or folder (one volume, one file index); false when
// either cannot be opened.
bool SameFileObject(const std::wstring& a, const std::wstring& b);

// The 8.3 form of a full path when it is an ordinary path that names the same file or
// folder; empty when the volume keeps no short names or the short form would not do.
std::wstring EquivalentShortPath(const std::wstring& path);

// Deletes a file, or a folder with everything in it, through "\\?\" paths; links are
// removed, never followed, and read-only files deleted. ERROR_SUCCESS or the first error
// that stopped it.
DWORD DeletePermanently(const std::wstring& path);

// Writes `text` to a new or emptied file as UTF-8 with a byte-order mark. ERROR_SUCCESS, or
// the error that stopped it (what was written stays).
DWORD WriteUtf8TextFile(const std::wstring& path, const std::wstring& text);

// Renames `from` to `to` (full paths) through their "\\?\" forms.
bool RenameExactly(const std::wstring& from, const std::wstring& to);

} // namespace quarrow
