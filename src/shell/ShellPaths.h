#pragma once
// Path routines of the shell component. Drive parts are "C:" or "\\server\share".

#include <string>

namespace quarrow {

// The first two characters when the second is a colon; for a network path the two
// backslashes, the server and the share (without the backslash that follows); else empty.
std::wstring DrivePart(const std::wstring& path);
// "C:\", "C:" and "\\server\share" are roots; the comparison is exact.
bool IsDriveRoot(const std::wstring& path);
// Everything up to and including the last backslash or colon, and the rest.
std::wstring FilePathPart(const std::wstring& path);
std::wstring FileNamePart(const std::wstring& path);
// A root always exists; any other path (a trailing backslash dropped) when a find-first
// on it succeeds.
bool ObjectExists(const std::wstring& path);

} // namespace quarrow
