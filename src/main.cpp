#include "ui/MainForm.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_COOL_CLASSES |
                                                        ICC_BAR_CLASSES | ICC_TAB_CLASSES |
                                                        ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    std::wstring location;
    int argc = 0;
    if (LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc)) {
        if (argc > 1)
            location = argv[1];
        LocalFree(argv);
    }

    quarrow::TMainForm form(location);
    if (!form.Create())
        return 1;
    form.Show(showCommand);
    return quarrow::RunMessageLoop();
}
