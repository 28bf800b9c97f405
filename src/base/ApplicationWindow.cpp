#include "base/ApplicationWindow.h"

namespace quarrow {
namespace {
HWND g_applicationWindow = nullptr;
} // namespace

void SetApplicationWindow(HWND window) {
    g_applicationWindow = window;
}

HWND ApplicationWindow() {
    return g_applicationWindow;
}

} // namespace quarrow
