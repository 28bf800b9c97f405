#pragma once
// The program's main window.

#include "ui/WinPrompt.h"

#include <windows.h>

#include <memory>
#include <string>

namespace quarrow {

class TMainForm {
public:
    TMainForm();
    ~TMainForm();
    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;

    // Creates the native window; false when the platform refuses.
    bool Create(const std::wstring& commandLineLocation);
    void Show(int showCommand);
    HWND Handle() const { return handle_; }

    // Every modal interaction goes through this prompt; tests replace it.
    IPrompt& Prompt() { return *prompt_; }
    void SetPrompt(std::unique_ptr<IPrompt> prompt) { prompt_ = std::move(prompt); }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    HWND handle_ = nullptr;
    std::unique_ptr<IPrompt> prompt_;
    std::wstring commandLineLocation_;
};

// Runs the message loop of the GUI thread until WM_QUIT; returns its exit code.
int RunMessageLoop();

} // namespace quarrow
