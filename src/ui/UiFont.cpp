#include "ui/UiFont.h"

namespace quarrow {
namespace {

// GetVersionExW answers what the manifest admits to; the kernel's own answer is the true one.
OSVERSIONINFOW RunningVersion() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
    if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
        auto rtlGetVersion = reinterpret_cast<RtlGetVersionFunction>(
            reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
        if (rtlGetVersion != nullptr && rtlGetVersion(&info) == 0)
            return info;
    }
    info.dwMajorVersion = 0;
    return info;
}

} // namespace

int ClassifyWindowsVersion(DWORD major, DWORD minor) {
    if (major == 6 && minor == 1)
        return 6;
    if (major == 6 && minor == 0)
        return 5;
    if (major == 5 && minor == 1)
        return 4;
    if (major == 5 && minor == 0)
        return 3;
    if (major <= 4)
        return 1;
    return 0;
}

int GetWindowsVersion() {
    const OSVERSIONINFOW info = RunningVersion();
    return ClassifyWindowsVersion(info.dwMajorVersion, info.dwMinorVersion);
}

std::wstring GetUIFontName() {
    return GetWindowsVersion() >= 5 ? L"Segoe UI" : L"Tahoma";
}

int GetUIFontSize() {
    return GetWindowsVersion() >= 5 ? 9 : 8;
}

} // namespace quarrow
