#pragma once
// Text on the clipboard as UTF-16; the system offers it to programs that ask for ANSI text.

#include <windows.h>

#include <string>

namespace quarrow {

// Replaces what the clipboard holds with `text`. The clipboard is opened for `owner`, or for
// a window made for the write when there is none; another program may hold it for a moment.
bool SetClipboardText(const std::wstring& text, HWND owner);
// The clipboard's UTF-16 text; empty when it holds none.
std::wstring ClipboardText();

} // namespace quarrow
