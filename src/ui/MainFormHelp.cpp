// TMainForm: the Help command and the About box.

#include "ui/MainForm.h"

#include "ui/HtmlHelp.h"

#include <htmlhelp.h>

namespace quarrow {

void TMainForm::CreateAboutForm() {
    aboutForm_ = std::make_unique<TAboutForm>(handle_);
    if (!aboutForm_->Create(dpi_))
        aboutForm_.reset();
}

// The viewer is not owned by the main window, and the call does not wait for it.
void TMainForm::ActionHelpHelpExecute() {
    const std::wstring path = HelpFilePath();
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        ShowWarning(Prompt(), L"The help file '" + std::wstring(HelpFileName) + L"' could not be found.");
        return;
    }
    const THtmlHelpEntry htmlHelp = HtmlHelpEntry();
    if (htmlHelp == nullptr || htmlHelp(GetDesktopWindow(), path.c_str(), HH_DISPLAY_TOPIC, 0) == nullptr)
        ShowWarning(Prompt(), L"The help file '" + std::wstring(HelpFileName) + L"' could not be opened.");
}

void TMainForm::ActionHelpAboutExecute() {
    if (!aboutForm_)
        return;
    aboutForm_->SetDpi(dpi_);
    Prompt().ShowModalForm(*aboutForm_);
}

} // namespace quarrow
