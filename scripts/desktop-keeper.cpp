// Keeps Wine's desktop process alive while the tests run. Without it, the first test
// program to open the desktop starts that process, which inherits the test's output pipe:
// ctest then waits for the pipe until the desktop closes (about a second after the last
// program using it), and charges the whole run to that test. A desktop closing while the
// next program starts is also one race fewer. The first argument names a file created once
// the desktop is up. Ended by `wineserver -k`.
#include <windows.h>
#include <shellapi.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Never shown: a hidden window keeps the desktop in use, and its creation waits for it.
    CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"desktop keeper", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                    nullptr, nullptr);
    int argc = 0;
    if (LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc)) {
        if (argc > 1)
            CloseHandle(CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        LocalFree(argv);
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    return 0;
}
