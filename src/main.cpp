#include "base/CommandLine.h"
#include "base/SystemError.h"
#include "settings/LaunchArguments.h"
#include "shell/ShellUnit.h"
#include "ui/HtmlHelp.h"
#include "ui/MainForm.h"
#include "ui/Resources.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <utility>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_COOL_CLASSES |
                                                        ICC_BAR_CLASSES | ICC_TAB_CLASSES |
                                                        ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    quarrow::TLaunchArguments arguments = quarrow::ParseLaunchArguments(quarrow::ProcessArguments());

    // The shell's state must outlive the window, whose shell component uses it.
    std::unique_ptr<quarrow::ShellUnit> shellUnit;
    try {
        shellUnit = std::make_unique<quarrow::ShellUnit>();
    } catch (const quarrow::QuarrowError& error) {
        MessageBoxW(nullptr, (error.Message() + L".").c_str(), QUARROW_PRODUCT_NAME, MB_ICONERROR | MB_OK);
        return 1;
    }

    quarrow::LoadHtmlHelp();
    int exitCode = 1;
    {
        quarrow::TMainForm form(std::move(arguments));
        if (form.Create()) {
            form.Show(showCommand);
            exitCode = quarrow::RunMessageLoop();
        }
    }
    quarrow::UnloadHtmlHelp();
    return exitCode;
}
