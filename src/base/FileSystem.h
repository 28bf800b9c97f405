#pragma once
// Small file-system queries shared by the subsystems.

#include <string>

namespace quarrow {

// The full path of `path` (relative paths against the current directory, "." and ".."
// resolved, a trailing backslash kept); empty when it cannot be expanded.
std::wstring ExpandFullPath(const std::wstring& path);

bool IsExistingDirectory(const std::wstring& path);

// The full path of the running program's file; empty when the system cannot tell.
std::wstring ProgramFilePath();

// The "\\?\" form of a full path (drive or network path), which the platform takes as it
// stands: a name that ends in a dot or a blank keeps it. Other paths are returned unchanged.
std::wstring ExtendedLengthPath(const std::wstring& path);

} // namespace quarrow
