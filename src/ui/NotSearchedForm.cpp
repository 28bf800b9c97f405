#include "ui/NotSearchedForm.h"

#include "base/FileSystem.h"
#include "base/SystemError.h"
#include "results/ClipboardText.h"
#include "results/DisplayFormats.h"
#include "ui/Controls.h"
#include "ui/UiFont.h"
#include "ui/WinPrompt.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

namespace quarrow {
namespace {

enum TNotSearchedControlId : int { IdSummary = 100, IdList, IdCopy, IdSave };

// The dialog's size in dialog units; it can grow, never shrink below this.
constexpr short DialogWidth = 330;
constexpr short DialogHeight = 180;
constexpr int Margin = 7;        // dialog units
constexpr int ButtonWidth = 50;  // dialog units
constexpr int ButtonHeight = 14; // dialog units
constexpr int SummaryHeight = 10;

void Append(std::vector<WORD>& words, const std::wstring& text) {
    words.insert(words.end(), text.begin(), text.end());
    words.push_back(0);
}

// A dialog without controls in the UI font; its controls are made when it opens.
std::vector<WORD> DialogTemplate(const std::wstring& caption) {
    DLGTEMPLATE header{};
    header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_MODALFRAME | DS_SETFONT;
    header.dwExtendedStyle = WS_EX_CONTROLPARENT;
    header.cx = DialogWidth;
    header.cy = DialogHeight;
    std::vector<WORD> words(sizeof(header) / sizeof(WORD));
    std::memcpy(words.data(), &header, sizeof(header));
    words.push_back(0); // no menu
    words.push_back(0); // the dialog class
    Append(words, caption);
    words.push_back(static_cast<WORD>(GetUIFontSize()));
    Append(words, GetUIFontName());
    return words;
}

} // namespace

INT_PTR CALLBACK NotSearchedFormProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        reinterpret_cast<TNotSearchedForm*>(lParam)->handle_ = dialog;
    }
    auto* self = reinterpret_cast<TNotSearchedForm*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (self == nullptr)
        return FALSE;
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (const std::exception&) {
        // Out of memory while copying: the dialog goes on.
    }
    return FALSE;
}

TNotSearchedForm::TNotSearchedForm(HWND owner, IPrompt& prompt, const TNotSearched& notSearched)
    : owner_(owner), prompt_(prompt), entries_(notSearched.Entries()), count_(notSearched.Count()) {
    reasons_.reserve(entries_.size());
    for (const TNotSearchedEntry& entry : entries_)
        reasons_.push_back(NotSearchedReasonText(entry));
}

PromptResult TNotSearchedForm::ShowModal() {
    const std::vector<WORD> dialog = DialogTemplate(Caption());
    const INT_PTR result = DialogBoxIndirectParamW(
        GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(dialog.data()), owner_,
        NotSearchedFormProc, reinterpret_cast<LPARAM>(this));
    // Message boxes and the save dialog raised from the dialog belonged over it.
    if (auto* prompt = dynamic_cast<WinPrompt*>(&prompt_))
        prompt->SetOwner(owner_);
    handle_ = nullptr;
    return result == -1 ? PromptResult::Cancel : PromptResult::Ok;
}

std::wstring TNotSearchedForm::Summary() const {
    std::wstring text = FormatCount(count_) + (count_ == 1 ? L" folder or file could not be searched."
                                                           : L" folders or files could not be searched.");
    if (count_ > static_cast<int64_t>(entries_.size()))
        text += L" The first " + FormatCount(static_cast<int64_t>(entries_.size())) + L" are listed.";
    return text;
}

void TNotSearchedForm::CreateControls() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const auto make = [&](const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle, int id) {
        const HWND control =
            CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, handle_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        SendMessageW(control, WM_SETFONT, SendMessageW(handle_, WM_GETFONT, 0, 0), FALSE);
        return control;
    };
    summary_ = make(WC_STATICW, Summary().c_str(), SS_LEFT | SS_NOPREFIX, 0, IdSummary);
    list_ = make(WC_LISTVIEWW, L"", LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | WS_TABSTOP | WS_GROUP,
                 WS_EX_CLIENTEDGE, IdList);
    copy_ = make(WC_BUTTONW, L"&Copy", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, 0, IdCopy);
    save_ = make(WC_BUTTONW, L"&Save...", BS_PUSHBUTTON | WS_TABSTOP, 0, IdSave);
    close_ = make(WC_BUTTONW, L"Close", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, IDCANCEL);
    SendMessageW(handle_, DM_SETDEFID, IDCANCEL, 0);

    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP);
    const wchar_t* const columns[] = {L"Path", L"Reason"};
    for (int i = 0; i < 2; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT;
        column.pszText = const_cast<wchar_t*>(columns[i]);
        ListView_InsertColumn(list_, i, &column);
    }
    ListView_SetItemCountEx(list_, static_cast<int>(entries_.size()), 0);
    if (!entries_.empty())
        ListView_SetItemState(list_, 0, LVIS_FOCUSED, LVIS_FOCUSED);
}

void TNotSearchedForm::Layout() {
    RECT client{};
    GetClientRect(handle_, &client);
    RECT units{Margin, SummaryHeight, ButtonWidth, ButtonHeight};
    MapDialogRect(handle_, &units);
    const int margin = units.left;
    const int summaryHeight = units.top;
    const int buttonWidth = units.right;
    const int buttonHeight = units.bottom;
    const int width = client.right - 2 * margin;
    const int buttonsTop = client.bottom - margin - buttonHeight;
    const int listTop = margin + summaryHeight + margin / 2;
    MoveWindow(summary_, margin, margin, width, summaryHeight, TRUE);
    MoveWindow(list_, margin, listTop, width, std::max(0, buttonsTop - margin - listTop), TRUE);
    // The reason takes what the path leaves of the list's width.
    RECT rows{};
    GetClientRect(list_, &rows);
    const int pathWidth = rows.right * 11 / 20;
    ListView_SetColumnWidth(list_, 0, pathWidth);
    ListView_SetColumnWidth(list_, 1, std::max<int>(rows.right - pathWidth, 0));
    MoveWindow(copy_, margin, buttonsTop, buttonWidth, buttonHeight, TRUE);
    MoveWindow(save_, margin + buttonWidth + margin / 2, buttonsTop, buttonWidth, buttonHeight, TRUE);
    MoveWindow(close_, client.right - margin - buttonWidth, buttonsTop, buttonWidth, buttonHeight, TRUE);
}

void TNotSearchedForm::ListData(NMLVDISPINFOW& item) {
    const auto row = static_cast<size_t>(item.item.iItem);
    if ((item.item.mask & LVIF_TEXT) == 0 || row >= entries_.size() || item.item.cchTextMax <= 0)
        return;
    const std::wstring& text = item.item.iSubItem == 0 ? entries_[row].Path : reasons_[row];
    const size_t length = std::min(text.size(), static_cast<size_t>(item.item.cchTextMax - 1));
    text.copy(item.item.pszText, length);
    item.item.pszText[length] = L'\0';
}

std::wstring TNotSearchedForm::RowsText(bool onlySelected) const {
    std::wstring text;
    const bool some = onlySelected && list_ != nullptr && ListView_GetSelectedCount(list_) > 0;
    for (size_t row = 0; row < entries_.size(); ++row) {
        if (some && ListView_GetItemState(list_, static_cast<int>(row), LVIS_SELECTED) == 0)
            continue;
        text += entries_[row].Path + L"\t" + reasons_[row] + L"\r\n";
    }
    const int64_t unlisted = count_ - static_cast<int64_t>(entries_.size());
    if (!some && unlisted > 0)
        text += L"... and " + FormatCount(unlisted) + L" more not listed.\r\n";
    return text;
}

bool TNotSearchedForm::CopyToClipboard(bool onlySelected) {
    if (SetClipboardText(RowsText(onlySelected), handle_ != nullptr ? handle_ : owner_))
        return true;
    ShowWarning(prompt_, L"Could not copy the list to the clipboard.");
    return false;
}

void TNotSearchedForm::SaveToFile() {
    FileDialogOptions options;
    options.filter = L"Text files (*.txt)|*.txt|All files (*.*)|*.*";
    options.defaultExt = L"txt";
    std::wstring path = savedPath_;
    if (!prompt_.SaveFileName(options, path))
        return;
    path = TypedFilePath(path);
    savedPath_ = path;
    if (const DWORD error = WriteUtf8TextFile(path, RowsText(false)); error != ERROR_SUCCESS)
        ShowWarning(prompt_, L"Could not write to file " + path + L"\r\n" + SystemErrorText(error) + L".");
    else
        ShowInformation(prompt_, L"Successfully saved " + std::to_wstring(entries_.size()) +
                                     L" entries to file " + path);
}

INT_PTR TNotSearchedForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        if (auto* prompt = dynamic_cast<WinPrompt*>(&prompt_))
            prompt->SetOwner(handle_);
        CreateControls();
        RECT frame{};
        GetWindowRect(handle_, &frame);
        minimum_ = {frame.right - frame.left, frame.bottom - frame.top};
        if (owner_ != nullptr)
            CenterOnOwner(handle_, owner_);
        Layout();
        SetFocus(list_);
        return FALSE;
    }
    case WM_SIZE:
        Layout();
        return TRUE;
    case WM_GETMINMAXINFO: {
        auto& info = *reinterpret_cast<MINMAXINFO*>(lParam);
        info.ptMinTrackSize = {minimum_.cx, minimum_.cy};
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IdCopy:
            CopyToClipboard(false);
            return TRUE;
        case IdSave:
            SaveToFile();
            return TRUE;
        case IDOK:
        case IDCANCEL:
            EndDialog(handle_, IDOK);
            return TRUE;
        default:
            return FALSE;
        }
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        if (header.hwndFrom != list_)
            return FALSE;
        if (header.code == LVN_GETDISPINFOW) {
            ListData(*reinterpret_cast<NMLVDISPINFOW*>(lParam));
            return TRUE;
        }
        if (header.code == LVN_KEYDOWN && (GetKeyState(VK_CONTROL) & 0x8000) != 0) {
            const WORD key = reinterpret_cast<const NMLVKEYDOWN*>(lParam)->wVKey;
            if (key == 'C')
                CopyToClipboard(true);
            else if (key == 'A')
                ListView_SetItemState(list_, -1, LVIS_SELECTED, LVIS_SELECTED);
            return TRUE;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

} // namespace quarrow
