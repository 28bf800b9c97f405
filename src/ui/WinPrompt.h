#pragma once
// The real prompts: message boxes and the platform's dialogs, owned by one window.

#include "base/Prompt.h"

#include <windows.h>

namespace quarrow {

class WinPrompt : public IPrompt {
public:
    explicit WinPrompt(HWND owner = nullptr) : owner_(owner) {}
    void SetOwner(HWND owner) { owner_ = owner; }

    PromptResult Message(PromptType type, const std::wstring& text, PromptButtons buttons) override;
    bool PickFolder(std::wstring& folder, const std::wstring& title) override;
    bool BrowseFolder(std::wstring& folder, const std::wstring& title, bool newStyle) override;
    bool SaveFileName(const FileDialogOptions& options, std::wstring& path) override;
    bool OpenFileName(const FileDialogOptions& options, std::wstring& path) override;

private:
    HWND owner_;
};

// "Text files (*.txt)|*.txt|All files|*.*" in the double-null form of the file dialogs.
std::wstring FileDialogFilter(const std::wstring& filter);

} // namespace quarrow
