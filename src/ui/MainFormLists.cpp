// TMainForm: the history lists behind the three editable combo boxes, and the excluded-folder
// list on the fourth tab.

#include "ui/MainForm.h"

#include "base/Text.h"
#include "settings/ExcludeFolders.h"
#include "ui/Controls.h"
#include "settings/HistoryLists.h"

namespace quarrow {

void TMainForm::UpdateSearchPatternHistory(const std::wstring& text) {
    UpdateHistoryList(Lists.SearchPatternHistoryList, text);
    SetComboItems(controls_.ComboBoxSearchPattern, Lists.SearchPatternHistoryList);
}

void TMainForm::UpdateContainingTextHistory(const std::wstring& text) {
    UpdateHistoryList(Lists.ContainingTextHistoryList, text);
    SetComboItems(controls_.ComboBoxContainingText, Lists.ContainingTextHistoryList);
}

void TMainForm::UpdateSearchLocationHistory(const std::wstring& location) {
    const HWND combo = controls_.ComboBoxSearchLocation;
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    SetWindowTextOf(combo, L"");
    const TLocationBox box = UpdateLocationHistory(Lists.SearchLocationHistoryList, engine_->FixedDriveList,
                                                   engine_->OtherDriveList, location);
    SetComboItems(combo, box.Items);
    SetComboIndex(combo, box.Selected);
}

void TMainForm::UpdateExcludeFoldersList(const std::wstring& folderPath) {
    UpdateHistoryList(Lists.ExcludeFoldersList, folderPath);
    const HWND list = controls_.ListViewExcludeFolders;
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list);
    for (size_t i = 0; i < Lists.ExcludeFoldersList.size(); ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(Lists.ExcludeFoldersList[i].c_str());
        item.iImage = ImageIndexExcludedFolder;
        ListView_InsertItem(list, &item);
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void TMainForm::UpdateExcludeFoldersTab() {
    const TMainControls& c = controls_;
    if (Settings.ExcludeFolders) {
        EnableWindow(c.BtnSFRemove, ListView_GetSelectedCount(c.ListViewExcludeFolders) > 0);
        EnableWindow(c.BtnSFClear, !Lists.ExcludeFoldersList.empty());
    }
    const bool marked = Settings.ExcludeFolders && !Lists.ExcludeFoldersList.empty();
    SetTabCaption(c.PageControl, 3, marked ? L"Exclude folders *" : L"Exclude folders");
}

void TMainForm::CheckBoxExcludeFoldersClick() {
    const TMainControls& c = controls_;
    Settings.ExcludeFolders = IsChecked(c.CheckBoxExcludeFolders);
    for (HWND control : {c.ListViewExcludeFolders, c.BtnSFAdd, c.BtnSFRemove, c.BtnSFSuggest, c.BtnSFClear})
        EnableWindow(control, Settings.ExcludeFolders);
    ListView_SetItemState(c.ListViewExcludeFolders, -1, 0, LVIS_SELECTED);
    UpdateExcludeFoldersTab();
}

void TMainForm::ListViewExcludeFoldersChange(const NMLISTVIEW& change) {
    if ((change.uChanged & LVIF_STATE) != 0 && change.iItem >= 0)
        UpdateExcludeFoldersTab();
}

void TMainForm::BtnSFAddClick() {
    std::wstring folder;
    // The shell may end the path with a backslash, which the walker's paths never have.
    if (Prompt().BrowseFolder(folder, L"Select a folder", true))
        UpdateExcludeFoldersList(ExcludedFolderPath(folder));
    EndExcludeFoldersCommand();
}

void TMainForm::BtnSFRemoveClick() {
    const int selected = ListView_GetNextItem(controls_.ListViewExcludeFolders, -1, LVNI_SELECTED);
    if (selected >= 0 && selected < static_cast<int>(Lists.ExcludeFoldersList.size())) {
        Lists.ExcludeFoldersList.erase(Lists.ExcludeFoldersList.begin() + selected);
        UpdateExcludeFoldersList(L"");
    }
    EndExcludeFoldersCommand();
}

void TMainForm::BtnSFSuggestClick() {
    const std::vector<std::wstring> folders = SuggestedExcludeFolders(engine_->FixedDriveList);
    if (folders.empty()) {
        ShowInformation(Prompt(), NoFoldersToSuggest);
    } else if (Confirm(Prompt(), SuggestQuestion(folders))) {
        // Last to first, so that they stand at the top in ascending order.
        for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
            UpdateExcludeFoldersList(*folder);
    }
    EndExcludeFoldersCommand();
}

void TMainForm::BtnSFClearClick() {
    if (!Lists.ExcludeFoldersList.empty() &&
        Confirm(Prompt(), L"Do you want to clear the list with skipped folders?")) {
        Lists.ExcludeFoldersList.clear();
        UpdateExcludeFoldersList(L"");
    }
    UpdateExcludeFoldersTab();
    KeepExcludeFoldersFocus();
}

void TMainForm::EndExcludeFoldersCommand() {
    ListView_SetItemState(controls_.ListViewExcludeFolders, -1, 0, LVIS_SELECTED);
    UpdateExcludeFoldersTab();
    KeepExcludeFoldersFocus();
}

// Disabling the button that had the keyboard focus leaves the focus nowhere.
void TMainForm::KeepExcludeFoldersFocus() {
    if (GetFocus() == nullptr && GetActiveWindow() == handle_ && IsWindowEnabled(controls_.BtnSFAdd))
        SendMessageW(controls_.TabSheets[3], WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(controls_.BtnSFAdd),
                     TRUE);
}

} // namespace quarrow
