#pragma once
// The window that owns the program's top-level dialogs and the shell's windows. The main
// window registers itself here when it is created and clears the entry when destroyed.

#include <windows.h>

namespace quarrow {

void SetApplicationWindow(HWND window);
HWND ApplicationWindow();

} // namespace quarrow
