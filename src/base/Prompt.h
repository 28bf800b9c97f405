#pragma once
// The one seam through which the program shows message boxes and the file and folder
// dialogs. The window installs the real implementation; tests install a scripted one.

#include <string>

namespace quarrow {

enum class PromptType { Information, Warning, Error, Confirmation };
enum class PromptButtons { Ok, YesNo };
enum class PromptResult { Ok, Cancel, Yes, No };

struct FileDialogOptions {
    std::wstring filter;     // "Text files (*.txt)|*.txt|All files (*.*)|*.*"
    std::wstring defaultExt; // without the dot
    std::wstring initialDir;
};

// A window of the program's own that is shown modally (the About box).
class IModalForm {
public:
    virtual ~IModalForm() = default;
    virtual PromptResult ShowModal() = 0;
    virtual std::wstring Caption() const = 0;
};

class IPrompt {
public:
    virtual ~IPrompt() = default;

    virtual PromptResult Message(PromptType type, const std::wstring& text, PromptButtons buttons) = 0;

    // The location browser: starts at `folder` (its trailing backslash is stripped as the
    // dialog expects) and shows the selected path as status text. On true, `folder` holds
    // the chosen file-system path.
    virtual bool PickFolder(std::wstring& folder, const std::wstring& title) = 0;

    // A plain folder browser rooted at the desktop with nothing preselected.
    virtual bool BrowseFolder(std::wstring& folder, const std::wstring& title, bool newStyle) = 0;

    virtual bool SaveFileName(const FileDialogOptions& options, std::wstring& path) = 0;
    virtual bool OpenFileName(const FileDialogOptions& options, std::wstring& path) = 0;

    // Runs the form's own modal loop; tests answer without showing it.
    virtual PromptResult ShowModalForm(IModalForm& form) { return form.ShowModal(); }
};

// Shorthands for the fixed message types.
inline void ShowInformation(IPrompt& prompt, const std::wstring& text) {
    prompt.Message(PromptType::Information, text, PromptButtons::Ok);
}
inline void ShowWarning(IPrompt& prompt, const std::wstring& text) {
    prompt.Message(PromptType::Warning, text, PromptButtons::Ok);
}
inline bool Confirm(IPrompt& prompt, const std::wstring& text) {
    return prompt.Message(PromptType::Confirmation, text, PromptButtons::YesNo) == PromptResult::Yes;
}

// The application's standard error box: the error text ends with a full stop.
void ShowErrorBox(IPrompt& prompt, const std::wstring& text);

} // namespace quarrow
