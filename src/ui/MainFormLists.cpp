// TMainForm: the history lists behind the three editable combo boxes, and the excluded-folder
// list on the fourth tab.

#include "ui/MainForm.h"

#include "base/Text.h"
#include "ui/Controls.h"
#include "ui/HistoryLists.h"

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
    std::wstring caption = marked ? L"Exclude folders *" : L"Exclude folders";
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption.data();
    TabCtrl_SetItem(c.PageControl, 3, &item);
}

void TMainForm::CheckBoxExcludeFoldersClick() {
    const TMainControls& c = controls_;
    Settings.ExcludeFolders = IsChecked(c.CheckBoxExcludeFolders);
    for (HWND control : {c.ListViewExcludeFolders, c.BtnSFAdd, c.BtnSFRemove, c.BtnSFSuggest, c.BtnSFClear})
        EnableWindow(control, Settings.ExcludeFolders);
    ListView_SetItemState(c.ListViewExcludeFolders, -1, 0, LVIS_SELECTED);
    UpdateExcludeFoldersTab();
}

} // namespace quarrow
