#pragma once
// The shell's file formats on the clipboard: the dropped-file list (CF_HDROP) and the
// "Preferred DropEffect" that tells a paste whether to copy or to move.

#include <windows.h>

#include <string>
#include <vector>

namespace quarrow {

// The clipboard's preferred drop effect; 0 when it carries none.
DWORD ClipboardDropEffect();

// Replaces the clipboard with a file list and its drop effect. The clipboard is opened for
// `owner`, or for a window made for the call when there is none.
bool SetClipboardFileList(const std::vector<std::wstring>& paths, DWORD dropEffect, HWND owner);
// Makes the clipboard's drop effect `dropEffect` and keeps its shell formats. Nothing is
// rewritten when the effect is already there.
bool EnsureClipboardDropEffect(DWORD dropEffect, HWND owner);

} // namespace quarrow
