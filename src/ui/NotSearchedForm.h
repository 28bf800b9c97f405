#pragma once
// Tools > Not Searched...: what the last search could not look into, one row per folder
// or file with its path and the reason, in a list a screen reader can read; the list can
// be copied and saved as a text file.

#include "base/Handles.h"
#include "base/Prompt.h"
#include "search/NotSearched.h"

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace quarrow {

class TNotSearchedForm : public IModalForm {
public:
    // `prompt` asks for the file to save to and reports the outcome.
    TNotSearchedForm(HWND owner, IPrompt& prompt, const TNotSearched& notSearched);

    // Runs the dialog until Close, Escape or the close box.
    PromptResult ShowModal() override;
    std::wstring Caption() const override { return L"Not Searched"; }

    // While the dialog is shown (for tests).
    HWND Handle() const { return handle_; }
    HWND List() const { return list_; }
    std::wstring Summary() const;

    // The rows' text: the selected ones, or every row when none is selected. Every row's text
    // ends with a line that counts the entries past those kept.
    std::wstring RowsText(bool onlySelected) const;
    bool CopyToClipboard(bool onlySelected);
    void SaveToFile();

private:
    friend INT_PTR CALLBACK NotSearchedFormProc(HWND, UINT, WPARAM, LPARAM);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void Layout();
    void ListData(NMLVDISPINFOW& item);

    HWND owner_;
    IPrompt& prompt_;
    std::vector<TNotSearchedEntry> entries_;
    std::vector<std::wstring> reasons_;
    int64_t count_ = 0;
    HWND handle_ = nullptr;
    HWND summary_ = nullptr;
    HWND list_ = nullptr;
    HWND copy_ = nullptr;
    HWND save_ = nullptr;
    HWND close_ = nullptr;
    SIZE minimum_{};
    std::wstring savedPath_;
};

} // namespace quarrow
