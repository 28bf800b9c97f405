#pragma once
// The UI font of the main window, the Preferences dialog and the About box, chosen by the
// running Windows version.

#include <windows.h>

#include <string>

namespace quarrow {

// 6 for Windows 6.1, 5 for 6.0, 4 for 5.1, 3 for 5.0, 1 for 4 and older, 0 for any other.
int ClassifyWindowsVersion(DWORD major, DWORD minor);
int GetWindowsVersion();

// "Segoe UI" 9 from Windows 6.0 to 6.1, else "Tahoma" 8.
std::wstring GetUIFontName();
int GetUIFontSize();

} // namespace quarrow
