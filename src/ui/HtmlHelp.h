#pragma once
// The HTML Help library, loaded at run time so that the program runs without it; only the
// Help command reports its lack.

#include <windows.h>

#include <string>
#include <vector>

namespace quarrow {

inline constexpr wchar_t HelpFileName[] = L"QRWHelp.chm";

// The help file in the program's folder.
std::wstring HelpFilePath();

// Where the library may be: the system folder, and the path the registry gives for its
// class (a leading %SystemRoot% stands for the Windows folder).
struct THtmlHelpPlaces {
    std::wstring SystemDirectory;
    std::wstring WindowsDirectory;
    std::wstring Registered;
};
THtmlHelpPlaces SystemHtmlHelpPlaces();

// The paths tried, in order: the system folder's copy first, then the registered one when
// it is a full path. Never a bare name, which the loader would also look for in the
// current folder.
std::vector<std::wstring> HtmlHelpCandidates(const THtmlHelpPlaces& places);

// Loads the library once, from the first candidate that exists; a missing library leaves
// the entry point empty and reports nothing.
void LoadHtmlHelp();
void LoadHtmlHelpFrom(const THtmlHelpPlaces& places);
// Closes the help viewers the library has open, then frees it.
void UnloadHtmlHelp();

using THtmlHelpEntry = HWND(WINAPI*)(HWND caller, const wchar_t* file, UINT command, DWORD_PTR data);
// The wide entry point that the Help command calls; null while the library is not loaded.
THtmlHelpEntry HtmlHelpEntry();

} // namespace quarrow
