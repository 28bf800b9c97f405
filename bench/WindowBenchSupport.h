#pragma once
// Running a benchmark on the real main window.

#include "BenchSupport.h"

#include "base/Messages.h"
#include "shell/ShellUnit.h"
#include "ui/MainForm.h"

#include <commctrl.h>

#include <functional>
#include <memory>

namespace quarrow::bench {

// Runs `bench` on a shown main window whose settings live in `appData`, never the user's;
// returns the program's exit code.
inline int RunOnMainWindow(const std::wstring& appData, const std::function<bool(TMainForm&)>& bench) {
    CreateDirectoryW(appData.c_str(), nullptr);
    SetEnvironmentVariableW(L"APPDATA", appData.c_str());
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_BAR_CLASSES |
                                                        ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    try {
        ShellUnit shell;
        TMainForm form;
        form.SetPrompt(std::make_unique<SilentPrompt>());
        if (!form.Create()) {
            std::fprintf(stderr, "the main window could not be created\n");
            return 1;
        }
        form.Show(SW_SHOWNORMAL);
        ProcessMessages();
        const bool ran = bench(form);
        DestroyWindow(form.Handle());
        ProcessMessages();
        return ran ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "error: %s\n", error.what());
        return 1;
    }
}

} // namespace quarrow::bench
